// Any program image handed to the branding block's cuts. Every value lies in
// the image right after its own marker, ends on the blank before the marker
// that follows it and never reaches past what its section allows: the texts
// stop before the links, the last record runs exactly to the end of the file.
#include <string>
#include <string_view>
#include <vector>

#include "app/BrandingSections.h"
#include "app/BrandingText.h"
#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {

namespace {

constexpr size_t None = std::string_view::npos;

// The first marker of key at or after from, as the section search finds it:
// whole before the first NUL byte from there.
size_t FindBeforeNul(std::string_view image, std::string_view key, size_t from) {
    const std::string marker = BrandingMarker(key);
    const size_t at = image.find(marker, from);
    if (at == None || image.substr(from, at - from).find('\0') != None) return None;
    return at;
}

bool FollowedBy(std::string_view image, size_t end, std::string_view key) {
    const std::string marker = BrandingMarker(key);
    return end + 1 <= image.size() && image.substr(end + 1, marker.size()) == marker;
}

// value starts at start in the image; when it is not empty, one byte and the
// marker of one of nextKeys follow it.
void RequireCut(std::string_view image, size_t start, const std::string& value,
                const std::vector<std::string_view>& nextKeys, const char* promise) {
    Require(start <= image.size() && value.size() <= image.size() - start &&
                image.substr(start, value.size()) == value,
            promise);
    if (value.empty() || nextKeys.empty()) return;
    bool followed = false;
    for (std::string_view key : nextKeys)
        followed = followed || FollowedBy(image, start + value.size(), key);
    Require(followed, promise);
}

void CheckTexts(std::string_view image) {
    const auto texts = CutBrandingTexts(image);
    const size_t name = image.find(BrandingMarker("provided_name"));
    if (name == None) {
        Require(!texts, "no texts without the name marker");
        return;
    }
    if (!texts) return;
    const size_t links = image.find(BrandingMarker("emw"));
    Require(links != None && links > name, "the texts come before the links");
    const size_t nameEnd = name + BrandingMarker("provided_name").size();
    RequireCut(image, nameEnd, texts->ProviderName, {"provided_block"},
               "the partner name is cut at the DNS servers");
    const size_t dns = FindBeforeNul(image, "provided_block", nameEnd);
    Require(dns != None && dns + 1 < links, "the DNS servers lie in the texts' section");
    const size_t dnsEnd = dns + BrandingMarker("provided_block").size();
    RequireCut(image, dnsEnd, texts->ProviderDnsServers, {"contact_support", "emw"},
               "the DNS servers are cut at the support text or the links");
    Require(dnsEnd + texts->ProviderDnsServers.size() < links,
            "the DNS servers stop before the links");
    if (texts->ContactSupportText.empty()) return;
    const size_t contact = FindBeforeNul(image, "contact_support", nameEnd);
    Require(contact != None, "a support text has its marker");
    const size_t contactEnd = contact + BrandingMarker("contact_support").size();
    RequireCut(image, contactEnd, texts->ContactSupportText, {"emw"},
               "the support text runs to the links");
}

void CheckLinks(std::string_view image) {
    const BrandingLinks links = CutBrandingLinks(image);
    const size_t emw = image.find(BrandingMarker("emw"));
    if (emw == None) {
        Require(links.section == LinksSection::Missing, "no links without the links marker");
        return;
    }
    const size_t sectionStart = emw + BrandingMarker("emw").size();
    bool complete = true;
    for (size_t i = 1; i <= 5; ++i) {
        complete = complete && FindBeforeNul(image, BrandingLinkKeys[i], sectionStart) != None;
    }
    Require(links.section == (complete ? LinksSection::Complete : LinksSection::Incomplete),
            "the links are complete exactly when every marker the cuts need is there");
    if (!complete) return;
    const size_t last = BrandingLinkKeys.size() - 1;
    for (size_t i = 0; i <= last; ++i) {
        const std::string& value = links.values[i];
        if (value.empty()) continue;
        const size_t marker =
            i == 0 ? emw : FindBeforeNul(image, BrandingLinkKeys[i], sectionStart);
        Require(marker != None, "a link value has its marker");
        const size_t start = marker + BrandingMarker(BrandingLinkKeys[i]).size();
        if (i == last) {
            RequireCut(image, start, value, {}, "the router message is cut from its marker");
            Require(start + value.size() == image.size(), "the last record runs to the end");
        } else {
            RequireCut(image, start, value, {BrandingLinkKeys[i + 1]},
                       "a link value is cut at the next record's marker");
        }
    }
}

void CheckRegPair(std::string_view image, std::string_view firstKey, std::string_view secondKey,
                  std::string_view endKey) {
    const WinsockRegPair pair = CutWinsockRegPair(image, firstKey, secondKey, endKey);
    const size_t first = image.find(BrandingMarker(firstKey));
    Require(pair.position == (first == None ? 0 : static_cast<int64_t>(first) + 1),
            "the pair starts at the first marker of its first key");
    if (first == None) {
        Require(pair.winsock2.empty() && pair.winsock.empty(), "no pair without its marker");
        return;
    }
    const size_t firstEnd = first + BrandingMarker(firstKey).size();
    const size_t second = image.find(BrandingMarker(secondKey), firstEnd);
    if (second == None) {
        Require(pair.winsock2.empty() && pair.winsock.empty(),
                "a pair without its second marker writes empty files");
        return;
    }
    RequireCut(image, firstEnd, pair.winsock2, {secondKey},
               "the first export is cut at the second's marker");
    RequireCut(image, second + BrandingMarker(secondKey).size(), pair.winsock, {endKey},
               "the second export is cut at the record after it");
}

}  // namespace

void BrandingReadEntry(const uint8_t* data, size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    CheckTexts(image);
    CheckLinks(image);
    CheckRegPair(image, "winsock2", "winsock", "vistawinsock2");
    CheckRegPair(image, "vistawinsock2", "vistawinsock", "provided_name");
}

}  // namespace plover::fuzz
