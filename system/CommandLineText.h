#pragma once

#include <string>

#include "system/ProgramRunner.h"

namespace plover {

// A path as one argument of a command line. The temporary folder of a
// Windows XP user lies under "Documents and Settings"; unquoted, its blanks
// would split the argument (or the "> file" redirection) in two. Paths
// without a blank stay exactly as they are.
std::string CommandLinePath(const std::string& path);

// Command lines run through "cmd.exe" whose file arguments lie in one folder
// (given with its trailing backslash). A folder whose path holds a character
// that cmd.exe acts on (& | < > ^ ( ) end or redirect a command; % and !
// expand variables, inside quotes too) would let the folder's name run
// commands of its own: such a folder stays out of the line altogether, and
// the program runs in it and names its files bare. Any other folder is
// named in full, exactly as CommandLinePath gives it.
class FolderCommands {
public:
    explicit FolderCommands(std::string folder);

    // The argument that names a file of the folder.
    std::string File(const std::string& name) const;
    // The line, with the folder to run it in when it names files bare.
    ProgramCommand Command(std::string line) const;

private:
    std::string folder_;
    bool bare_;
};

}  // namespace plover
