#include "app/model/command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "app/model/options.h"
#include "ui/window.h"

namespace {

// How a menu item names a shortcut: "Ctrl+Shift+S".  Only letters are
// named; any other key gives a name no item shows.
std::string shortcut_name(const Shortcut& s) {
    std::string name;
    if (s.modifiers & ACCEL_CONTROL) name += "Ctrl+";
    if (s.modifiers & ACCEL_SHIFT) name += "Shift+";
    if (s.modifiers & ACCEL_ALT) name += "Alt+";
    if (s.key >= 'A' && s.key <= 'Z') name += static_cast<char>(s.key);
    else name += "key " + std::to_string(s.key);
    return name;
}

// Every command is offered once, every key gives one command, and an item
// shows a shortcut exactly when one gives its command, and then a real one.
TEST(CommandTable, ItemsCommandsAndShortcutsAgree) {
    std::set<std::pair<int, int>> keys;
    for (size_t i = 0; i < MAIN_SHORTCUT_COUNT; ++i) {
        const Shortcut& s = MAIN_SHORTCUTS[i];
        EXPECT_TRUE(keys.insert({s.modifiers, s.key}).second) << shortcut_name(s);
        EXPECT_NE(s.command, 0);
    }
    std::set<int> commands;
    for (size_t p = 0; p < MAIN_MENU_COUNT; ++p) {
        ASSERT_NE(MAIN_MENU[p].title, nullptr);
        for (size_t e = 0; e < MAIN_MENU[p].count; ++e) {
            const MenuEntry& entry = MAIN_MENU[p].entries[e];
            if (entry.kind == MENU_ENTRY_SEPARATOR) continue;
            ASSERT_NE(entry.text, nullptr);
            const std::string text = entry.text;
            SCOPED_TRACE(text);
            if (entry.kind == MENU_ENTRY_OUTPUT_SIZES) continue;
            EXPECT_TRUE(commands.insert(entry.command).second);
            EXPECT_FALSE(entry.command >= COMMAND_OUTPUT_SIZE_FIRST &&
                         entry.command < COMMAND_OUTPUT_SIZE_FIRST + OUTPUT_SIZE_COUNT);  // the sizes' own numbers
            const size_t tab = text.find('\t');
            const std::string shown = tab == std::string::npos ? "" : text.substr(tab + 1);
            std::set<std::string> giving;
            for (size_t i = 0; i < MAIN_SHORTCUT_COUNT; ++i)
                if (MAIN_SHORTCUTS[i].command == entry.command) giving.insert(shortcut_name(MAIN_SHORTCUTS[i]));
            EXPECT_EQ(shown.empty(), giving.empty()) << shown;
            if (!shown.empty()) {
                EXPECT_EQ(giving.count(shown), 1u) << shown;
            }
        }
    }
}

}  // namespace
