// The lab's netsh for a machine whose Winsock catalog is damaged: while the
// lab's marker file exists, every helper fails to load with error 10107, as
// netsh does on such a machine. "winsock reset" (with "catalog" as XP says
// it) mends the catalog (removes the marker) and reports it; "int ip reset" writes its log file.
// Firewall commands are recorded and succeed.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "LabRecord.h"

namespace {

const std::string CorruptedMarker = std::string(lab::Folder) + "winsock-corrupted";

bool Is(int argc, char** argv, std::initializer_list<const char*> words) {
    if (argc - 1 < static_cast<int>(words.size())) return false;
    int i = 1;
    for (const char* word : words) {
        if (strcasecmp(argv[i++], word) != 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    lab::RecordCall("netsh", argc, argv);
    if (Is(argc, argv, {"winsock", "reset"})) {
        std::remove(CorruptedMarker.c_str());
        std::printf(
            "\r\nSucessfully reset the Winsock Catalog.\r\n"
            "You must restart the machine in order to complete the reset.\r\n\r\n");
        return 0;
    }
    if (Is(argc, argv, {"int", "ip", "reset"}) && argc >= 5) {
        lab::WriteTextFile(argv[4],
                           "reset   SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\\r\n"
                           "            old REG_MULTI_SZ =\r\n"
                           "<completed>\r\n\r\n");
        return 0;
    }
    if (Is(argc, argv, {"firewall"})) return 0;
    if (lab::FileExists(CorruptedMarker)) {
        std::printf(
            "Initialization Function InitHelperDll in IPMONTR.DLL failed to start with error "
            "code 10107.\r\n"
            "Initialization Function InitHelperDll in IFMON.DLL failed to start with error code "
            "10107.\r\n"
            "The following command was not found: %s.\r\n",
            lab::JoinArguments(argc, argv).c_str());
        return 1;
    }
    return 0;
}
