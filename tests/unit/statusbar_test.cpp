// The status bar's platform-independent half: the field array, the layout
// arithmetic and the form a field's text takes for each appearance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/memory.h"
#include "ui/statusbar.h"

namespace {

struct Fields {
    StatusField* fields = nullptr;
    int32_t count = 0, capacity = 0;
    ~Fields() { runtime_free(fields); }
    bool add(int32_t width) { return append_status_field(&fields, &count, &capacity, width); }
    std::vector<int32_t> edges(int32_t left, int32_t usable_right) const {
        std::vector<int32_t> out(count);
        status_field_edges(fields, count, left, usable_right, out.data());
        return out;
    }
};

TEST(StatusBarFields, GrowByEightUpTo256AndKeepWhatTheyHold) {
    Fields f;
    for (int32_t i = 0; i < 8; ++i) ASSERT_TRUE(f.add(i + 1));
    EXPECT_EQ(f.capacity, STATUS_FIELDS_FIRST);
    ASSERT_TRUE(f.add(IGNORE_ARG));
    EXPECT_EQ(f.capacity, 16);
    EXPECT_EQ(f.count, 9);
    for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(f.fields[i].width, i + 1);
    EXPECT_EQ(f.fields[8].width, IGNORE_ARG);
    EXPECT_EQ(f.fields[8].kind, STATUS_FIELD_TEXT);
    EXPECT_EQ(f.fields[8].flags, 0);

    while (f.count < STATUS_BAR_MAX_FIELDS) ASSERT_TRUE(f.add(7));
    EXPECT_EQ(f.capacity, 256);
    StatusField* before = f.fields;
    EXPECT_FALSE(f.add(99));  // the 257th changes nothing
    EXPECT_EQ(f.count, 256);
    EXPECT_EQ(f.capacity, 256);
    EXPECT_EQ(f.fields, before);
    EXPECT_EQ(f.fields[255].width, 7);
}

TEST(StatusBarLayout, FixedWidthsKeepTheirEdgesAndSharedOnesSplitTheRest) {
    Fields six;
    for (int i = 0; i < 6; ++i) six.add(60);
    const std::vector<int32_t> sixty = {60, 120, 180, 240, 300, 360};
    EXPECT_EQ(six.edges(0, 1330), sixty);
    EXPECT_EQ(six.edges(0, 200), sixty);  // whatever the width

    Fields shared;
    shared.add(100);
    shared.add(IGNORE_ARG);
    shared.add(IGNORE_ARG);
    EXPECT_EQ(shared.edges(0, 500), (std::vector<int32_t>{100, 300, 500}));
    EXPECT_EQ(shared.edges(0, 500 - 18 + 3), (std::vector<int32_t>{100, 292, 484}));  // grip room, truncated
    EXPECT_EQ(shared.edges(10, 500), (std::vector<int32_t>{100, 295, 490}));

    Fields thirds;
    for (int i = 0; i < 3; ++i) thirds.add(IGNORE_ARG);
    EXPECT_EQ(thirds.edges(0, 100), (std::vector<int32_t>{33, 66, 99}));

    // Fixed fields wider than the bar leave the shared one a negative width.
    Fields over;
    over.add(400);
    over.add(IGNORE_ARG);
    over.add(50);
    EXPECT_EQ(over.edges(0, 300), (std::vector<int32_t>{400, 250, 300}));

    // Sums beyond 32 bits stay defined and are clamped.
    Fields huge;
    huge.add(INT32_MAX);
    huge.add(INT32_MAX);
    EXPECT_EQ(huge.edges(0, 100), (std::vector<int32_t>{INT32_MAX, INT32_MAX}));
}

std::string form(const char* text, int32_t flags, int themed) {
    char* block = status_text_form(text, flags, themed);
    if (!block) return "(as is)";
    std::string out = block;
    runtime_free(block);
    return out;
}

TEST(StatusBarText, FlagsGiveTheBorderStyleAndTheAlignmentPrefix) {
    struct Case {
        int32_t flags;
        uint32_t style;
        const char* unthemed;
        const char* themed;
    } cases[] = {
        {0, 0, "(as is)", "(as is)"},
        {STATUS_RAISED, 0x200, "(as is)", "(as is)"},
        {STATUS_BORDERLESS, 0x100, "(as is)", "(as is)"},
        {STATUS_RAISED | STATUS_BORDERLESS, 0x200, "(as is)", "(as is)"},  // 3 behaves as 1
        {STATUS_RAISED | STATUS_CENTRED, 0x200, "\tB: 640", "\tB: 640"},   // the application's 5
        {STATUS_RIGHT, 0, "\t\tB: 640", "\t\tB: 640    "},
        {STATUS_CENTRED | STATUS_RIGHT, 0, "\tB: 640", "\tB: 640"},  // centred wins
        {STATUS_BORDERLESS | STATUS_RIGHT, 0x100, "\t\tB: 640", "\t\tB: 640    "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(status_text_style(c.flags), c.style) << c.flags;
        EXPECT_EQ(form("B: 640", c.flags, 0), c.unthemed) << c.flags;
        EXPECT_EQ(form("B: 640", c.flags, 1), c.themed) << c.flags;
    }
    EXPECT_EQ(form(nullptr, STATUS_CENTRED, 0), "\t");
    EXPECT_EQ(form("", STATUS_RIGHT, 1), "\t\t    ");
}

}  // namespace
