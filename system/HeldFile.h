#pragma once

#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace plover {

// Writes text as the whole file at path and holds the file open so that
// others may read it, but nobody may write, replace or delete it while the
// returned handle lives. Nothing when the file cannot be written, another
// program holds it open for writing, or it no longer holds exactly text when
// the hold begins.
std::unique_ptr<OpenFile> WriteAndHoldFile(FileSystem& files, const std::string& path,
                                           const std::string& text);

}  // namespace plover
