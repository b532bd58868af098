#pragma once

#include <string>

// The commands of the Winsock check and reset as the in-memory machine sees
// them, written out in full so that a test notices any change of text.
namespace plover::testing {

inline const std::string Temp = "C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\";
inline const std::string CheckCommand = "cmd.exe /cnetsh show > " + Temp + "winsoktemp";
inline const std::string IpResetCommand = "cmd.exe /c netsh int ip reset " + Temp + "resetlog.txt";
inline const std::string CatalogCommand =
    "cmd.exe /c netsh winsock reset catalog > " + Temp + "winsockans.txt";

}  // namespace plover::testing
