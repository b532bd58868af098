#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace plover {

// A text that one thread may replace while another reads it. The window
// reads the snapshot path when it closes, and a close may come while the
// run's first stage is writing a new snapshot; a plain string read then
// could see half of the new value.
class SharedText {
public:
    SharedText() = default;
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    SharedText& operator=(std::string text) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ = std::move(text);
        return *this;
    }
    // A copy taken under the lock.
    operator std::string() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    bool empty() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_.empty();
    }
    friend bool operator==(const SharedText& shared, std::string_view text) {
        return std::string(shared) == text;
    }
    friend bool operator!=(const SharedText& shared, std::string_view text) {
        return !(shared == text);
    }
    friend std::ostream& operator<<(std::ostream& out, const SharedText& shared) {
        return out << std::string(shared);
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace plover
