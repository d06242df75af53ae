// The encoders' file layer: the few file operations a save needs, on the
// platform's own calls (kernel32 on Windows, stdio elsewhere).  Handles are
// opaque 64-bit values; 0 is no file.
#pragma once

#include <cstdint>
#include <cstdio>

// Creates a new, empty file for writing; fails (0) when the name exists.
int64_t create_new_file(const char* name);
// The file as a stream, for the libraries that write through a FILE*; the
// stream owns it from then on (fclose closes the file).  Null on failure,
// with the file closed.
FILE* file_stream(int64_t file);
// 1 when all `size` bytes were written.
int32_t write_file(int64_t file, const void* data, uint64_t size);
// Closes the file; 1 when everything written before reached the file.
int32_t close_file(int64_t file);
int32_t delete_file(const char* name);
// Moves `from` over `to`, replacing a file of that name in one step.
int32_t replace_file(const char* from, const char* to);
// A number that tells this process from others writing in the same folder.
uint32_t process_number();
