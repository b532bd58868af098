// The lab's task scheduler: "/create /tn NAME /tr:COMMAND /sc onlogon" keeps
// COMMAND in C:\lab\tasks\NAME, "/delete /tn NAME /f" removes it. The lab
// runs every kept command at its next "log-on".
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
        return lab::WriteTextFile(task, command + "\r\n") ? 0 : 1;
    }
    if (Has(argc, argv, "/delete")) return std::remove(task.c_str()) == 0 ? 0 : 1;
    return 1;
}
