// The fuzzers' kept corpus, file by file, through the entries the fuzzers
// call: what a long run once found sound stays sound.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {
namespace {

namespace fs = std::filesystem;

}  // namespace

// Test names and messages show the target by its name.
void PrintTo(const FuzzTarget& target, std::ostream* out) { *out << target.name; }

namespace {

fs::path CorpusOf(const FuzzTarget& target) {
    return fs::path(PLOVER_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / target.name;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CorpusReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(CorpusReplay, EveryKeptInputKeepsItsPromises) {
    const FuzzTarget& target = GetParam();
    size_t replayed = 0;
    for (const auto& file : fs::directory_iterator(CorpusOf(target))) {
        if (!file.is_regular_file()) continue;
        const std::vector<uint8_t> bytes = ReadAll(file.path());
        ++replayed;
        try {
            target.entry(bytes.data(), bytes.size());
        } catch (const std::exception& broken) {
            ADD_FAILURE() << file.path().filename() << ": " << broken.what();
        }
    }
    // A corpus folder that went missing would pass with nothing replayed.
    EXPECT_GE(replayed, 5u) << CorpusOf(target);
}

TEST_P(CorpusReplay, FilesAreNamedByTheirContent) {
    // The merge names each input by its SHA-1, so a kept input that was
    // edited by hand, or two copies of one, show here.
    for (const auto& file : fs::directory_iterator(CorpusOf(GetParam()))) {
        const std::string name = file.path().filename().string();
        EXPECT_EQ(name.size(), 40u) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
    }
}

TEST(FuzzEntries, BrokenPromiseNamesWhatBroke) {
    try {
        Require(false, "a promise");
        FAIL() << "Require let a broken promise pass";
    } catch (const BrokenPromise& broken) {
        EXPECT_STREQ(broken.what(), "a promise");
    }
    EXPECT_NO_THROW(Require(true, "kept"));
}

INSTANTIATE_TEST_SUITE_P(Fuzzers, CorpusReplay, ::testing::ValuesIn(FuzzTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plover::fuzz
