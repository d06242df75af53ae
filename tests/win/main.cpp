// The Windows test program's entry point.  Tests that need the toolkit or the
// image library initialise what they use themselves.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // As the tool's manifest declares: windows laid out at their monitor's DPI.
    using SetAwareness = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext"))))
        set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)));  // per monitor, version 2
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
