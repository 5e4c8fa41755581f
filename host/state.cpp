#include "host/state.h"

#include <cstdio>

#include "host/suites.h"

namespace pwhost {
namespace {

HostState* g_active = nullptr;

}  // namespace

HostState::HostState() { RegisterStandardSuites(broker); }

void HostState::Violation(const std::string& text)
{
    violations.push_back("command " + std::to_string(command) + " (cmd " + std::to_string(cmd) + "): " + text);
}

std::string HostState::HandleName(PF_Handle h) const
{
    if (!h) return "null";
    if (const int serial = handles.Serial(h)) return "#" + std::to_string(serial);
    char text[32];
    std::snprintf(text, sizeof text, "unknown %p", static_cast<void*>(h));
    return text;
}

HostState* ActiveState() { return g_active; }

ActiveScope::ActiveScope(HostState& state) : previous_(g_active) { g_active = &state; }

ActiveScope::~ActiveScope() { g_active = previous_; }

}  // namespace pwhost
