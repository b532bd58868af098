#include "tests/standin/FakeFileSystem.h"

#include <algorithm>
#include <list>

namespace plover::standin {

namespace {
std::string Key(const std::string& path) {
    std::string key = path;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
        return static_cast<char>(c == '/' ? '\\' : std::tolower(c));
    });
    while (key.size() > 3 && key.back() == '\\') key.pop_back();
    return key;
}

std::string Parent(const std::string& key) {
    const size_t slash = key.find_last_of('\\');
    if (slash == std::string::npos) return {};
    return key.substr(0, slash == 2 ? 3 : slash);
}

bool Reads(FileAccess) { return true; }
bool Writes(FileAccess access) { return access == FileAccess::ReadWrite; }
bool ShareAllowsRead(FileShare share) { return share != FileShare::None; }
bool ShareAllowsWrite(FileShare share) { return share == FileShare::ReadWrite; }
}  // namespace

struct FakeFileSystem::Node {
    std::string content;
    std::list<Handle*> handles;
    std::string key;
    bool failWrites = false;
    std::function<void()> afterClose;
};

class FakeOpenFile : public OpenFile {
public:
    FakeOpenFile(FakeFileSystem& fs, std::shared_ptr<FakeFileSystem::Node> node, FileAccess access,
                 FileShare share)
        : fs_(fs), node_(std::move(node)), handle_{access, share} {
        node_->handles.push_back(&handle_);
    }
    ~FakeOpenFile() override {
        std::function<void()> afterClose;
        {
            std::lock_guard<std::recursive_mutex> lock(fs_.mutex_);
            node_->handles.remove(&handle_);
            afterClose = std::move(node_->afterClose);
            node_->afterClose = nullptr;
        }
        if (afterClose) afterClose();
    }
    std::optional<uint64_t> SeekToEnd() override {
        std::lock_guard<std::recursive_mutex> lock(fs_.mutex_);
        position_ = node_->content.size();
        return position_;
    }
    bool SeekToStart() override {
        position_ = 0;
        return true;
    }
    bool SeekTo(uint64_t position) override {
        position_ = static_cast<size_t>(position);
        return true;
    }
    std::optional<std::string> ReadToEnd() override { return ReadAtMost(std::string::npos); }
    std::optional<std::string> ReadAtMost(size_t limit) override {
        std::lock_guard<std::recursive_mutex> lock(fs_.mutex_);
        if (position_ >= node_->content.size()) return std::string();
        std::string rest = node_->content.substr(position_, limit);
        position_ += rest.size();
        size_t& largest = fs_.largestReads_[node_->key];
        largest = std::max(largest, rest.size());
        return rest;
    }
    bool Write(std::string_view bytes) override {
        std::lock_guard<std::recursive_mutex> lock(fs_.mutex_);
        if (!Writes(handle_.access) || node_->failWrites) return false;
        std::string& content = node_->content;
        const size_t end = position_ + bytes.size();
        const size_t growth = end > content.size() ? end - content.size() : 0;
        const size_t room = fs_.Room(node_->key, growth);
        const size_t written = bytes.size() - (growth - room);
        if (content.size() < position_ + written) content.resize(position_ + written);
        content.replace(position_, written, bytes.substr(0, written));
        position_ += written;
        return written == bytes.size();
    }
    bool Truncate() override {
        std::lock_guard<std::recursive_mutex> lock(fs_.mutex_);
        if (!Writes(handle_.access)) return false;
        const size_t size = node_->content.size();
        if (position_ < size) fs_.GiveRoom(node_->key, size - position_);
        node_->content.resize(std::min<size_t>(position_, size));
        return true;
    }

private:
    FakeFileSystem& fs_;
    std::shared_ptr<FakeFileSystem::Node> node_;
    FakeFileSystem::Handle handle_;
    size_t position_ = 0;
};

bool FakeFileSystem::Has(const std::string& key, uint32_t attribute) const {
    const auto it = attributes_.find(key);
    return it != attributes_.end() && (it->second & attribute) != 0;
}

std::shared_ptr<FakeFileSystem::Node> FakeFileSystem::Find(const std::string& key) const {
    const auto it = files_.find(key);
    return it == files_.end() ? nullptr : it->second;
}

bool FakeFileSystem::SharingAllows(const Node& node, FileAccess access, FileShare share) const {
    for (const Handle* other : node.handles) {
        if (Reads(access) && !ShareAllowsRead(other->share)) return false;
        if (Writes(access) && !ShareAllowsWrite(other->share)) return false;
        if (Reads(other->access) && !ShareAllowsRead(share)) return false;
        if (Writes(other->access) && !ShareAllowsWrite(share)) return false;
    }
    return true;
}

std::unique_ptr<OpenFile> FakeFileSystem::Open(const std::string& path, FileAccess access,
                                               FileShare share, FileDisposition disposition) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    if (denied_.count(key)) return nullptr;
    if (Has(key, FileAttribute::ReadOnly) && Writes(access)) return nullptr;
    auto node = Find(key);
    if (!node) {
        if (disposition == FileDisposition::OpenExisting) return nullptr;
        if (!folders_.count(Parent(key))) return nullptr;
        node = std::make_shared<Node>();
        node->key = key;
        node->failWrites = failingWrites_.count(key) > 0;
        files_[key] = node;
    } else {
        if (!SharingAllows(*node, access, share)) return nullptr;
        if (disposition == FileDisposition::CreateAlways) {
            if (!Writes(access)) return nullptr;
            if (Has(key, FileAttribute::Hidden | FileAttribute::System)) return nullptr;
            GiveRoom(key, node->content.size());
            node->content.clear();
        }
    }
    return std::make_unique<FakeOpenFile>(*this, node, access, share);
}

