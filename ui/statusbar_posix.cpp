// Stand-ins for builds without the platform's status window: no status bar
// can be made, so every other operation finds none and does nothing.
#include "ui/statusbar.h"

void init_status_bars() {}
int64_t create_status_bar(int64_t, int64_t) { return 0; }
void add_status_bar_field(int32_t) {}
void status_bar_text(int64_t, int32_t, const char*, int32_t) {}
void free_status_bar(int64_t) {}
ObjectRegistry* status_bar_registry() { return nullptr; }
