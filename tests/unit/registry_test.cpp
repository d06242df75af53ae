#include "core/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/memory.h"

namespace {

struct Record {
    int64_t handle;
    int64_t payload;
};

// The free callback of the registry under test: records what it was called
// with and releases the object, as a module's free operation does.
ObjectRegistry* current = nullptr;
std::vector<int64_t> freed;

void free_record(int64_t id) {
    freed.push_back(id);
    release_object(current, id);
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        freed.clear();
        registry = current = new_registry(sizeof(Record), 16, free_record);
        ASSERT_NE(registry, nullptr);
    }
    void TearDown() override {
        // Registries live for the whole process in the program; here each
        // test gives its memory back so the sanitizers can check for leaks.
        while (registry->automatic) release_object(registry, record_handle(registry->automatic->record));
        for (int64_t i = 0; i < registry->capacity; ++i) runtime_free(registry->table[i]);
        runtime_free(registry->table);
        runtime_free(registry);
    }
    Record* take(int64_t id, int64_t handle) {
        auto* r = static_cast<Record*>(take_object(registry, id));
        if (r) r->handle = handle;
        return r;
    }
    ObjectRegistry* registry = nullptr;
};

TEST_F(Registry, TableGrowsToNumberPlusStepAndNewSlotsAreEmpty) {
    EXPECT_EQ(registry->capacity, 16);
    ASSERT_NE(take(40, 7), nullptr);
    EXPECT_EQ(registry->capacity, 56);
    for (int64_t n = 16; n < 56; ++n) {
        if (n == 40) continue;
        EXPECT_EQ(find_object(registry, n), nullptr) << n;
        EXPECT_EQ(check_object(registry, n), 0) << n;
    }
    EXPECT_NE(find_object(registry, 40), nullptr);
}

TEST_F(Registry, RetakingALiveNumberFreesItOnceAndReturnsTheSameZeroedRecord) {
    Record* first = take(3, 11);
    first->payload = 99;
    auto* again = static_cast<Record*>(take_object(registry, 3));
    EXPECT_EQ(again, first);
    EXPECT_EQ(freed, std::vector<int64_t>{3});
    EXPECT_EQ(again->handle, 0);
    EXPECT_EQ(again->payload, 0);
}

TEST_F(Registry, RetakingANumberWithoutCallbackStillZeroesTheRecord) {
    registry->free_callback = nullptr;
    Record* first = take(2, 5);
    first->payload = 1;
    auto* again = static_cast<Record*>(take_object(registry, 2));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->handle, 0);
    EXPECT_EQ(again->payload, 0);
    EXPECT_TRUE(freed.empty());
}

TEST_F(Registry, FreeAllVisitsNumbersAscendingThenAutomaticOldestFirst) {
    Record* a = take(AUTO_ID, 1);
    Record* b = take(AUTO_ID, 2);
    ASSERT_NE(a, b);
    take(9, 3);
    take(0, 4);
    take(5, 0);  // holds no object: skipped
    free_all_objects(registry);
    const std::vector<int64_t> expected = {0, 9, record_handle(a), record_handle(b)};
    EXPECT_EQ(freed, expected);
    EXPECT_EQ(registry->automatic, nullptr);
    EXPECT_EQ(check_object(registry, 9), 0);
}

TEST_F(Registry, FreeAllVisitsAutomaticRecordsWhateverTheirFirstField) {
    Record* a = take(AUTO_ID, 0);
    free_all_objects(registry);
    EXPECT_EQ(freed, std::vector<int64_t>{record_handle(a)});
}

TEST_F(Registry, FreeAllWithoutCallbackDoesNothing) {
    registry->free_callback = nullptr;
    take(1, 1);
    free_all_objects(registry);
    EXPECT_TRUE(freed.empty());
    EXPECT_NE(find_object(registry, 1), nullptr);
}

TEST_F(Registry, ReleasedObjectsAreNoLongerFoundOrChecked) {
    Record* numbered = take(4, 8);
    EXPECT_EQ(check_object(registry, 4), record_handle(numbered));
    release_object(registry, 4);
    EXPECT_EQ(find_object(registry, 4), nullptr);
    EXPECT_EQ(check_object(registry, 4), 0);

    Record* automatic = take(AUTO_ID, 8);
    int64_t handle = record_handle(automatic);
    EXPECT_EQ(check_object(registry, handle), handle);
    EXPECT_EQ(find_object(registry, handle), automatic);
    release_object(registry, handle);
    EXPECT_EQ(check_object(registry, handle), 0);
    EXPECT_EQ(find_object(registry, handle), nullptr);
    release_object(registry, handle);  // a stale handle is ignored
}

