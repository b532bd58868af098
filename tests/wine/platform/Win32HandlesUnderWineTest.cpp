// The RAII aliases on the real system: each starts empty with the empty value
// of its kind, and lets its resource go exactly when it is reset or leaves.
#include <gtest/gtest.h>

#include "platform/win32/Win32Handles.h"

namespace plover {
namespace {

using namespace win32;

TEST(Win32HandlesUnderWine, EachKindIsEmptyWithItsOwnEmptyValue) {
    EXPECT_EQ(UniqueHandle().get(), nullptr);
    EXPECT_EQ(UniqueFileHandle().get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(UniqueSocket().get(), INVALID_SOCKET);
    EXPECT_EQ(UniqueWindow().get(), nullptr);
    EXPECT_EQ(UniqueInternetHandle().get(), nullptr);
    // A failed CreateFile gives the empty value: nothing to close.
    UniqueFileHandle missing(CreateFileA("C:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
}

TEST(Win32HandlesUnderWine, HandlesSocketsAndWindowsGoWhenReset) {
    UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE raw = event.get();
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(raw, &flags));
    event.reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags));

    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    {
        UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
        const SOCKET rawSocket = socket.get();
        int type = 0;
        int size = sizeof type;
        ASSERT_EQ(getsockopt(rawSocket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size),
                  0);
        socket.reset();
        EXPECT_EQ(getsockopt(rawSocket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &size),
                  SOCKET_ERROR);
    }
    WSACleanup();

    HWND window = nullptr;
    {
        UniqueWindow owned(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                           GetModuleHandleA(nullptr), nullptr));
        window = owned.get();
        ASSERT_TRUE(IsWindow(window));
    }
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace plover
