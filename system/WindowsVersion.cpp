#include "system/WindowsVersion.h"

namespace plover {

namespace {
constexpr uint32_t PlatformWin9x = 1;
constexpr uint32_t PlatformNT = 2;

int32_t Win9xCode(uint32_t minor) {
    switch (minor) {
        case 0: return WindowsVersion::Windows95;
        case 10: return WindowsVersion::Windows98;
        case 90: return WindowsVersion::WindowsMe;
        default: return WindowsVersion::Unknown;
    }
}

int32_t NtCode(uint32_t major, uint32_t minor) {
    switch (major) {
        case 3: return WindowsVersion::WindowsNT3;
        case 4: return WindowsVersion::WindowsNT4;
        case 5: return minor == 0 ? WindowsVersion::Windows2000 : WindowsVersion::WindowsXP;
        case 6: return WindowsVersion::WindowsVista;
        default: return WindowsVersion::Unknown;
    }
}
}  // namespace

int32_t GetWindowsVersionCode(const Platform& os) {
    const auto version = os.system.GetVersion();
    if (!version) return WindowsVersion::Unknown;
    if (version->platformId == PlatformWin9x) return Win9xCode(version->minorVersion);
    if (version->platformId == PlatformNT) return NtCode(version->majorVersion, version->minorVersion);
    return WindowsVersion::Unknown;
}

std::string GetServicePackText(const Platform& os) {
    const auto version = os.system.GetVersion();
    if (!version) return "Call to GetVersionEx() failed.";
    if (version->servicePack.empty()) return "No Service Pack Installed";
    return version->servicePack;
}

std::string TrueWindowsVersionText(const Platform& os) {
    const auto version = os.system.TrueVersion();
    if (!version) return "unknown";
    return std::to_string(version->majorVersion) + "." + std::to_string(version->minorVersion) +
           "." + std::to_string(version->buildNumber);
}

bool IsWindows7OrLater(const Platform& os) {
    const auto version = os.system.TrueVersion();
    if (!version || version->platformId != PlatformNT) return false;
    return version->majorVersion > 6 || (version->majorVersion == 6 && version->minorVersion >= 1);
}

std::string GetTempFolder(const Platform& os) { return os.system.TempPath(); }

}  // namespace plover