bool FakeFileSystem::Exists(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    return files_.count(key) > 0 || folders_.count(key) > 0;
}

bool FakeFileSystem::Delete(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    const auto node = Find(key);
    if (!node || denied_.count(key) || Has(key, FileAttribute::ReadOnly) ||
        !node->handles.empty()) {
        return false;
    }
    GiveRoom(key, node->content.size());
    files_.erase(key);
    attributes_.erase(key);
    return true;
}

bool FakeFileSystem::Copy(const std::string& from, const std::string& to, bool overwrite) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto source = Find(Key(from));
    if (!source || denied_.count(Key(from))) return false;
    if (!overwrite && HasFile(to)) return false;
    auto target = Open(to, FileAccess::ReadWrite, FileShare::None, FileDisposition::CreateAlways);
    if (!target || !target->Write(source->content)) return false;
    // The copy takes the source's attributes, as CopyFile gives them.
    const auto attributes = attributes_.find(Key(from));
    if (attributes != attributes_.end()) attributes_[Key(to)] = attributes->second;
    return true;
}

std::optional<uint32_t> FakeFileSystem::Attributes(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    if (!Find(key) || denied_.count(key)) return std::nullopt;
    const auto it = attributes_.find(key);
    return it == attributes_.end() ? 0u : it->second;
}

bool FakeFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    if (!Find(key) || denied_.count(key)) return false;
    attributes_[key] = attributes;
    return true;
}

bool FakeFileSystem::Replace(const std::string& from, const std::string& to) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string source = Key(from);
    const std::string target = Key(to);
    const auto node = Find(source);
    if (!node || denied_.count(source) || denied_.count(target) || !node->handles.empty()) {
        return false;
    }
    if (!folders_.count(Parent(target))) return false;
    if (const auto old = Find(target)) {
        if (Has(target, FileAttribute::ReadOnly) || !old->handles.empty()) return false;
        GiveRoom(target, old->content.size());
    }
    files_.erase(source);
    node->key = target;
    files_[target] = node;
    attributes_.erase(target);
    const auto attributes = attributes_.find(source);
    if (attributes != attributes_.end()) {
        attributes_[target] = attributes->second;
        attributes_.erase(attributes);
    }
    return true;
}

void FakeFileSystem::AddFolder(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::string key = Key(path);
    while (!key.empty()) {
        folders_.insert(key);
        const std::string parent = Parent(key);
        if (parent == key) break;
        key = parent;
    }
}

void FakeFileSystem::RemoveFolder(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    folders_.erase(Key(path));
}

void FakeFileSystem::SetContent(const std::string& path, const std::string& content) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    AddFolder(Parent(key));
    auto node = Find(key);
    if (!node) {
        node = std::make_shared<Node>();
        node->key = key;
        files_[key] = node;
    }
    node->content = content;
}

std::string FakeFileSystem::Content(const std::string& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto node = Find(Key(path));
    return node ? node->content : std::string();
}

bool FakeFileSystem::HasFile(const std::string& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return files_.count(Key(path)) > 0;
}

std::vector<std::string> FakeFileSystem::FilesIn(const std::string& folder) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string prefix = Key(folder) + "\\";
    std::vector<std::string> names;
    for (const auto& [key, node] : files_) {
        if (key.compare(0, prefix.size(), prefix) == 0 &&
            key.find('\\', prefix.size()) == std::string::npos) {
            names.push_back(key.substr(prefix.size()));
        }
    }
    return names;
}

std::unique_ptr<OpenFile> FakeFileSystem::HoldOpen(const std::string& path, FileShare share) {
    return Open(path, FileAccess::ReadWrite, share, FileDisposition::OpenAlways);
}

void FakeFileSystem::DenyAccess(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    denied_.insert(Key(path));
}

void FakeFileSystem::AfterNextClose(const std::string& path, std::function<void()> action) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (auto node = Find(Key(path))) node->afterClose = std::move(action);
}

size_t FakeFileSystem::LargestRead(const std::string& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto it = largestReads_.find(Key(path));
    return it == largestReads_.end() ? 0 : it->second;
}

void FakeFileSystem::FailWrites(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const std::string key = Key(path);
    failingWrites_.insert(key);
    if (auto node = Find(key)) node->failWrites = true;
}

void FakeFileSystem::SetFreeSpace(const std::string& folder, uint64_t bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    freeSpace_[Key(folder)] = bytes;
}

uint64_t FakeFileSystem::FreeSpace(const std::string& folder) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto it = freeSpace_.find(Key(folder));
    return it == freeSpace_.end() ? UINT64_MAX : it->second;
}

void FakeFileSystem::MakeReadOnly(const std::string& path) {
    AddAttributes(path, FileAttribute::ReadOnly);
}

void FakeFileSystem::AddAttributes(const std::string& path, uint32_t attributes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    attributes_[Key(path)] |= attributes;
}

size_t FakeFileSystem::Room(const std::string& key, size_t wanted) {
    const auto it = freeSpace_.find(Parent(key));
    if (it == freeSpace_.end()) return wanted;
    const size_t room = static_cast<size_t>(std::min<uint64_t>(wanted, it->second));
    it->second -= room;
    return room;
}

void FakeFileSystem::GiveRoom(const std::string& key, size_t bytes) {
    const auto it = freeSpace_.find(Parent(key));
    if (it != freeSpace_.end()) it->second += bytes;
}

}  // namespace plover::standin
