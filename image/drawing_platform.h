// The device-context services a drawing output needs from the platform.
#pragma once

#include <cstdint>

int64_t create_output_context();                       // 0 on failure
void select_output_bitmap(int64_t dc, int64_t bitmap);
void delete_output_context(int64_t dc);
int64_t graphics_batch_limit();
void set_graphics_batch_limit(int64_t limit);
