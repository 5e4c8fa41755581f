// Where the host finds a plug-in's registration record before loading it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pwhost {

// A Windows DLL carries it as resource "PIPL" 16000 (read here without running any of the DLL's code); a Linux
// module has it in a file of the same name with the extension .pipl.
bool ReadPluginPipl(const std::string& pluginPath, std::vector<uint8_t>& bytes, std::string& error);

// The entry-point key of the processor this host runs on: "wx86" or "8664".
const char* HostEntryKey();

}  // namespace pwhost
