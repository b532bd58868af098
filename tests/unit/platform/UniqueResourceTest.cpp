#include <gtest/gtest.h>

#include <vector>

#include "platform/UniqueResource.h"

namespace plover {
namespace {

std::vector<int> closed;

struct CountingTraits {
    using Type = int;
    static Type Empty() { return -1; }
    static void Close(Type value) { closed.push_back(value); }
};
using Unique = UniqueResource<CountingTraits>;

TEST(UniqueResource, ClosesEachValueExactlyOnce) {
    closed.clear();
    {
        Unique a(3);
        Unique b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), 3);
        Unique c(5);
        c = std::move(b);  // 5 closes, 3 moves over
        EXPECT_EQ(closed, (std::vector<int>{5}));
        *c.put() = 7;  // put closes 3 first
        EXPECT_EQ(closed, (std::vector<int>{5, 3}));
        Unique empty;
        EXPECT_FALSE(empty);
        const int released = Unique(9).release();
        EXPECT_EQ(released, 9);
    }
    EXPECT_EQ(closed, (std::vector<int>{5, 3, 7}));
}

TEST(ScopeExit, RunsUnlessDismissed) {
    int runs = 0;
    {
        ScopeExit once([&] { ++runs; });
        ScopeExit never([&] { runs += 100; });
        never.dismiss();
    }
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace plover
