#include "app/BrandingBlock.h"

#include <optional>
#include <string>

#include "app/BrandingSections.h"
#include "app/PloverMainForm.h"
#include "system/Log.h"
#include "system/WindowsVersion.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

namespace {

// The whole program file, or nothing (and the application is asked to end)
// when it cannot be opened. Other writers are kept out while it is read.
std::optional<std::string> LoadImage(TPloverMainForm& window) {
    const Platform& os = window.Os();
    auto file = os.files.Open(os.system.ExecutablePath(), FileAccess::Read, FileShare::Read,
                              FileDisposition::OpenExisting);
    if (!file) {
        window.RequestApplicationEnd();
        return std::nullopt;
    }
    file->SeekToEnd();
    if (!file->SeekToStart()) return std::string();
    auto bytes = file->ReadToEnd();
    return bytes ? std::move(*bytes) : std::string();
}

std::string Framed(const std::string& value) { return ":" + value + ":"; }

// Writes the text byte for byte into a fresh file of the temporary folder.
void WriteRegFile(const Platform& os, const std::string& path, const std::string& text) {
    os.files.Open(path, FileAccess::ReadWrite, FileShare::None, FileDisposition::CreateAlways);
    if (auto file = os.files.Open(path, FileAccess::ReadWrite, FileShare::None,
                                  FileDisposition::OpenExisting)) {
        if (!text.empty()) file->Write(text);
    }
}

}  // namespace

void ReadBrandingTexts(TPloverMainForm& window) {
    if (const auto image = LoadImage(window)) {
        if (auto texts = CutBrandingTexts(*image)) {
            window.ProviderName = std::move(texts->ProviderName);
            window.ProviderDnsServers = std::move(texts->ProviderDnsServers);
            window.ContactSupportText = std::move(texts->ContactSupportText);
        }
    }
    const Platform& os = window.Os();
    WriteLog(os, "provider name", Framed(window.ProviderName));
    WriteLog(os, "provider block", Framed(window.ProviderDnsServers));
    WriteLog(os, "contact message", Framed(window.ContactSupportText));
    if (window.ProviderDnsServers.empty()) window.RequestApplicationEnd();
}

void ReadBrandingLinks(TPloverMainForm& window) {
    const auto image = LoadImage(window);
    const BrandingLinks links = image ? CutBrandingLinks(*image) : BrandingLinks{};
    if (links.section == LinksSection::Incomplete) {
        window.RequestApplicationEnd();
    } else if (links.section == LinksSection::Complete) {
        window.emailURL.url = links.values[0];
        window.performanceURL.url = links.values[1];
        window.errorURL.url = links.values[2];
        window.popupURL.url = links.values[3];
        window.browseURL.url = links.values[4];
        window.mssgAtxt.caption = links.values[5];
        window.Label8.caption = links.values[6];
        window.RouterMessageText = links.values[7];
    }
    const Platform& os = window.Os();
    WriteLog(os, "emailURL->URL", Framed(window.emailURL.url));
    WriteLog(os, "performanceURL->URL", Framed(window.performanceURL.url));
    WriteLog(os, "errorURL->URL", Framed(window.errorURL.url));
    WriteLog(os, "popupURL->URL", Framed(window.popupURL.url));
    WriteLog(os, "browseURL->URL", Framed(window.browseURL.url));
    WriteLog(os, "mssgA text", Framed(window.mssgAtxt.caption));
    WriteLog(os, "contactUs", Framed(window.Label8.caption));
    WriteLog(os, "router message", Framed(window.RouterMessageText));
}

void WriteWinsockRegFiles(TPloverMainForm& window) {
    const Platform& os = window.Os();
    if (!IsOsSuitableForRepair2(os)) return;
    const auto image = LoadImage(window);
    if (!image) return;

    WinsockRegPair pair;
    const int32_t version = GetWindowsVersionCode(os);
    if (version == WindowsVersion::WindowsVista) {
        pair = CutWinsockRegPair(*image, "vistawinsock2", "vistawinsock", "provided_name");
        WriteLog(os, "fpos1", std::to_string(pair.position));
    } else if (version == WindowsVersion::WindowsXP) {
        // Service Pack 3 keeps the Winsock keys of Service Pack 2, so the XP
        // pair serves both.
        pair = CutWinsockRegPair(*image, "winsock2", "winsock", "vistawinsock2");
    }
    if (pair.position <= 0) {
        window.RequestApplicationEnd();
        return;
    }
    window.Winsock2RegText = std::move(pair.winsock2);
    window.WinsockRegText = std::move(pair.winsock);
    DeleteWinsockRegFiles(os);
    const std::string folder = GetTempFolder(os);
    WriteRegFile(os, folder + Winsock2RegFile, window.Winsock2RegText);
    WriteRegFile(os, folder + WinsockRegFile, window.WinsockRegText);
}

}  // namespace plover
