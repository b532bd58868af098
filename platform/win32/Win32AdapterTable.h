#pragma once

#include "platform/AdapterTable.h"

namespace plover::win32 {

// The IP helper's adapter table (GetAdaptersInfo).
class Win32AdapterTable : public AdapterTable {
public:
    AdapterTableAnswer ProbeSize(uint32_t statedSize) override;
    AdapterTableAnswer Read(uint32_t bufferSize) override;
};

}  // namespace plover::win32
