#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace plover {

// Version codes the rest of the program branches on.
namespace WindowsVersion {
constexpr int32_t Unknown = 800;
constexpr int32_t Windows95 = 950;
constexpr int32_t Windows98 = 980;
constexpr int32_t WindowsMe = 999;
constexpr int32_t WindowsNT3 = 1351;
constexpr int32_t WindowsNT4 = 1400;
constexpr int32_t Windows2000 = 2000;
constexpr int32_t WindowsXP = 2010;
constexpr int32_t WindowsVista = 3000;
}  // namespace WindowsVersion

int32_t GetWindowsVersionCode(const Platform& os);
std::string GetServicePackText(const Platform& os);
// The version the system really is, as "major.minor.build" ("unknown" when
// not even the basic query answers). Every decision the version code drives
// stays with the code; this serves the log and the few choices that protect
// the machine.
std::string TrueWindowsVersionText(const Platform& os);
// Windows 7 or later by the true version: systems whose catalogs hold more
// than the Vista export texts can put back.
bool IsWindows7OrLater(const Platform& os);
// The user's temporary folder with its trailing backslash.
std::string GetTempFolder(const Platform& os);

}  // namespace plover
