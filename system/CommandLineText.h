#pragma once

#include <string>

namespace plover {

// A path as one argument of a command line. The temporary folder of a
// Windows XP user lies under "Documents and Settings"; unquoted, its blanks
// would split the argument (or the "> file" redirection) in two. Paths
// without a blank stay exactly as they are.
std::string CommandLinePath(const std::string& path);

}  // namespace plover
