#include "host/suites.h"

namespace pwhost {

void RegisterStandardSuites(SuiteBroker& broker)
{
    RegisterAnsiSuite(broker);
    RegisterHandleSuites(broker);
    RegisterUtilitySuite(broker);
}

}  // namespace pwhost
