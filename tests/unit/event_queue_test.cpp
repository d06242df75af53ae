// The event queue: coalescing, suspension, taking, purging, the pool and the
// bound-callback lookup.
#include <gtest/gtest.h>

#include <vector>

#include "ui/events.h"

namespace {

class EventQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        end_event_queue();
        init_event_queue();
    }
    void TearDown() override { end_event_queue(); }

    struct Taken {
        int32_t code;
        int64_t object, window, type;
        bool operator==(const Taken&) const = default;
    };
    std::vector<Taken> drain() {
        std::vector<Taken> out;
        while (int32_t code = take_next_event()) out.push_back({code, event_gadget(), event_window(), event_type()});
        return out;
    }
};

TEST_F(EventQueueTest, IdenticalEventsAtTheTailMergeBelowTheLimitOnly) {
    post_event(EVENT_GADGET, 7, 1, 0);
    post_event(EVENT_GADGET, 7, 1, 0);  // merged
    post_event(EVENT_GADGET, 7, 1, 4);  // other type
    post_event(EVENT_GADGET, 7, 1, 0);  // not at the tail any more
    post_event(EVENT_GADGET, 8, 1, 0);  // other object
    post_event(EVENT_GADGET, 8, 2, 0);  // other window
    post_event(0x10001, 3, 1, 0);       // never merged
    post_event(0x10001, 3, 1, 0);
    post_event(0x10000, 3, 1, 0);  // the last code that merges
    post_event(0x10000, 3, 1, 0);
    std::vector<Taken> expected = {
        {EVENT_GADGET, 7, 1, 0}, {EVENT_GADGET, 7, 1, 4}, {EVENT_GADGET, 7, 1, 0}, {EVENT_GADGET, 8, 1, 0},
        {EVENT_GADGET, 8, 2, 0}, {0x10001, 3, 1, 0},      {0x10001, 3, 1, 0},      {0x10000, 3, 1, 0},
    };
    EXPECT_EQ(drain(), expected);

    // Once taken, an identical event queues again.
    post_event(EVENT_GADGET, 7, 1, 0);
    ASSERT_EQ(take_next_event(), EVENT_GADGET);
    post_event(EVENT_GADGET, 7, 1, 0);
    EXPECT_EQ(queued_event_count(), 1);
}

TEST_F(EventQueueTest, SuspensionCountsNestedCallsAndResumeNeverGoesNegative) {
    suspend_events();
    suspend_events();
    resume_events();
    post_event(EVENT_GADGET, 1, 1, 0);
    EXPECT_EQ(queued_event_count(), 0);
    resume_events();
    post_event(EVENT_GADGET, 1, 1, 0);
    EXPECT_EQ(queued_event_count(), 1);

    resume_events();  // unbalanced: must not leave the count below zero
    suspend_events();
    post_event(EVENT_GADGET, 2, 1, 0);
    EXPECT_EQ(queued_event_count(), 1);
    resume_events();
}

TEST_F(EventQueueTest, EmptyTakeGivesZeroTypeMinusOneAndKeepsObjectAndWindow) {
    EXPECT_EQ(take_next_event(), 0);
    EXPECT_EQ(event_type(), -1);

    post_event(EVENT_GADGET, 42, 9, 768);
    ASSERT_EQ(take_next_event(), EVENT_GADGET);
    EXPECT_EQ(event_gadget(), 42);
    EXPECT_EQ(event_menu(), 42);
    EXPECT_EQ(event_window(), 9);
    EXPECT_EQ(event_type(), 768);

    EXPECT_EQ(take_next_event(), 0);
    EXPECT_EQ(current_event_code(), 0);
    EXPECT_EQ(event_type(), -1);
    EXPECT_EQ(event_gadget(), 42);
    EXPECT_EQ(event_window(), 9);
}

int released = 0;
void count_release(void* data) {
    ++released;
    *static_cast<int*>(data) = -1;
}

TEST_F(EventQueueTest, PayloadIsReleasedWhenItsEventStopsBeingCurrent) {
    released = 0;
    int a = 1, b = 2, c = 3;
    post_event(20000, 1, 1, 0, &a, count_release);
    post_event(20000, 2, 1, 0, &b, count_release);
    post_event(EVENT_GADGET, 3, 1, 0, &c, count_release);
    post_event(EVENT_GADGET, 3, 1, 0, &c, count_release);  // merged: dropped, not queued twice

    ASSERT_EQ(take_next_event(), 20000);
    EXPECT_EQ(event_data(), &a);
    EXPECT_EQ(released, 0);
    ASSERT_EQ(take_next_event(), 20000);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(a, -1);
    // A purge releases what it removes.
    purge_gadget_events(3);
    EXPECT_EQ(released, 2);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(take_next_event(), 0);
    EXPECT_EQ(released, 3);
    EXPECT_EQ(take_next_event(), 0);
    EXPECT_EQ(released, 3);
}

