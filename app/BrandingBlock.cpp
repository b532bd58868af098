#include "app/BrandingBlock.h"

#include <optional>
#include <string>

#include "app/BrandingText.h"
#include "app/PloverMainForm.h"
#include "system/Log.h"
#include "system/WindowsVersion.h"
#include "system/Winsock.h"

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

int64_t Length(const std::string& text) { return static_cast<int64_t>(text.size()); }

// Writes the text byte for byte into a fresh file of the temporary folder.
void WriteRegFile(const Platform& os, const std::string& path, const std::string& text) {
    os.files.Open(path, FileAccess::ReadWrite, FileShare::None, FileDisposition::CreateAlways);
    if (auto file = os.files.Open(path, FileAccess::ReadWrite, FileShare::None,
                                  FileDisposition::OpenExisting)) {
        if (!text.empty()) file->Write(text);
    }
}

struct RegTexts {
    std::string winsock2;
    std::string winsock;
};

// The export pair that starts at firstKey: its first text ends before the
// marker of secondKey, the second before the marker of endKey. Nothing when
// the first marker is missing; empty texts when the second one is.
std::optional<RegTexts> CutRegPair(const std::string& image, const char* firstKey,
                                   const char* secondKey, const char* endKey, bool logPosition,
                                   const Platform& os) {
    const std::string first = BrandingMarker(firstKey);
    const std::string second = BrandingMarker(secondKey);
    const int64_t n = FindInImage(first, image);
    if (logPosition) WriteLog(os, "fpos1", std::to_string(n));
    if (n <= 0) return std::nullopt;
    RegTexts texts;
    const std::string rest = CutToEnd(image, n + Length(first));
    const int64_t c = FindInImage(second, rest);
    if (c > 0) {
        texts.winsock2 = Cut(rest, 1, c - 2);
        const std::string afterSecond = CutToEnd(rest, c + Length(second));
        const int64_t p = FindInSection(BrandingMarker(endKey), afterSecond);
        texts.winsock = Cut(afterSecond, 1, p - 2);
    }
    return texts;
}

}  // namespace

void ReadBrandingTexts(TPloverMainForm& window) {
    const std::string nameMarker = BrandingMarker("provided_name");
    const std::string dnsMarker = BrandingMarker("provided_block");
    const std::string contactMarker = BrandingMarker("contact_support");
    const std::string linksMarker = BrandingMarker("emw");

    if (const auto image = LoadImage(window)) {
        const int64_t a = FindInImage(nameMarker, *image);
        if (a > 0) {
            const int64_t b = FindInImage(linksMarker, *image);
            // From after the name marker to the blank before the links marker.
            const std::string section = Cut(*image, a + Length(nameMarker), b - a - 20);
            const int64_t p = FindInSection(dnsMarker, section);
            if (p > 0) {
                window.ProviderName = Cut(section, 1, p - 2);
                const int64_t q = FindInSection(contactMarker, section);
                if (q > 0) {
                    window.ProviderDnsServers = Cut(section, p + 20, q - p - 21);
                    window.ContactSupportText = Cut(section, q + 21, Length(section) - q - 20);
                } else {
                    window.ProviderDnsServers = CutToEnd(section, p + 20);
                    window.ContactSupportText.clear();
                }
            }
        }
    }
    const Platform& os = window.Os();
    WriteLog(os, "provider name", Framed(window.ProviderName));
    WriteLog(os, "provider block", Framed(window.ProviderDnsServers));
    WriteLog(os, "contact message", Framed(window.ContactSupportText));
    if (window.ProviderDnsServers.empty()) window.RequestApplicationEnd();
}

void ReadBrandingLinks(TPloverMainForm& window) {
    static const char* const keys[] = {"emw",  "spp",   "ems",           "pfs",
                                       "scbi", "mssgA", "mssgContactUS", "isprm"};
    std::string markers[8];
    for (size_t i = 0; i < 8; ++i) markers[i] = BrandingMarker(keys[i]);

    const auto image = LoadImage(window);
    const int64_t a = image ? FindInImage(markers[0], *image) : 0;
    if (a > 0) {
        const std::string section = CutToEnd(*image, a + Length(markers[0]));
        int64_t at[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        for (size_t i = 1; i < 8; ++i) at[i] = FindInSection(markers[i], section);
        bool complete = true;
        for (size_t i = 1; i <= 5; ++i) complete = complete && at[i] > 0;
        if (!complete) {
            window.RequestApplicationEnd();
        } else {
            // Value i runs from the end of its marker to the blank before
            // marker i + 1 ("emw" starts the section, its marker already cut).
            const auto value = [&](size_t i) -> std::string {
                if (at[i] <= 0 || (i + 1 < 8 && at[i + 1] <= 0)) return {};
                const int64_t start = i == 0 ? 1 : at[i] + Length(markers[i]);
                if (i + 1 == 8) return CutToEnd(section, start);
                return Cut(section, start, at[i + 1] - start - 1);
            };
            window.emailURL.url = value(0);
            window.performanceURL.url = value(1);
            window.errorURL.url = value(2);
            window.popupURL.url = value(3);
            window.browseURL.url = value(4);
            window.mssgAtxt.caption = value(5);
            window.Label8.caption = value(6);
            window.RouterMessageText = value(7);
        }
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

    std::optional<RegTexts> texts;
    const int32_t version = GetWindowsVersionCode(os);
    if (version == WindowsVersion::WindowsVista) {
        texts = CutRegPair(*image, "vistawinsock2", "vistawinsock", "provided_name", true, os);
    } else if (version == WindowsVersion::WindowsXP) {
        // Service Pack 3 keeps the Winsock keys of Service Pack 2, so the XP
        // pair serves both.
        texts = CutRegPair(*image, "winsock2", "winsock", "vistawinsock2", false, os);
    }
    if (!texts) {
        window.RequestApplicationEnd();
        return;
    }
    window.Winsock2RegText = texts->winsock2;
    window.WinsockRegText = texts->winsock;
    DeleteWinsockRegFiles(os);
    const std::string folder = GetTempFolder(os);
    WriteRegFile(os, folder + Winsock2RegFile, window.Winsock2RegText);
    WriteRegFile(os, folder + WinsockRegFile, window.WinsockRegText);
}

}  // namespace plover
