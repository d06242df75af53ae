// The names a batch writes: the picture's name with the format's extension
// in the output folder, never an existing file's name unless overwriting,
// never one name for two pictures.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The file name of a path, after its last "\" or "/".
std::string file_part(const std::string& path);

// For each picture (a path), the output file's full name: DIR\NAME.EXT, or
// DIR\NAME (2).EXT and so on when that name is taken, by a file that
// `exists` reports (unless `overwrite`) or by an earlier picture of the
// list (compared without regard to ASCII case, as Windows compares names).
std::vector<std::string> output_names(const std::string& folder, const std::vector<std::string>& pictures,
                                      const char* extension, bool overwrite,
                                      const std::function<bool(const std::string&)>& exists);