TEST_F(EventQueueTest, PurgesRemoveExactlyTheMatchingEventsAndKeepTheOrder) {
    post_event(EVENT_GADGET, 5, 1, 0);
    post_event(EVENT_WINDOW_SIZED, 0, 2, 0);
    post_event(EVENT_GADGET, 5, 2, 4);
    post_event(EVENT_MENU, 5, 1, 0);  // same object, not a gadget event
    post_event(EVENT_REPAINT, 0, 1, 0);
    post_event(EVENT_GADGET, 6, 1, 0);
    post_event(EVENT_CLOSE_WINDOW, 2, 2, 0);
    post_event(EVENT_GADGET, 5, 1, 0);

    purge_gadget_events(5);
    std::vector<Taken> after_gadget = {
        {EVENT_WINDOW_SIZED, 0, 2, 0}, {EVENT_MENU, 5, 1, 0},          {EVENT_REPAINT, 0, 1, 0},
        {EVENT_GADGET, 6, 1, 0},       {EVENT_CLOSE_WINDOW, 2, 2, 0},
    };
    EXPECT_EQ(drain(), after_gadget);

    post_event(EVENT_GADGET, 5, 1, 0);
    post_event(EVENT_WINDOW_SIZED, 0, 2, 0);
    post_event(EVENT_REPAINT, 0, 1, 0);
    post_event(EVENT_CLOSE_WINDOW, 2, 2, 0);
    post_event(EVENT_GADGET, 6, 1, 0);
    purge_window_events(2);
    std::vector<Taken> after_window = {
        {EVENT_GADGET, 5, 1, 0}, {EVENT_REPAINT, 0, 1, 0}, {EVENT_GADGET, 6, 1, 0}};
    EXPECT_EQ(drain(), after_window);

    // The tail is kept right after purging it: a new event lands after the
    // survivors, and an identical one merges with the new tail only.
    post_event(EVENT_GADGET, 1, 1, 0);
    post_event(EVENT_GADGET, 2, 1, 0);
    purge_events(-1, 2, -1, -1);
    post_event(EVENT_GADGET, 1, 1, 0);  // merges with the surviving tail
    post_event(EVENT_GADGET, 3, 1, 0);
    std::vector<Taken> after_tail = {{EVENT_GADGET, 1, 1, 0}, {EVENT_GADGET, 3, 1, 0}};
    EXPECT_EQ(drain(), after_tail);

    // Purging everything empties the queue.
    post_event(EVENT_GADGET, 1, 1, 0);
    post_event(EVENT_GADGET, 2, 1, 0);
    purge_events(-1, -1, -1, -1);
    EXPECT_EQ(queued_event_count(), 0);
    post_event(EVENT_GADGET, 4, 1, 0);
    EXPECT_EQ(drain(), (std::vector<Taken>{{EVENT_GADGET, 4, 1, 0}}));
}

TEST_F(EventQueueTest, PoolReusesItsRecords) {
    // The first post grows the pool; afterwards taking and posting only move
    // records between the free list and the queue.
    post_event(EVENT_GADGET, 0, 1, 0);
    take_next_event();
    EventRecord* first = event_queue()->free_records;
    for (int i = 0; i < 1000; ++i) {
        post_event(EVENT_GADGET, i, 1, 0);
        ASSERT_EQ(take_next_event(), EVENT_GADGET);
        ASSERT_EQ(event_gadget(), i);
    }
    EXPECT_EQ(event_queue()->free_records, first);
    EXPECT_EQ(event_queue()->blocks->next, nullptr);

    // A long queue grows the pool in blocks and gives everything back.
    for (int i = 0; i < 300; ++i) post_event(EVENT_GADGET, i, 1, 0);
    EXPECT_EQ(queued_event_count(), 300);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(take_next_event(), EVENT_GADGET);
        ASSERT_EQ(event_gadget(), i);
    }
    int64_t free_count = 0;
    for (EventRecord* r = event_queue()->free_records; r; r = r->next) ++free_count;
    int64_t block_count = 0;
    for (EventPoolBlock* b = event_queue()->blocks; b; b = b->next) ++block_count;
    EXPECT_EQ(free_count, block_count * EVENT_POOL_BLOCK);
}

std::vector<int> calls;
int64_t seen_gadget = 0;
void callback_a() {
    calls.push_back(1);
    seen_gadget = event_gadget();
}
void callback_b() { calls.push_back(2); }
void callback_c() { calls.push_back(3); }
void callback_d() { calls.push_back(4); }
void callback_e() { calls.push_back(5); }

TEST_F(EventQueueTest, BoundCallbacksAreLookedUpByFiveKeysInOrder) {
    calls.clear();
    // Bound in reverse order of lookup.
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, -1, 7, 4, callback_e));
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, -1, -1, -1, callback_d));
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, 1, -1, -1, callback_c));
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, 1, 7, -1, callback_b));
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, 1, 7, 4, callback_a));
    ASSERT_TRUE(bind_event_callback(EVENT_GADGET, 1, 7, 4, callback_b));

    post_event(EVENT_GADGET, 99, 5, 0);  // matches the catch-all only
    EXPECT_EQ(calls, (std::vector<int>{4}));

    calls.clear();
    seen_gadget = 0;
    post_event(EVENT_GADGET, 7, 1, 4);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 2, 3, 4, 5}));
    EXPECT_EQ(seen_gadget, 7);     // the new event was current for the callback
    EXPECT_EQ(event_gadget(), 0);  // and is not any more
    EXPECT_EQ(event_type(), -1);

    calls.clear();
    post_event(EVENT_MENU, 7, 1, 4);  // the code is part of every key
    EXPECT_TRUE(calls.empty());

    // Callbacks run even when the event merged with the tail, but not while
    // posting is suspended.
    calls.clear();
    post_event(EVENT_GADGET, 99, 5, 0);
    EXPECT_EQ(calls, (std::vector<int>{4}));
    suspend_events();
    post_event(EVENT_GADGET, 99, 5, 0);
    resume_events();
    EXPECT_EQ(calls, (std::vector<int>{4}));
}

}  // namespace
