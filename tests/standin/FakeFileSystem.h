#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace plover::standin {

// Files keyed by Windows path text (case-insensitive), with the sharing rules
// of CreateFile: a handle opened without sharing keeps every other opener out;
// one that shares reading only keeps out every opener that would write; a
// handle with write access lets in only openers that share writing; and no
// handle shares deleting, so an open file cannot be deleted. The attributes
// rule as on Windows: a read-only file cannot be opened for writing,
// emptied, deleted or replaced; a hidden or system file cannot be created
// anew over.
class FakeFileSystem : public FileSystem {
public:
    std::unique_ptr<OpenFile> Open(const std::string& path, FileAccess access, FileShare share,
                                   FileDisposition disposition) override;
    bool Exists(const std::string& path) override;
    bool Delete(const std::string& path) override;
    bool Copy(const std::string& from, const std::string& to, bool overwrite) override;
    std::optional<uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attributes) override;
    bool Replace(const std::string& from, const std::string& to) override;

    // Folders must exist for files to be created in them.
    void AddFolder(const std::string& path);
    void RemoveFolder(const std::string& path);
    void SetContent(const std::string& path, const std::string& content);
    // Empty when the file does not exist.
    std::string Content(const std::string& path) const;
    bool HasFile(const std::string& path) const;
    std::vector<std::string> FilesIn(const std::string& folder) const;

    // Another process holding the file open with the given sharing.
    std::unique_ptr<OpenFile> HoldOpen(const std::string& path, FileShare share);
    // Every open of this path fails, as for a file without access rights.
    void DenyAccess(const std::string& path);
    // Writes to this path fail (a full disk).
    void FailWrites(const std::string& path);
    // The disk under this folder has only this many bytes left for growing
    // its files: a write writes what fits and fails when not all of it did,
    // as a full disk does; shrinking or deleting a file gives room back.
    void SetFreeSpace(const std::string& folder, uint64_t bytes);
    uint64_t FreeSpace(const std::string& folder) const;
    // The read-only attribute: opens for writing, emptying and deleting fail.
    void MakeReadOnly(const std::string& path);
    // Adds attributes to an existing file (FileAttribute bits).
    void AddAttributes(const std::string& path, uint32_t attributes);
    // Another program acts once, right after the next handle of this
    // (existing) file is closed: the moment between two opens.
    void AfterNextClose(const std::string& path, std::function<void()> action);
    // The most bytes any single read of this path returned.
    size_t LargestRead(const std::string& path) const;

    struct Node;

private:
    friend class FakeOpenFile;
    struct Handle {
        FileAccess access;
        FileShare share;
    };
    bool SharingAllows(const Node& node, FileAccess access, FileShare share) const;
    // Takes room for growing the file by wanted bytes; what it got.
    size_t Room(const std::string& key, size_t wanted);
    void GiveRoom(const std::string& key, size_t bytes);
    std::shared_ptr<Node> Find(const std::string& key) const;
    bool Has(const std::string& key, uint32_t attribute) const;

    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::shared_ptr<Node>> files_;
    std::set<std::string> folders_;
    std::set<std::string> denied_;
    std::set<std::string> failingWrites_;
    std::map<std::string, uint32_t> attributes_;  // by file key; absent: none
    std::map<std::string, uint64_t> freeSpace_;   // by folder key; absent: unlimited
    std::map<std::string, size_t> largestReads_;
};

}  // namespace plover::standin
