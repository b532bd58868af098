#include "app/BrandingSections.h"

#include "app/BrandingText.h"

namespace plover {

namespace {

int64_t Length(std::string_view text) { return static_cast<int64_t>(text.size()); }

}  // namespace

std::optional<BrandingTexts> CutBrandingTexts(std::string_view image) {
    const std::string nameMarker = BrandingMarker("provided_name");
    const std::string dnsMarker = BrandingMarker("provided_block");
    const std::string contactMarker = BrandingMarker("contact_support");
    const std::string linksMarker = BrandingMarker("emw");

    const int64_t a = FindInImage(nameMarker, image);
    if (a <= 0) return std::nullopt;
    const int64_t b = FindInImage(linksMarker, image);
    // From after the name marker to the blank before the links marker.
    const std::string section = Cut(image, a + Length(nameMarker), b - a - 20);
    const int64_t p = FindInSection(dnsMarker, section);
    if (p <= 0) return std::nullopt;
    BrandingTexts texts;
    texts.ProviderName = Cut(section, 1, p - 2);
    const int64_t q = FindInSection(contactMarker, section);
    if (q > 0) {
        texts.ProviderDnsServers = Cut(section, p + 20, q - p - 21);
        texts.ContactSupportText = Cut(section, q + 21, Length(section) - q - 20);
    } else {
        texts.ProviderDnsServers = CutToEnd(section, p + 20);
    }
    return texts;
}

BrandingLinks CutBrandingLinks(std::string_view image) {
    constexpr size_t count = BrandingLinkKeys.size();
    std::array<std::string, count> markers;
    for (size_t i = 0; i < count; ++i) markers[i] = BrandingMarker(BrandingLinkKeys[i]);

    BrandingLinks links;
    const int64_t a = FindInImage(markers[0], image);
    if (a <= 0) return links;
    const std::string section = CutToEnd(image, a + Length(markers[0]));
    std::array<int64_t, count> at{};
    at[0] = 1;
    for (size_t i = 1; i < count; ++i) at[i] = FindInSection(markers[i], section);
    // "spp" to "mssgA" end or start a cut whatever else the block holds.
    for (size_t i = 1; i <= 5; ++i) {
        if (at[i] <= 0) {
            links.section = LinksSection::Incomplete;
            return links;
        }
    }
    links.section = LinksSection::Complete;
    // Value i runs from the end of its marker to the blank before marker
    // i + 1 ("emw" starts the section, its marker already cut).
    for (size_t i = 0; i < count; ++i) {
        if (at[i] <= 0 || (i + 1 < count && at[i + 1] <= 0)) continue;
        const int64_t start = i == 0 ? 1 : at[i] + Length(markers[i]);
        links.values[i] =
            i + 1 == count ? CutToEnd(section, start) : Cut(section, start, at[i + 1] - start - 1);
    }
    return links;
}

WinsockRegPair CutWinsockRegPair(std::string_view image, std::string_view firstKey,
                                 std::string_view secondKey, std::string_view endKey) {
    const std::string first = BrandingMarker(firstKey);
    const std::string second = BrandingMarker(secondKey);
    WinsockRegPair pair;
    pair.position = FindInImage(first, image);
    if (pair.position <= 0) return pair;
    const std::string rest = CutToEnd(image, pair.position + Length(first));
    const int64_t c = FindInImage(second, rest);
    if (c <= 0) return pair;
    pair.winsock2 = Cut(rest, 1, c - 2);
    const std::string afterSecond = CutToEnd(rest, c + Length(second));
    const int64_t p = FindInSection(BrandingMarker(endKey), afterSecond);
    pair.winsock = Cut(afterSecond, 1, p - 2);
    return pair;
}

}  // namespace plover
