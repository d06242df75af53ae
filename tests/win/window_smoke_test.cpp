// Proves that the Windows half of the suite runs real windows: a top-level
// window is created on the (virtual) display, shown, painted and destroyed
// through its own message loop.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

int paints = 0;

LRESULT CALLBACK smoke_proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        ++paints;
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

TEST(WindowHarness, RealWindowIsCreatedShownAndPainted) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = smoke_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RoundcutSmokeClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowA("RoundcutSmokeClass", "smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 320, 200,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    MSG msg;
    for (int i = 0; i < 50 && paints == 0; ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    EXPECT_GT(paints, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    RECT client;
    GetClientRect(window, &client);
    EXPECT_GT(client.right, 0);
    EXPECT_TRUE(DestroyWindow(window));
    UnregisterClassA("RoundcutSmokeClass", wc.hInstance);
}

}  // namespace
