#pragma once

#include "platform/Platform.h"

namespace plover {

// The registry export files the Winsock reset imports, in the temporary folder.
constexpr const char* Winsock2RegFileName = "winsok2.reg";
constexpr const char* WinsockRegFileName = "winsok.reg";

// Windows XP from Service Pack 2 on, and Windows Vista: the systems whose
// Winsock keys the reset knows how to restore.
bool IsOsSuitableForRepair2(const Platform& os);

// Removes both export files, logging each one that existed.
void DeleteWinsockRegFiles(const Platform& os);

}  // namespace plover
