#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace plover {

// Files of the Winsock check and reset, in the temporary folder.
constexpr const char* WinsockAnswerFile = "winsoktemp";
constexpr const char* IpResetLogFile = "resetlog.txt";
constexpr const char* CatalogResetAnswerFile = "winsockans.txt";
constexpr const char* Winsock2RegFile = "winsok2.reg";
constexpr const char* WinsockRegFile = "winsok.reg";

// The Winsock reset may run on Vista and later, and on XP from Service Pack 2.
bool IsOsSuitableForRepair2(const Platform& os);
// True when the Winsock catalog is healthy; false when it is corrupted or
// the answer could not be read.
bool CheckWinsock(const Platform& os);
// Renews the addresses and flushes the caches; about a minute of pauses.
void RefreshIpStack(const Platform& os);
// Resets the TCP/IP stack and the Winsock catalog, which takes effect after
// a restart; arranges first for the program to start again at the next log-on.
void ResetWinsock(const Platform& os);
// Removes the two registry export files the reset imports.
void DeleteWinsockRegFiles(const Platform& os);

// The command lines of the check and the reset for a temporary folder (with
// its trailing backslash); a folder path with a blank is quoted.
std::string WinsockCheckCommand(const std::string& tempFolder);
std::string IpResetCommand(const std::string& tempFolder);
// The five steps after the TCP/IP reset, in order.
std::vector<std::string> WinsockResetSteps(const std::string& tempFolder);

}  // namespace plover
