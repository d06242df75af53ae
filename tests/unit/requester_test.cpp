// The file requester's platform-independent half: the filter, the default
// file, the result buffers and the multi-selection list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/memory.h"
#include "ui/requester.h"

namespace {

std::string bytes(const char* block, size_t n) { return std::string(block, n); }

// Puts a dialog's multi-selection answer into a fresh multi-selection buffer.
void answer_multi(const std::string& list) {
    size_t size = 0;
    char* buffer = begin_file_request(true, true, &size);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(size, REQUESTER_MULTI_SIZE);
    ASSERT_LT(list.size(), size);
    std::memcpy(buffer, list.data(), list.size());
}

TEST(RequesterFilter, BarsBecomeNulsAndTheListEndsInTwoNuls) {
    struct Case {
        const char* pattern;
        std::string expected;
    } cases[] = {
        {"All|*.png|PNG image (*.png)|*.png|", std::string("All\0*.png\0PNG image (*.png)\0*.png\0\0\0\0", 37)},
        {"Text|*.txt", std::string("Text\0*.txt\0\0\0", 13)},
        {"", std::string("\0\0\0", 3)},
        {nullptr, std::string("\0\0\0", 3)},
    };
    for (const Case& c : cases) {
        char* filter = make_requester_filter(c.pattern);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(bytes(filter, c.expected.size()), c.expected) << (c.pattern ? c.pattern : "(null)");
        runtime_free(filter);
    }
}

TEST(RequesterDefaultFile, SplitsAtTheLastBackslashAndDropsNamesTheDialogRefuses) {
    struct Case {
        const char* default_file;
        const char* directory;
        const char* name;
    } cases[] = {
        {"C:\\pictures\\cat.png", "C:\\pictures", "cat.png"},
        {"C:\\a\\b\\c d.jpg", "C:\\a\\b", "c d.jpg"},
        {"cat.png", "", "cat.png"},
        {"\\cat.png", "", ""},  // a leading '\' does not separate
        {"C:\\pictures\\*.png", "C:\\pictures", ""},
        {"*.*", "", ""},
        {"C:\\pictures\\", "C:\\pictures", ""},
        {"", "", ""},
        {"a/b.png", "", ""},
        {"what?.png", "", ""},
        {"x:y", "", ""},
        {"tab\there", "", ""},
        {"quote\"d", "", ""},
        {"pipe|d", "", ""},
        {"less<more>", "", ""},
        {"caf\xe9.png", "", "caf\xe9.png"},  // bytes above 127 are ordinary characters
    };
    for (const Case& c : cases) {
        char buffer[REQUESTER_PATH_SIZE];
        std::memset(buffer, 'z', sizeof buffer);
        char* directory = split_default_file(c.default_file, buffer, sizeof buffer);
        ASSERT_NE(directory, nullptr) << c.default_file;
        EXPECT_STREQ(directory, c.directory) << c.default_file;
        EXPECT_STREQ(buffer, c.name) << c.default_file;
        runtime_free(directory);
    }

    char buffer[8] = "keep";
    EXPECT_EQ(split_default_file(nullptr, buffer, sizeof buffer), nullptr);  // no initial directory
    EXPECT_STREQ(buffer, "keep");

    // A name longer than the buffer is cut to fit and terminated.
    char small[8];
    char* directory = split_default_file("D:\\long_file_name.png", small, sizeof small);
    EXPECT_STREQ(small, "long_fi");
    runtime_free(directory);
}

TEST(RequesterBuffers, EachCallReplacesTheSingleBufferAndCancelGivesEmpty) {
    size_t size = 0;
    char* buffer = begin_file_request(true, false, &size);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, REQUESTER_PATH_SIZE);
    EXPECT_EQ(buffer[0], '\0');
    std::strcpy(buffer, "C:\\x.png");
    EXPECT_STREQ(finish_file_request(true, false), "C:\\x.png");

    buffer = begin_file_request(false, false, &size);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer[0], '\0');  // a fresh, zero-filled buffer
    std::strcpy(buffer, "C:\\typed but cancelled");
    EXPECT_STREQ(finish_file_request(false, false), "");

    // A dialog that filled the buffer to the end still gives a terminated path.
    buffer = begin_file_request(true, false, &size);
    std::memset(buffer, 'p', size);
    EXPECT_EQ(std::strlen(finish_file_request(true, false)), REQUESTER_PATH_SIZE - 1);
}

