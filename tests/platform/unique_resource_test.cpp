#include "platform/unique_resource.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/scope_exit.h"

namespace ks::platform {
namespace {

std::vector<int> closed;

struct FakeTraits {
    using Type = int;
    static Type invalid() noexcept { return -1; }
    static void close(Type value) noexcept { closed.push_back(value); }
};
using Owned = UniqueResource<FakeTraits>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { closed.clear(); }
};

TEST_F(UniqueResourceTest, MoveAssignmentClosesTheValueItReplaces) {
    Owned first(1);
    Owned second(2);
    first = std::move(second);
    EXPECT_EQ(closed, std::vector<int>{1});
    EXPECT_EQ(first.get(), 2);
    EXPECT_FALSE(second);
}

TEST_F(UniqueResourceTest, ClosesOnceAndNeverTheInvalidValue) {
    {
        Owned owned(3);
        Owned moved(std::move(owned));
        Owned empty;
    }
    EXPECT_EQ(closed, std::vector<int>{3});
}

TEST_F(UniqueResourceTest, PutResetAndRelease) {
    Owned owned(4);
    *owned.put() = 5;  // closes 4 first, then receives 5 from an out-parameter
    EXPECT_EQ(closed, std::vector<int>{4});
    EXPECT_EQ(owned.release(), 5);
    EXPECT_FALSE(owned);
    owned.reset(6);
    owned.reset();
    EXPECT_EQ(closed, (std::vector<int>{4, 6}));
}

TEST(ScopeExitTest, RunsUnlessReleased) {
    int runs = 0;
    {
        const ScopeExit undo([&] { ++runs; });
    }
    {
        ScopeExit undo([&] { ++runs; });
        undo.release();
    }
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace ks::platform