TEST_F(Registry, AutomaticRecordWithZeroFirstFieldIsCheckedButNotFound) {
    Record* r = take(AUTO_ID, 0);
    int64_t handle = record_handle(r);
    EXPECT_EQ(check_object(registry, handle), handle);
    EXPECT_EQ(find_object(registry, handle), nullptr);
}

TEST_F(Registry, NegativeNumbersOtherThanAutoAreRefused) {
    for (int64_t id : {int64_t{-2}, int64_t{-65535}, INT64_MIN}) {
        EXPECT_EQ(take_object(registry, id), nullptr) << id;
        EXPECT_EQ(find_object(registry, id), nullptr) << id;
        EXPECT_EQ(check_object(registry, id), 0) << id;
        release_object(registry, id);
    }
    EXPECT_EQ(registry->capacity, 16);
    EXPECT_EQ(registry->automatic, nullptr);
}

TEST_F(Registry, AbsurdNumbersAreRefusedWithoutGrowingTheTable) {
    ASSERT_NE(take(MAX_OBJECT_NUMBER, 1), nullptr);
    EXPECT_EQ(registry->capacity, MAX_OBJECT_NUMBER + 16);
    for (int64_t id : {MAX_OBJECT_NUMBER + 1, int64_t{1} << 40, INT64_MAX}) {
        EXPECT_EQ(take_object(registry, id), nullptr) << id;
    }
    EXPECT_EQ(registry->capacity, MAX_OBJECT_NUMBER + 16);
}

TEST_F(Registry, ForeignValuesOutsideTheTableAreNeverDereferenced) {
    take(AUTO_ID, 3);
    Record stray{1, 2};
    int64_t foreign = record_handle(&stray);
    EXPECT_EQ(find_object(registry, foreign), nullptr);
    EXPECT_EQ(check_object(registry, foreign), 0);
    release_object(registry, foreign);
    EXPECT_EQ(stray.handle, 1);
    // Values that point nowhere at all must not be touched either.
    for (int64_t bogus : {int64_t{0x10}, int64_t{0x7fff0000}, INT64_MAX}) {
        if (bogus < registry->capacity) continue;
        EXPECT_EQ(find_object(registry, bogus), nullptr);
        release_object(registry, bogus);
    }
}

TEST_F(Registry, CallbackMayReleaseTheRecordDuringFreeAll) {
    // free_record releases each automatic node while the cursor is past it.
    for (int i = 0; i < 5; ++i) take(AUTO_ID, i + 1);
    free_all_objects(registry);
    EXPECT_EQ(freed.size(), 5u);
    EXPECT_EQ(registry->automatic, nullptr);
}

TEST(StateBlock, IsZeroFilledAndInitialised) {
    struct Block {
        int a;
        int b[8];
    };
    auto* block = static_cast<Block*>(make_state_block(sizeof(Block), [](void* p) { static_cast<Block*>(p)->a = 5; }));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(static_cast<Block*>(state_block(block))->a, 5);
    for (int v : block->b) EXPECT_EQ(v, 0);
    runtime_free(block);
}

TEST(RuntimeMemory, GrowingKeepsOldBytesAndZeroesNewOnes) {
    auto* p = static_cast<unsigned char*>(runtime_alloc(8));
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 8);
    p = static_cast<unsigned char*>(runtime_realloc(p, 8, 64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0xAB);
    for (int i = 8; i < 64; ++i) EXPECT_EQ(p[i], 0);
    runtime_free(p);
    auto* q = static_cast<unsigned char*>(alloc_memory(100));
    ASSERT_NE(q, nullptr);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(q[i], 0);
    free_memory(q);
    size_t out;
    EXPECT_FALSE(multiply_size(SIZE_MAX / 2 + 1, 2, &out));
    EXPECT_TRUE(multiply_size(600 * 4, 600, &out));
    EXPECT_EQ(out, 1440000u);
}

}  // namespace
