#pragma once

#include <windows.h>

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

// One copy of the program per session: two would both repair the same
// machine at once, and one copy's close would delete the other's snapshot.
// The first copy holds a named mutex for its whole life; a later copy finds
// it taken, brings the first copy's window to the front and ends.
class SingleInstance {
public:
    SingleInstance();
    bool IsFirstCopy() const { return first_; }
    // The first copy's wizard, restored when minimised and put in front.
    static void ShowFirstCopy(const char* windowClass);

private:
    UniqueHandle mutex_;
    bool first_ = true;
};

}  // namespace plover::win32
