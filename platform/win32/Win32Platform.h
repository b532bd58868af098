#pragma once

#include "platform/Platform.h"
#include "platform/win32/Win32AdapterTable.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32FirewallManager.h"
#include "platform/win32/Win32NetworkConnections.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/WinInetTransport.h"
#include "platform/win32/WinsockSockets.h"

namespace plover::win32 {

// The real Windows behind every platform interface; built once by the entry
// point and handed to everything that needs the OS.
class Win32Platform {
public:
    Win32Platform()
        : os_{clock_,   debug_,    files_,       registry_, processes_, system_,
              adapters_, connections_, sockets_, http_,     firewall_} {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    const Platform& Os() const { return os_; }

private:
    Win32Clock clock_;
    Win32DebugOutput debug_;
    Win32FileSystem files_;
    Win32Registry registry_;
    Win32Processes processes_;
    Win32SystemInfo system_;
    Win32AdapterTable adapters_;
    Win32NetworkConnections connections_;
    WinsockSockets sockets_;
    WinInetTransport http_;
    Win32FirewallManager firewall_;
    Platform os_;
};

}  // namespace plover::win32
