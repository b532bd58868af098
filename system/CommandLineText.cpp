#include "system/CommandLineText.h"

namespace plover {

std::string CommandLinePath(const std::string& path) {
    if (path.find(' ') == std::string::npos) return path;
    return "\"" + path + "\"";
}

}  // namespace plover
