#include "msghook/MessageList.h"

#include <gtest/gtest.h>

using msghook::MessageList;

TEST(MessageList, AddKeepsOrderAndRefusesDuplicates) {
    MessageList l{5, 7, 5};
    EXPECT_EQ(l.Count(), 2);
    EXPECT_TRUE(l.Add(9));
    EXPECT_FALSE(l.Add(7));
    EXPECT_EQ(l.Messages(), (std::vector<uint32_t>{5, 7, 9}));
}

TEST(MessageList, RemoveClosesTheGap) {
    MessageList l{1, 2, 3};
    EXPECT_TRUE(l.Remove(2));
    EXPECT_FALSE(l.Remove(2));
    EXPECT_EQ(l.Messages(), (std::vector<uint32_t>{1, 3}));
    EXPECT_FALSE(l.Contains(2));
    EXPECT_TRUE(l.Remove(1));
    EXPECT_TRUE(l.Remove(3));
    EXPECT_EQ(l.Count(), 0);
    EXPECT_FALSE(l.Contains(0));
}

TEST(MessageList, AllMatchesEveryMessageAndCountsMinusOne) {
    MessageList l = MessageList::All();
    EXPECT_EQ(l.Count(), -1);
    for (uint32_t m : {0u, 0x82u, 0xFFFFFFFFu})
        EXPECT_TRUE(l.Contains(m));
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_FALSE(l.Contains(0x82));
}
