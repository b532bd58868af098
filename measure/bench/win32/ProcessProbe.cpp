// Looks at another program of the same Wine session from the inside, as a
// Windows tool would.
//   plover_process_probe.exe counts EXE        "working_set_kib=N peak_kib=N handles=N threads=N"
//   plover_process_probe.exe handle-types EXE  "KIND N" per kind of object held (a key with its
//   path) plover_process_probe.exe close EXE         WM_CLOSE to its visible windows; waits up to
//   10 s
// Wine 8.0 answers GetProcessHandleCount with 0; its system handle table
// (the wineserver's list of every process's handles) does tell, so the
// handles are counted there when the process's own count says nothing.
#include <windows.h>
// psapi.h and tlhelp32.h need windows.h first.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace {

using namespace plover;

// A snapshot's empty value is INVALID_HANDLE_VALUE, a process's is NULL.
using Snapshot = win32::UniqueFileHandle;
using Handle = win32::UniqueHandle;

std::vector<DWORD> ProcessesNamed(const std::string& exe) {
    std::vector<DWORD> found;
    Snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, exe.c_str()) == 0) found.push_back(entry.th32ProcessID);
    }
    return found;
}

// The threads the system lists for the process, or -1 without a list.
long ThreadsOf(DWORD id) {
    Snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return -1;
    long count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == id) ++count;
    }
    return count;
}

template <typename Function>
Function Ntdll(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)))
                 : nullptr;
}

// The system handle table as NtQuerySystemInformation(SystemHandleInformation)
// returns it; the entry layout is the documented one.
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectTypeIndex;
    UCHAR handleAttributes;
    USHORT handleValue;
    PVOID object;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

// The values of the handles the system table lists for the process; false
// without a table.
bool HandlesInSystemTable(DWORD id, std::vector<USHORT>& values) {
    const auto query = Ntdll<QuerySystemInformation>("NtQuerySystemInformation");
    if (!query) return false;
    std::vector<unsigned char> buffer(1 << 16);
    // The table grows while it is read; a few tries with a bigger buffer.
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        LONG status = query(kSystemHandleInformation, buffer.data(),
                            static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return false;
        const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
        const size_t fits = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
        values.clear();
        for (size_t i = 0; i < table->count && i < fits; ++i) {
            if (table->entries[i].processId == static_cast<USHORT>(id)) {
                values.push_back(table->entries[i].handleValue);
            }
        }
        return true;
    }
    return false;
}

// What kind of object a handle of another process stands for: a copy of
// it in this process, asked with NtQueryObject(ObjectTypeInformation).
using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
struct CountedText {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

std::string TextOf(const unsigned char* buffer) {
    const auto* name = reinterpret_cast<const CountedText*>(buffer);
    std::string text;
    for (USHORT i = 0; name->buffer && i < name->length / 2; ++i) {
        text += static_cast<char>(name->buffer[i] < 128 ? name->buffer[i] : '?');
    }
    return text;
}

// The handle's kind, and for a registry key its path too: a key left open
// is told by its name. (Other names are not asked: a pipe's may block.)
std::string KindOf(HANDLE process, USHORT value, QueryObject query) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)),
                         GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return "(not copied)";
    }
    Handle owned(copy);
    alignas(8) unsigned char buffer[2048];
    ULONG length = 0;
    if (!query || query(owned.get(), kObjectTypeInformation, buffer, sizeof buffer, &length) < 0) {
        return "(no type)";
    }
    std::string kind = TextOf(buffer);
    if (kind.empty()) return "(no type)";
    if (kind == "Key" &&
        query(owned.get(), kObjectNameInformation, buffer, sizeof buffer, &length) >= 0) {
        kind += " " + TextOf(buffer);
    }
    return kind;
}

// "KIND COUNT" lines, one per kind of object the process holds handles to
// (registry keys one per path).
int HandleTypes(DWORD id) {
    std::vector<USHORT> values;
    Handle process(OpenProcess(PROCESS_DUP_HANDLE, FALSE, id));
    if (!process || !HandlesInSystemTable(id, values)) return 1;
    const auto query = Ntdll<QueryObject>("NtQueryObject");
    std::map<std::string, int> counts;
    for (USHORT value : values) ++counts[KindOf(process.get(), value, query)];
    for (const auto& [type, count] : counts) std::printf("%s %d\n", type.c_str(), count);
    return 0;
}

int Counts(DWORD id) {
    Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    PROCESS_MEMORY_COUNTERS counters{};
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) {
        std::fprintf(stderr, "no memory counters for process %lu (error %lu)\n",
                     static_cast<unsigned long>(id), static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    std::printf("working_set_kib=%llu peak_kib=%llu",
                static_cast<unsigned long long>(counters.WorkingSetSize / 1024),
                static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024));
    // A count of 0 is no answer: every running process holds some handle.
    DWORD handles = 0;
    std::vector<USHORT> listed;
    if (GetProcessHandleCount(process.get(), &handles) && handles > 0) {
        std::printf(" handles=%lu handles_from=process", static_cast<unsigned long>(handles));
    } else if (HandlesInSystemTable(id, listed) && !listed.empty()) {
        std::printf(" handles=%zu handles_from=system-table", listed.size());
    } else {
        std::printf(" handles=unknown");
    }
    std::printf(" threads=%ld\n", ThreadsOf(id));
    return 0;
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

int Close(DWORD id) {
    Handle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (!process) return 1;
    EnumWindows(&CloseWindowOf, static_cast<LPARAM>(id));
    return WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s counts|handle-types|close EXE\n", argv[0]);
        return 2;
    }
    const std::string command = argv[1];
    const auto processes = ProcessesNamed(argv[2]);
    if (processes.size() != 1) {
        std::fprintf(stderr, "%zu processes named %s\n", processes.size(), argv[2]);
        return 1;
    }
    if (command == "counts") return Counts(processes.front());
    if (command == "handle-types") return HandleTypes(processes.front());
    if (command == "close") return Close(processes.front());
    std::fprintf(stderr, "no command '%s'\n", command.c_str());
    return 2;
}
