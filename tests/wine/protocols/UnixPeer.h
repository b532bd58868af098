#pragma once

// A Linux program started from a Windows test under Wine (Wine runs Unix
// programs handed to CreateProcess), as a peer on the loopback. It lives at
// most its lifetime and is ended by its pid when the object goes.
#include <windows.h>
#include <winsock2.h>

#include <fstream>
#include <string>

#ifndef PLOVER_SOURCE_DIR
#error "PLOVER_SOURCE_DIR must name the source tree"
#endif

namespace plover::winetest {

inline bool RunUnix(const std::string& commandLine, DWORD waitMilliseconds) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    if (waitMilliseconds > 0) ::WaitForSingleObject(process.hProcess, waitMilliseconds);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

inline std::string SourcePath(const std::string& relative) {
    return std::string(PLOVER_SOURCE_DIR) + "/" + relative;
}

class UnixPeer {
public:
    UnixPeer(const std::string& name, const std::string& program, int lifetimeSeconds) {
        pidFile_ = "/tmp/plover-wine-" + name + "-" + std::to_string(::GetCurrentProcessId());
        started_ = RunUnix(SourcePath("tests/lab/lib/run-peer.sh") + " " + pidFile_ + " " +
                               std::to_string(lifetimeSeconds) + " " + program,
                           0);
    }
    ~UnixPeer() {
        std::string windowsPath = "Z:" + pidFile_;
        for (auto& c : windowsPath) {
            if (c == '/') c = '\\';
        }
        std::ifstream file(windowsPath);
        std::string pid;
        if (file >> pid) RunUnix("/bin/kill -TERM " + pid, 5000);
        file.close();
        ::DeleteFileA(windowsPath.c_str());
    }
    UnixPeer(const UnixPeer&) = delete;
    UnixPeer& operator=(const UnixPeer&) = delete;
    bool Started() const { return started_; }

private:
    std::string pidFile_;
    bool started_ = false;
};

// A port on 127.0.0.1 that nobody used a moment ago.
inline int FreePort(int type) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(s);
    ::WSACleanup();
    return ntohs(address.sin_port);
}

// Waits (at most five seconds) until a TCP port on 127.0.0.1 accepts.
inline bool AwaitTcpPort(int port) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    bool open = false;
    for (int i = 0; i < 100 && !open; ++i) {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        open = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::closesocket(s);
        if (!open) ::Sleep(50);
    }
    ::WSACleanup();
    return open;
}

}  // namespace plover::winetest
