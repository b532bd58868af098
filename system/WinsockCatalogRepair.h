#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "system/ProgramRunner.h"

namespace plover {

// Files of the Winsock check and reset, in the temporary folder.
constexpr const char* WinsockAnswerFile = "winsoktemp";
constexpr const char* IpResetLogFile = "resetlog.txt";
constexpr const char* CatalogResetAnswerFile = "winsockans.txt";
constexpr const char* Winsock2RegFile = "winsok2.reg";
constexpr const char* WinsockRegFile = "winsok.reg";

// The most of a program's output file that is read back: every answer the
// check and the reset look for fits many times over, and a huge or binary
// file in its place costs no more than this.
constexpr size_t OutputFileReadLimit = 1024 * 1024;

// The registry export texts chosen for this system at start-up. The reset
// imports exactly these bytes, not whatever the temporary folder holds by
// then: every program of the user may write there, and the import runs with
// administrator rights. Filled on the window's thread before any run starts;
// read by the runs.
struct WinsockRegTexts {
    std::string Winsock2RegText;
    std::string WinsockRegText;
};

// The Winsock reset may run on Vista and later, and on XP from Service Pack 2.
bool IsOsSuitableForRepair2(const Platform& os);
// True when the Winsock catalog is healthy; false when it is corrupted or
// the answer could not be read.
bool CheckWinsock(const Platform& os);
// Renews the addresses and flushes the caches; about a minute of pauses.
void RefreshIpStack(const Platform& os);
// Resets the TCP/IP stack and the Winsock catalog, which takes effect after
// a restart; arranges first for the program to start again at the next log-on.
// On Windows 7 and later the system's own resets run (SystemResetCommands);
// on XP and Vista the catalog keys are replaced from the export texts. Each
// export file is written again from regTexts right before its import
// and held unchanged until the import has ended; an import whose file cannot
// be held so is skipped.
void ResetWinsock(const Platform& os, const WinsockRegTexts& regTexts);
// Imports the two Winsock exports again, as the reset does after deleting
// the keys: for a reset that was cut off between its deletes and imports.
void ImportWinsockKeys(const Platform& os, const WinsockRegTexts& regTexts);
// Removes the two registry export files the reset imports.
void DeleteWinsockRegFiles(const Platform& os);

// The command lines of the check and the reset for a temporary folder (with
// its trailing backslash), named as FolderCommands names them.
ProgramCommand WinsockCheckCommand(const std::string& tempFolder);
ProgramCommand IpResetCommand(const std::string& tempFolder);

// The 64-bit system's own netsh, also from a 32-bit program.
std::string NativeNetshPath(const Platform& os);
// The resets of Windows 7 and later: the TCP/IP stack, then the catalog.
std::vector<ProgramCommand> SystemResetCommands(const Platform& os, const std::string& tempFolder);

struct WinsockResetStep {
    ProgramCommand command;
    // For a "reg import": the export file it takes, and its text.
    const char* importFile = nullptr;
    std::string WinsockRegTexts::*importText = nullptr;
};
// The five steps after the TCP/IP reset, in order.
std::vector<WinsockResetStep> WinsockResetSteps(const std::string& tempFolder);

}  // namespace plover
