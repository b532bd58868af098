#pragma once

#include "platform/FileSystem.h"

namespace plover::win32 {

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<OpenFile> Open(const std::string& path, FileAccess access, FileShare share,
                                   FileDisposition disposition) override;
    bool Exists(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Copy(const std::string& from, const std::string& to, bool overwrite) override;
    std::optional<uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attributes) override;
    bool Replace(const std::string& from, const std::string& to) override;
};

}  // namespace plover::win32
