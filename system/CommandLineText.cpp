#include "system/CommandLineText.h"

namespace plover {

std::string CommandLinePath(const std::string& path) {
    if (path.find(' ') == std::string::npos) return path;
    return "\"" + path + "\"";
}

FolderCommands::FolderCommands(std::string folder)
    : folder_(std::move(folder)), bare_(folder_.find_first_of("&|<>^()%!") != std::string::npos) {}

std::string FolderCommands::File(const std::string& name) const {
    return bare_ ? name : CommandLinePath(folder_ + name);
}

ProgramCommand FolderCommands::Command(std::string line) const {
    return ProgramCommand{std::move(line), bare_ ? folder_ : std::string()};
}

}  // namespace plover
