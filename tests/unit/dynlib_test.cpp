#include "core/dynlib.h"

#include <gtest/gtest.h>

#include "core/registry.h"

namespace {

int64_t mix(int64_t sum, int64_t position, int64_t value) {
    return static_cast<int64_t>(static_cast<uint64_t>(sum) * 31u + static_cast<uint64_t>(value) * (position + 1));
}

int64_t checksum(std::initializer_list<int64_t> values) {
    int64_t s = 7, i = 0;
    for (int64_t v : values) s = mix(s, i++, v);
    return s;
}

// Records in the automatic list, open or not.
int automatic_records() {
    int n = 0;
    for (RegistryNode* node = library_registry()->automatic; node; node = node->next) ++n;
    return n;
}

// The test library counts calls in its own memory: a fresh load starts at 0,
// so a count that survives closing means the module was never unloaded.
bool test_library_kept_its_count(int64_t library) { return call_function(library, "rc_calls") != 0; }

class DynamicCalls : public ::testing::Test {
protected:
    void SetUp() override { init_dynamic_libraries(); }
    void TearDown() override { close_library(-1); }
};

TEST_F(DynamicCalls, ArgumentsArriveInOrderForEveryCount) {
    ASSERT_NE(open_library(3, ROUNDCUT_TESTDLL), 0);
    EXPECT_EQ(call_function(3, "rc_zero"), 4242);
    EXPECT_EQ(call_function(3, "rc_one", int64_t{-5}), checksum({-5}));
    EXPECT_EQ(call_function(3, "rc_six", 1, 2, 3, 4, 5, int64_t{1} << 40), checksum({1, 2, 3, 4, 5, int64_t{1} << 40}));
    EXPECT_EQ(call_function(3, "rc_twenty", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, -20),
              checksum({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, -20}));
    // Pointers travel as integers.
    int local = 0;
    int64_t as_int = reinterpret_cast<intptr_t>(&local);
    EXPECT_EQ(call_function(3, "rc_one", &local), checksum({as_int}));
}

TEST_F(DynamicCalls, AutomaticIdReturnsTheRecordHandle) {
    int64_t library = open_library(AUTO_ID, ROUNDCUT_TESTDLL);
    ASSERT_NE(library, 0);
    EXPECT_EQ(call_function(library, "rc_zero"), 4242);
    EXPECT_NE(get_function(library, "rc_zero"), 0);
    close_library(library);
    EXPECT_EQ(call_function(library, "rc_zero"), 0);
}

TEST_F(DynamicCalls, MissingLibraryFunctionOrNameGiveZeroWithoutCalling) {
    const int records = automatic_records();
    EXPECT_EQ(open_library(AUTO_ID, "no_such_library_roundcut.dll"), 0);
    EXPECT_EQ(open_library(AUTO_ID, nullptr), 0);
    EXPECT_EQ(automatic_records(), records);  // failures leave no record behind
    EXPECT_EQ(open_library(5, "no_such_library_roundcut.dll"), 0);
    EXPECT_EQ(call_function(5, "rc_zero"), 0);
    EXPECT_EQ(call_function(0, "rc_zero"), 0);
    EXPECT_EQ(open_library(6, nullptr), 0);

    ASSERT_NE(open_library(1, ROUNDCUT_TESTDLL), 0);
    int64_t calls = call_function(1, "rc_calls");
    EXPECT_EQ(call_function(1, "rc_no_such_function"), 0);
    EXPECT_EQ(call_function(1, nullptr), 0);
    EXPECT_EQ(get_function(1, nullptr), 0);
    EXPECT_EQ(call_function(1, "rc_calls"), calls);
    EXPECT_EQ(call_function(1, "rc_count"), calls + 1);
}

TEST_F(DynamicCalls, ReopeningANumberClosesTheFirstLibrary) {
    ASSERT_NE(open_library(2, ROUNDCUT_TESTDLL), 0);
    EXPECT_EQ(call_function(2, "rc_zero"), 4242);
    EXPECT_EQ(call_function(2, "rc_count"), 1);
    // The number now names a library that failed to load: nothing is callable.
    EXPECT_EQ(open_library(2, "no_such_library_roundcut.dll"), 0);
    EXPECT_EQ(call_function(2, "rc_zero"), 0);
    // The first library was really unloaded.
    ASSERT_NE(open_library(2, ROUNDCUT_TESTDLL), 0);
    EXPECT_FALSE(test_library_kept_its_count(2));
}

TEST_F(DynamicCalls, CloseAllLeavesNothingCallable) {
    ASSERT_NE(open_library(0, ROUNDCUT_TESTDLL), 0);
    ASSERT_NE(open_library(7, ROUNDCUT_TESTDLL), 0);
    int64_t handle = open_library(AUTO_ID, ROUNDCUT_TESTDLL);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(call_function(handle, "rc_count"), 1);
    close_library(-1);
    EXPECT_EQ(call_function(0, "rc_zero"), 0);
    EXPECT_EQ(call_function(7, "rc_zero"), 0);
    EXPECT_EQ(call_function(handle, "rc_zero"), 0);
    EXPECT_EQ(automatic_records(), 0);
    close_library(7);  // names no library any more: nothing happens
    // All three references were dropped: the module was unloaded.
    ASSERT_NE(open_library(1, ROUNDCUT_TESTDLL), 0);
    EXPECT_FALSE(test_library_kept_its_count(1));
}

TEST_F(DynamicCalls, ArgumentCountOutOfRangeGivesZero) {
    ASSERT_NE(open_library(1, ROUNDCUT_TESTDLL), 0);
    int64_t args[21] = {};
    EXPECT_EQ(call_function_args(1, "rc_zero", args, 21), 0);
    EXPECT_EQ(call_function_args(1, "rc_zero", args, -1), 0);
    EXPECT_EQ(call_function_args(1, "rc_zero", args, 0), 4242);
}

}  // namespace
