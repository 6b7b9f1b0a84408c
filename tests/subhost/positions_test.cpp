// What the host keeps so that it costs the same on a long list as on a short one: the positions
// of list entries, and the bounded record of host calls.
#include <gmock/gmock.h>

#include <deque>
#include <stdexcept>

#include "subhost/diagnostics.h"
#include "subhost/dialogs/dialogs.h"

namespace {

using subhost::CallLog;
using subhost::Entry;
using subhost::List;

// Every entry's index is its place in the list.
void ExpectIndexes(const List& list) {
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        EXPECT_EQ(list.IndexOf(list.entries[i]), static_cast<int>(i)) << "entry " << i;
    }
}

TEST(EntryPositions, FollowAdditionsAndRemovalsAtEitherEndAndInTheMiddle) {
    std::deque<Entry> entries(8);
    List list;
    for (Entry& e : entries) {
        e.list = &list;
    }
    for (int i = 0; i < 5; ++i) {
        list.Append(&entries[static_cast<std::size_t>(i)]);
    }
    ExpectIndexes(list);
    list.Remove(&entries[0]);  // from the front, as a list is emptied
    list.Remove(&entries[1]);
    ExpectIndexes(list);
    EXPECT_EQ(list.IndexOf(&entries[2]), 0);
    EXPECT_EQ(list.IndexOf(&entries[0]), -1);  // no longer in it
    list.Append(&entries[5]);
    list.Remove(&entries[5]);     // from the end
    list.Insert(1, &entries[6]);  // in the middle: 2, 6, 3, 4
    ExpectIndexes(list);
    EXPECT_EQ(list.IndexOf(&entries[3]), 2);
    list.Remove(&entries[3]);     // in the middle: 2, 6, 4
    list.Insert(0, &entries[7]);  // at the front: 7, 2, 6, 4
    list.Remove(&entries[7]);
    list.Insert(99, &entries[7]);  // past the end: at the end
    EXPECT_THAT(std::vector<Entry*>(list.entries.begin(), list.entries.end()),
                ::testing::ElementsAre(&entries[2], &entries[6], &entries[4], &entries[7]));
    ExpectIndexes(list);
    EXPECT_EQ(list.IndexOf(&entries[3]), -1);
    List other;
    EXPECT_EQ(other.IndexOf(&entries[2]), -1);  // another list's entry
    EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST(CallRecords, TheLastOnesAreKeptAndEveryCallIsCounted) {
    CallLog log;
    log.SetLimit(3);
    const char* names[] = {"a", "b", "c", "d", "e"};
    for (const char* name : names) {
        log.Add("Suite", name);
    }
    EXPECT_EQ(log.size(), 5U);
    EXPECT_EQ(log.firstKept(), 2U);
    EXPECT_EQ(log[2].call, "c");
    EXPECT_EQ(log.back().call, "e");
    EXPECT_THROW(log[1], std::out_of_range);
    EXPECT_THROW(log[5], std::out_of_range);
    EXPECT_EQ(log.Find(0), nullptr);
    ASSERT_NE(log.Find(4), nullptr);
    log.Find(4)->pointerOut = true;
    EXPECT_TRUE(log[4].pointerOut);
    const auto since = log.Since(3);
    ASSERT_EQ(since.size(), 2U);
    EXPECT_EQ(since[0].call, "d");
    EXPECT_EQ(log.Since(0).size(), 3U);  // from the first kept
    EXPECT_TRUE(log.Since(9).empty());
}

TEST(CallRecords, WithNoneKeptCallsAreOnlyCounted) {
    CallLog log;
    log.Add("Suite", "kept");
    log.SetLimit(0);
    EXPECT_EQ(log.Since(0).size(), 0U);  // dropped when the limit fell
    for (int i = 0; i < 1000; ++i) {
        log.Add("Suite", "counted");
    }
    EXPECT_EQ(log.size(), 1001U);
    EXPECT_EQ(log.firstKept(), 1001U);
    EXPECT_EQ(log.Find(1000), nullptr);
}

}  // namespace
