#include "host/suites.h"

namespace pwhost {

void RegisterStandardSuites(SuiteBroker& broker)
{
    RegisterAnsiSuite(broker);
    RegisterHandleSuites(broker);
    RegisterUtilitySuite(broker);
    RegisterAegpSuites(broker);
    RegisterParamUtilsSuites(broker);
    RegisterWorldSuites(broker);
    RegisterFillMatteSuite(broker);
    RegisterSamplingSuites(broker);
}

}  // namespace pwhost
