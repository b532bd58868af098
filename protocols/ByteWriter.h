#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace plover {

// Writes into a fixed buffer that it does not own. Every put checks the room
// left and fails without writing; numbers go out in network order.
class ByteWriter {
public:
    ByteWriter(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

    size_t Pos() const { return pos_; }

    bool PutU8(uint8_t value) {
        if (capacity_ - pos_ < 1) return false;
        data_[pos_++] = value;
        return true;
    }
    bool PutU16(uint16_t value) {
        if (capacity_ - pos_ < 2) return false;
        data_[pos_++] = static_cast<uint8_t>(value >> 8);
        data_[pos_++] = static_cast<uint8_t>(value);
        return true;
    }
    bool PutText(std::string_view text) {
        if (capacity_ - pos_ < text.size()) return false;
        for (char c : text) data_[pos_++] = static_cast<uint8_t>(c);
        return true;
    }

private:
    uint8_t* data_;
    size_t capacity_;
    size_t pos_ = 0;
};

}  // namespace plover
