#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plover {

enum class FileAccess { Read, ReadWrite };

// What other openers of the same file are allowed while this handle is open.
// None lets them delete or rename it.
enum class FileShare {
    None,       // nobody else may open it
    Read,       // others may read, nobody else may write ("denying writers")
    ReadWrite,  // others may read and write
};

enum class FileDisposition {
    OpenExisting,  // fail when the file is missing
    OpenAlways,    // open, or create an empty one
    CreateAlways,  // create, emptying an existing file
};

// File attributes, with their Windows numbers.
namespace FileAttribute {
constexpr uint32_t ReadOnly = 0x1;
constexpr uint32_t Hidden = 0x2;
constexpr uint32_t System = 0x4;
}  // namespace FileAttribute

// One open file; closing it is its destruction.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Moves to the end; the new position is the file's size.
    virtual std::optional<uint64_t> SeekToEnd() = 0;
    virtual bool SeekToStart() = 0;
    // Moves to this many bytes from the start.
    virtual bool SeekTo(uint64_t position) = 0;
    // Reads from the current position to the end of the file.
    virtual std::optional<std::string> ReadToEnd() = 0;
    // Reads from the current position to the end of the file, but never more
    // than limit bytes.
    virtual std::optional<std::string> ReadAtMost(size_t limit) = 0;
    // Writes all bytes at the current position in one write. False when not
    // all of them were written; some may have been (a full disk), and the
    // position is then past those.
    virtual bool Write(std::string_view bytes) = 0;
    // Ends the file at the current position.
    virtual bool Truncate() = 0;
};

// Files by Windows path text.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual std::unique_ptr<OpenFile> Open(const std::string& path, FileAccess access,
                                           FileShare share, FileDisposition disposition) = 0;
    virtual bool Exists(const std::string& path) = 0;
    virtual bool Delete(const std::string& path) = 0;
    virtual bool Copy(const std::string& from, const std::string& to, bool overwrite) = 0;
    // The file's attributes (FileAttribute bits, among others the system's
    // own); none when there is no such file.
    virtual std::optional<uint32_t> Attributes(const std::string& path) = 0;
    // Sets them; 0 makes a plain file.
    virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
    // Moves from into the place of to in one step, replacing a file there:
    // to is never missing and never half written. Fails on a read-only to.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
};

}  // namespace plover