TEST(RequesterMultiSelection, YieldsEveryPathThenEmpty) {
    answer_multi(std::string("C:\\photos\0a.png\0b.png\0c.png\0\0", 29));
    EXPECT_STREQ(finish_file_request(true, true), "C:\\photos\\a.png");
    EXPECT_STREQ(next_selected_file(), "C:\\photos\\b.png");
    EXPECT_STREQ(next_selected_file(), "C:\\photos\\c.png");
    EXPECT_STREQ(next_selected_file(), "");
    EXPECT_EQ(requester_state()->multi, nullptr);  // freed at the end
    EXPECT_STREQ(next_selected_file(), "");

    // A directory that already ends in '\' gets no second one.
    answer_multi(std::string("C:\\\0x\0y\0\0", 9));
    EXPECT_STREQ(finish_file_request(true, true), "C:\\x");
    EXPECT_STREQ(next_selected_file(), "C:\\y");
    EXPECT_STREQ(next_selected_file(), "");

    // One file: the dialog gives the full path alone.
    answer_multi(std::string("C:\\photos\\only.png\0\0", 20));
    EXPECT_STREQ(finish_file_request(true, true), "C:\\photos\\only.png");
    EXPECT_EQ(requester_state()->multi, nullptr);
    EXPECT_STREQ(next_selected_file(), "");

    // Cancelled: nothing, and nothing pending.
    answer_multi(std::string("C:\\photos\0a.png\0b.png\0\0", 23));
    EXPECT_STREQ(finish_file_request(false, true), "");
    EXPECT_STREQ(next_selected_file(), "");
}

TEST(RequesterMultiSelection, SaveDialogKeepsAPendingSelectionAndOpenDialogDropsIt) {
    answer_multi(std::string("C:\\d\0one\0two\0three\0\0", 21));
    EXPECT_STREQ(finish_file_request(true, true), "C:\\d\\one");

    ASSERT_NE(begin_file_request(false, false, nullptr), nullptr);  // a save dialog
    EXPECT_STREQ(finish_file_request(false, false), "");
    EXPECT_STREQ(next_selected_file(), "C:\\d\\two");

    ASSERT_NE(begin_file_request(true, false, nullptr), nullptr);  // an open dialog
    EXPECT_STREQ(next_selected_file(), "");
    finish_file_request(false, false);
}

// Paths hold at most REQUESTER_PATH_SIZE - 1 bytes.  A name that would make
// a longer path is skipped rather than cut off; the names after it still come.
TEST(RequesterMultiSelection, PathsTooLongForTheBufferAreSkippedNeverCut) {
    const size_t limit = REQUESTER_PATH_SIZE - 1;
    std::string directory = "C:\\" + std::string(196, 'd');  // 199 bytes, 200 with its '\'
    std::string fits(limit - 200, 'f');                       // fits exactly
    std::string too_long(limit - 199, 'l');                   // one too many
    answer_multi(directory + '\0' + too_long + '\0' + fits + '\0' + too_long + '\0' + "z" + '\0' + '\0');

    std::string first = finish_file_request(true, true);
    EXPECT_EQ(first, directory + "\\" + fits);
    EXPECT_EQ(first.size(), limit);
    EXPECT_EQ(std::string(next_selected_file()), directory + "\\z");
    EXPECT_STREQ(next_selected_file(), "");

    // Only names that do not fit: nothing at all.
    answer_multi(directory + '\0' + too_long + '\0' + too_long + '\0' + '\0');
    EXPECT_STREQ(finish_file_request(true, true), "");
    EXPECT_STREQ(next_selected_file(), "");

    // A directory that leaves no room for any name.
    answer_multi(std::string(limit, 'D') + '\0' + "a" + '\0' + '\0');
    EXPECT_STREQ(finish_file_request(true, true), "");
    EXPECT_STREQ(next_selected_file(), "");

    // A single path that is too long.
    answer_multi(std::string(limit + 41, 'P') + '\0' + '\0');
    EXPECT_STREQ(finish_file_request(true, true), "");
}

TEST(RequesterMultiSelection, UnterminatedListNeverReadsPastTheBuffer) {
    size_t size = 0;
    char* buffer = begin_file_request(true, true, &size);
    ASSERT_NE(buffer, nullptr);
    std::memset(buffer, 'q', size);
    EXPECT_STREQ(finish_file_request(true, true), "");

    // A directory and names that run to the very end of the buffer.
    buffer = begin_file_request(true, true, &size);
    std::memset(buffer, 'n', size);
    std::memcpy(buffer, "C:\\d\0a\0", 7);
    EXPECT_STREQ(finish_file_request(true, true), "C:\\d\\a");
    EXPECT_STREQ(next_selected_file(), "");  // the endless last name does not fit
    EXPECT_STREQ(next_selected_file(), "");

    // Nothing at all in the buffer.
    buffer = begin_file_request(true, true, &size);
    EXPECT_STREQ(finish_file_request(true, true), "");
}

}  // namespace
