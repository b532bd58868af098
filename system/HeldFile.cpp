#include "system/HeldFile.h"

namespace plover {

std::unique_ptr<OpenFile> WriteAndHoldFile(FileSystem& files, const std::string& path,
                                           const std::string& text) {
    // A handle with write access would have to let every other opener write
    // as well, so the hold is a second, read-only handle that shares reading
    // only. Whatever happens between the two opens, the read back through
    // the held handle shows.
    {
        auto writer =
            files.Open(path, FileAccess::ReadWrite, FileShare::Read, FileDisposition::CreateAlways);
        if (!writer || !writer->Write(text)) return nullptr;
    }
    auto held = files.Open(path, FileAccess::Read, FileShare::Read, FileDisposition::OpenExisting);
    if (!held) return nullptr;
    const auto content = held->ReadAtMost(text.size() + 1);
    if (!content || *content != text || !held->SeekToStart()) return nullptr;
    return held;
}

}  // namespace plover
