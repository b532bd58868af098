#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <cstdint>

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

namespace {

class Win32OpenFile : public OpenFile {
public:
    explicit Win32OpenFile(UniqueFileHandle handle) : handle_(std::move(handle)) {}

    std::optional<uint64_t> SeekToEnd() override {
        LARGE_INTEGER zero{};
        LARGE_INTEGER position{};
        if (!::SetFilePointerEx(handle_.get(), zero, &position, FILE_END)) return std::nullopt;
        return static_cast<uint64_t>(position.QuadPart);
    }

    bool SeekToStart() override {
        LARGE_INTEGER zero{};
        return ::SetFilePointerEx(handle_.get(), zero, nullptr, FILE_BEGIN) != 0;
    }

    bool SeekTo(uint64_t position) override {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(position);
        return ::SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN) != 0;
    }

    std::optional<std::string> ReadToEnd() override { return ReadAtMost(SIZE_MAX); }

    std::optional<std::string> ReadAtMost(size_t limit) override {
        std::string content;
        char buffer[65536];
        while (content.size() < limit) {
            const size_t wanted = std::min(sizeof buffer, limit - content.size());
            DWORD read = 0;
            if (!::ReadFile(handle_.get(), buffer, static_cast<DWORD>(wanted), &read, nullptr))
                return std::nullopt;
            if (read == 0) break;
            content.append(buffer, read);
        }
        return content;
    }

    bool Write(std::string_view bytes) override {
        DWORD written = 0;
        if (bytes.empty()) return true;
        return ::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) &&
               written == bytes.size();
    }

    bool Truncate() override { return ::SetEndOfFile(handle_.get()) != 0; }

private:
    UniqueFileHandle handle_;
};

DWORD AccessRights(FileAccess access) {
    return access == FileAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
}

DWORD ShareMode(FileShare share) {
    switch (share) {
        case FileShare::None:
            return 0;
        case FileShare::Read:
            return FILE_SHARE_READ;
        case FileShare::ReadWrite:
            return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
    return 0;
}

DWORD Disposition(FileDisposition disposition) {
    switch (disposition) {
        case FileDisposition::OpenExisting:
            return OPEN_EXISTING;
        case FileDisposition::OpenAlways:
            return OPEN_ALWAYS;
        case FileDisposition::CreateAlways:
            return CREATE_ALWAYS;
    }
    return OPEN_EXISTING;
}

}  // namespace

std::unique_ptr<OpenFile> Win32FileSystem::Open(const std::string& path, FileAccess access,
                                                FileShare share, FileDisposition disposition) {
    UniqueFileHandle handle(::CreateFileA(path.c_str(), AccessRights(access), ShareMode(share),
                                          nullptr, Disposition(disposition), FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
    if (!handle) return nullptr;
    return std::make_unique<Win32OpenFile>(std::move(handle));
}

bool Win32FileSystem::Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::Delete(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::Copy(const std::string& from, const std::string& to, bool overwrite) {
    return ::CopyFileA(from.c_str(), to.c_str(), overwrite ? FALSE : TRUE) != 0;
}

std::optional<uint32_t> Win32FileSystem::Attributes(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<uint32_t>(attributes);
}

bool Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    return ::SetFileAttributesA(path.c_str(), attributes == 0
                                                  ? FILE_ATTRIBUTE_NORMAL
                                                  : static_cast<DWORD>(attributes)) != 0;
}

bool Win32FileSystem::Replace(const std::string& from, const std::string& to) {
    // A rename within one folder: the old file is there until the new one
    // takes its name.
    return ::MoveFileExA(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace plover::win32
