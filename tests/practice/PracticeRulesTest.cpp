#include "core/question/PracticeRules.h"

#include <gtest/gtest.h>

using practice::GroupPage;

namespace {

enum class Step { First, Previous, Next };

TEST(GroupPaging, GroupsOfTwentyOverTheSet)
{
    struct Case {
        const char* what;
        int count;
        std::vector<Step> steps;
        GroupPage expected; // group, groups, first, size
    } cases[] = {
        {"empty set", 0, {Step::First}, {0, 0, 1, 0}},
        {"one question", 1, {Step::First}, {1, 1, 1, 1}},
        {"exactly one group", 20, {Step::First}, {1, 1, 1, 20}},
        {"one more than a group", 21, {Step::First}, {1, 2, 1, 20}},
        {"the short last group", 45, {Step::First, Step::Next, Step::Next}, {3, 3, 41, 5}},
        {"a full last group", 40, {Step::First, Step::Next}, {2, 2, 21, 20}},
        {"no group after the last", 45, {Step::First, Step::Next, Step::Next, Step::Next}, {3, 3, 41, 5}},
        {"back from the last to a full group", 45, {Step::First, Step::Next, Step::Next, Step::Previous}, {2, 3, 21, 20}},
        {"no group before the first", 45, {Step::First, Step::Previous}, {1, 3, 1, 20}},
        {"nothing to page in an empty set", 0, {Step::First, Step::Next, Step::Previous}, {0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        GroupPage page;
        for (Step s : c.steps)
            page = s == Step::First ? practice::firstGroup(c.count)
                 : s == Step::Next  ? practice::nextGroup(page, c.count)
                                    : practice::previousGroup(page, c.count);
        EXPECT_EQ(page, c.expected) << c.what << ": got group " << page.group << "/" << page.groups << " from "
                                    << page.first << " size " << page.size;
    }
}

TEST(GroupPaging, NeighboursAndPositions)
{
    const GroupPage middle{2, 3, 21, 20};
    EXPECT_TRUE(middle.hasPrevious());
    EXPECT_TRUE(middle.hasNext());
    EXPECT_EQ(middle.last(), 40);
    EXPECT_FALSE(middle.holds(20));
    EXPECT_TRUE(middle.holds(21));
    EXPECT_TRUE(middle.holds(40));
    EXPECT_FALSE(middle.holds(41));
    const GroupPage only = practice::firstGroup(7);
    EXPECT_FALSE(only.hasPrevious());
    EXPECT_FALSE(only.hasNext());
    EXPECT_FALSE(practice::firstGroup(0).holds(1)) << "an empty set holds no position";
}

} // namespace
