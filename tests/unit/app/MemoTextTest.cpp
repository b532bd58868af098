#include <gtest/gtest.h>

#include "app/MemoText.h"

namespace plover {
namespace {

TEST(MemoText, EveryKindOfLineBreakBecomesOneCrLf) {
    EXPECT_EQ(WithCrLfLineBreaks(""), "");
    EXPECT_EQ(WithCrLfLineBreaks("one line"), "one line");
    EXPECT_EQ(WithCrLfLineBreaks("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
    // A CR LF pair stays one break; LF CR is two.
    EXPECT_EQ(WithCrLfLineBreaks("a\r\n\r\nb\n\rc"), "a\r\n\r\nb\r\n\r\nc");
    EXPECT_EQ(WithCrLfLineBreaks("\r"), "\r\n");
    EXPECT_EQ(WithCrLfLineBreaks("end\n"), "end\r\n");
}

}  // namespace
}  // namespace plover
