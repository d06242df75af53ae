// Without GDI+ there is no decoder: every load gives the black fallback.
#include "app/source.h"

int64_t load_with_gdiplus(const char*) { return 0; }
