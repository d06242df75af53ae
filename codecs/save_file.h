// Saving through a temporary file: every writer writes into a fresh file in
// the target's folder and moves it over the target only once it is complete.
// So a save either replaces the target with a whole new file or leaves the
// old one untouched, and a failed save leaves no partial file under any name.
#pragma once

#include <cstdint>
#include <cstdio>

// Room for the longest path the platform's 8-bit file calls take, plus the
// temporary name's own part.
constexpr int TEMP_NAME_SIZE = 4096 + 64;

struct TempName {
    char text[TEMP_NAME_SIZE];
};

// Fills `out` with a temporary name in the folder of `target`: the target's
// folder part followed by a name of this process and a running count.
// 0 when the target is empty or too long.
int32_t make_temp_name(const char* target, TempName* out);

// A new temporary file beside the target through the file layer, 0 on failure.
int64_t create_temp_file(const char* target, TempName* name);
// Closes the file and moves it over the target; on any failure the temporary
// file is deleted and 0 returned.
int32_t commit_temp_file(int64_t file, const TempName* name, const char* target);
// Closes and deletes an unfinished temporary file.
void discard_temp_file(int64_t file, const TempName* name);

// The same for the libraries that write through a FILE*.
FILE* create_temp_stream(const char* target, TempName* name);
int32_t commit_temp_stream(FILE* stream, const TempName* name, const char* target);
void discard_temp_stream(FILE* stream, const TempName* name);
