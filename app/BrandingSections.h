#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plover {

// The cuts of the branding block, made on the program file's whole image.
// They touch no file and no window: the readers in BrandingBlock load the
// image, log, and put what these yield into the window.

// Partner name, fallback DNS servers and the support text (CR LF pairs still
// in it). None when "provided_name" or, after it, "provided_block" is missing.
struct BrandingTexts {
    std::string ProviderName;
    std::string ProviderDnsServers;
    std::string ContactSupportText;
};
std::optional<BrandingTexts> CutBrandingTexts(std::string_view image);

// The keys of the links section, in block order; BrandingLinks::values
// follows it: the five link targets, the adapter instructions, the "contact
// us" message and the router message.
constexpr std::array<const char*, 8> BrandingLinkKeys = {"emw",  "spp",   "ems",           "pfs",
                                                         "scbi", "mssgA", "mssgContactUS", "isprm"};

enum class LinksSection {
    Missing,     // no "emw": the window keeps its design-time values
    Incomplete,  // one of the markers every cut needs is missing: start-up ends
    Complete,
};

struct BrandingLinks {
    LinksSection section = LinksSection::Missing;
    std::array<std::string, BrandingLinkKeys.size()> values;  // only when Complete
};
BrandingLinks CutBrandingLinks(std::string_view image);

// One pair of Winsock registry exports: the first text runs from firstKey's
// marker to the one of secondKey, the second from there to endKey's.
struct WinsockRegPair {
    int64_t position = 0;  // of firstKey's marker, 1-based; 0 when it is missing
    std::string winsock2;  // both empty when secondKey's marker is missing
    std::string winsock;
};
WinsockRegPair CutWinsockRegPair(std::string_view image, std::string_view firstKey,
                                 std::string_view secondKey, std::string_view endKey);

}  // namespace plover
