// What a batch asks of the platform: whole files, folders, wildcards and the
// platform's own decoders.  Names are in the program's code page (UTF-8
// under its manifest, and natively).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole file; false when it cannot be read (or is larger than
// `limit` bytes).
bool read_whole_file(const std::string& name, std::vector<uint8_t>* bytes, uint64_t limit);

bool file_exists(const std::string& name);

// Makes the folder and any missing folders above it; true when it exists
// afterwards.
bool make_folders(const std::string& folder);

// The files a name with * or ? matches, in name order (a name without
// them as it is); none when nothing matches.
std::vector<std::string> expand_wildcards(const std::string& name);

// The processors to share the work among.
int processor_count();

// A picture in plain memory: 24-bit, blue-green-red, rows top-down and
// packed (3 x width bytes apart); `pixels` may be longer than the picture
// (a buffer kept from a larger one).
struct PlainPicture {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
};

// Decodes what our own decoders declined through the platform's (GDI+ on
// Windows; none elsewhere), one picture at a time whatever the thread.
bool decode_with_platform(const std::string& file, PlainPicture* picture);
