#include <windows.h>

#include "image/drawing_platform.h"

int64_t create_output_context() { return reinterpret_cast<intptr_t>(CreateCompatibleDC(nullptr)); }

void select_output_bitmap(int64_t dc, int64_t bitmap) {
    SelectObject(reinterpret_cast<HDC>(static_cast<intptr_t>(dc)),
                 reinterpret_cast<HBITMAP>(static_cast<intptr_t>(bitmap)));
}

void delete_output_context(int64_t dc) { DeleteDC(reinterpret_cast<HDC>(static_cast<intptr_t>(dc))); }

int64_t graphics_batch_limit() { return GdiGetBatchLimit(); }

void set_graphics_batch_limit(int64_t limit) { GdiSetBatchLimit(static_cast<DWORD>(limit)); }
