#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace plover::win32 {

namespace {
// Calls an API of the GetTempPath kind (size in, needed size out) with a
// buffer that grows to fit, so long paths are not cut at 260 characters.
template <typename Query>
std::string GrowingQuery(Query query) {
    std::vector<char> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return {};
}

// An export looked up at run time: the function does not exist on every
// Windows the program starts on, and one missing import would stop it there.
template <typename Function>
Function SystemExport(const char* module, const char* name) {
    const HMODULE handle = ::GetModuleHandleA(module);
    if (!handle) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(handle, name)));
}
}  // namespace

std::optional<OsVersionInfo> Win32SystemInfo::GetVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info)) return std::nullopt;
#pragma GCC diagnostic pop
    return OsVersionInfo{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                         info.dwPlatformId, info.szCSDVersion};
}

std::optional<OsVersionInfo> Win32SystemInfo::TrueVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = SystemExport<RtlGetVersionFunction>("ntdll.dll", "RtlGetVersion");
    if (!rtlGetVersion) return GetVersion();
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) != 0) return GetVersion();
    std::string servicePack;
    for (const WCHAR* c = info.szCSDVersion; *c; ++c) {
        servicePack.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    }
    return OsVersionInfo{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                         info.dwPlatformId, servicePack};
}

bool Win32SystemInfo::RunsUnderWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, BOOL*);
    const auto isWow64Process =
        SystemExport<IsWow64ProcessFunction>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

bool Win32SystemInfo::HasAdministratorRights() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
        return true;
    }
    const std::unique_ptr<void, PVOID(WINAPI*)(PSID)> administrators(sid, ::FreeSid);
    BOOL member = FALSE;
    // The thread's token, or else the process's: a group present only to
    // deny access does not count.
    if (!::CheckTokenMembership(nullptr, administrators.get(), &member)) return true;
    return member != FALSE;
}

std::string Win32SystemInfo::TempPath() {
    return GrowingQuery([](char* b, DWORD n) { return ::GetTempPathA(n, b); });
}

std::string Win32SystemInfo::SystemDirectory() {
    return GrowingQuery([](char* b, DWORD n) { return ::GetSystemDirectoryA(b, n); });
}

std::string Win32SystemInfo::EnvironmentVariable(const std::string& name) {
    return GrowingQuery(
        [&name](char* b, DWORD n) { return ::GetEnvironmentVariableA(name.c_str(), b, n); });
}

std::string Win32SystemInfo::CurrentDirectory() {
    return GrowingQuery([](char* b, DWORD n) { return ::GetCurrentDirectoryA(n, b); });
}

std::string Win32SystemInfo::ExecutablePath() {
    std::vector<char> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

void Win32DebugOutput::Output(std::string_view text) {
    const std::string copy(text);
    ::OutputDebugStringA(copy.c_str());
}

}  // namespace plover::win32
