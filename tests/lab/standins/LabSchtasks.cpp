// The lab's task scheduler: "/create /tn NAME /tr COMMAND /sc onlogon" keeps
// COMMAND in C:\lab\tasks\NAME, "/delete /tn NAME /f" removes it. The lab
// runs every kept command at its next "log-on". It refuses what the real one
// refuses or what would never start: a program that is not there as the
// command names it (an unquoted path with blanks, a name other than the
// file's), and a task of an existing name without /f, where the real one
// would wait for an answer nobody gives.
#include <cstdio>
#include <cstring>
#include <string>

#include "LabRecord.h"

namespace {

// The value of a switch given as "/sw value" or "/sw:value".
std::string Switch(int argc, char** argv, const char* name) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (strncasecmp(argv[i], name, length) != 0) continue;
        if (argv[i][length] == ':') return argv[i] + length + 1;
        if (argv[i][length] == '\0' && i + 1 < argc) return argv[i + 1];
    }
    return "";
}

bool Has(int argc, char** argv, const char* word) {
    for (int i = 1; i < argc; ++i) {
        if (strcasecmp(argv[i], word) == 0) return true;
    }
    return false;
}

// The program a task command starts: the quoted path, or up to the first blank.
std::string CommandProgram(const std::string& command) {
    if (!command.empty() && command[0] == '"') {
        return command.substr(1, command.find('"', 1) - 1);
    }
    return command.substr(0, command.find(' '));
}

}  // namespace

int main(int argc, char** argv) {
    lab::RecordCall("schtasks", argc, argv);
    const std::string name = Switch(argc, argv, "/tn");
    if (name.empty() || name.find_first_of("\\/:*?\"<>|") != std::string::npos) return 1;
    const std::string task = std::string(lab::Folder) + "tasks\\" + name;
    if (Has(argc, argv, "/create")) {
        const std::string command = Switch(argc, argv, "/tr");
        if (command.empty() || strcasecmp(Switch(argc, argv, "/sc").c_str(), "onlogon") != 0) {
            return 1;
        }
        if (!lab::FileExists(CommandProgram(command))) {
            std::printf("ERROR: The program of the task cannot be found.\r\n");
            return 1;
        }
        if (lab::FileExists(task) && !Has(argc, argv, "/f")) {
            std::printf("WARNING: The task name \"%s\" already exists. Replace it (Y/N)? \r\n",
                        name.c_str());
            return 1;
        }
        return lab::WriteTextFile(task, command + "\r\n") ? 0 : 1;
    }
    if (Has(argc, argv, "/delete")) return std::remove(task.c_str()) == 0 ? 0 : 1;
    return 1;
}
