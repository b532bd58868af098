#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plover {

// Reads a byte buffer that it does not own. Every fetch checks what remains
// and fails without moving when the buffer is too short; numbers are read in
// network order (big-endian).
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Size() const { return size_; }
    size_t Pos() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool Seek(size_t pos) {
        if (pos > size_) return false;
        pos_ = pos;
        return true;
    }

    // The same bytes up to end (at most Size()), read from the start.
    ByteReader Prefix(size_t end) const { return ByteReader(data_, end < size_ ? end : size_); }

    bool ReadU8(uint8_t& value) {
        if (Remaining() < 1) return false;
        value = data_[pos_++];
        return true;
    }
    bool ReadU16(uint16_t& value) {
        if (Remaining() < 2) return false;
        value = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return true;
    }
    bool ReadU32(uint32_t& value) {
        if (Remaining() < 4) return false;
        value = static_cast<uint32_t>(data_[pos_]) << 24 |
                static_cast<uint32_t>(data_[pos_ + 1]) << 16 |
                static_cast<uint32_t>(data_[pos_ + 2]) << 8 | data_[pos_ + 3];
        pos_ += 4;
        return true;
    }
    bool ReadText(size_t count, std::string& text) {
        if (Remaining() < count) return false;
        text.assign(reinterpret_cast<const char*>(data_ + pos_), count);
        pos_ += count;
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace plover
