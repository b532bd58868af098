#include "system/WinsockRegFiles.h"

#include <string>

#include "system/Log.h"
#include "system/WindowsVersion.h"

namespace plover {

bool IsOsSuitableForRepair2(const Platform& os) {
    const int32_t code = GetWindowsVersionCode(os);
    if (code == WindowsVersion::WindowsVista) return true;
    if (code != WindowsVersion::WindowsXP) return false;
    const std::string servicePack = GetServicePackText(os);
    return servicePack == "Service Pack 2" || servicePack.find("Service Pack 3") != std::string::npos;
}

void DeleteWinsockRegFiles(const Platform& os) {
    const std::string folder = GetTempFolder(os);
    const auto remove = [&](const char* name, const char* logMessage) {
        const std::string path = folder + name;
        if (os.files.Exists(path)) {
            os.files.Delete(path);
            WriteLog(os, logMessage, "");
        }
    };
    remove(Winsock2RegFileName, "delete winsok2.reg");
    remove(WinsockRegFileName, "delete winsok.reg");
}

}  // namespace plover
