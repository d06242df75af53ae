// Gadget machinery.
#include "ui/window_internal.h"

LRESULT gadget_parent_message(HWND control, HWND parent, UINT message, WPARAM w, LPARAM l) {
    (void)control, (void)parent, (void)message, (void)w, (void)l;
    return NOT_HANDLED;
}
