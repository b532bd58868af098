// The lab's other process on the computer: it opens the file it is given
// without sharing, as a virus scanner or a backup program may, and keeps it
// until the lab leaves C:\lab\hold.release (at most ten minutes). Once the
// file is held it leaves C:\lab\hold.ready, so the lab knows when to start.
//
//   holdfile PATH
#include <windows.h>

#include "LabRecord.h"

namespace {

constexpr int PollMilliseconds = 100;
constexpr int MaxPolls = 6000;

class HeldFile {
public:
    explicit HeldFile(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile() {
        if (held()) CloseHandle(handle_);
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    lab::RecordCall("holdfile", argc, argv);
    const HeldFile file(argv[1]);
    if (!file.held()) return 1;
    const std::string folder = lab::Folder;
    if (!lab::WriteTextFile(folder + "hold.ready", "")) return 1;
    for (int i = 0; i < MaxPolls && !lab::FileExists(folder + "hold.release"); ++i) {
        Sleep(PollMilliseconds);
    }
    return 0;
}
