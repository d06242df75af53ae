// The batch's platform calls on POSIX systems, for the native build: plain
// stdio, mkdir, glob; no platform decoder.
#include "app/batch/batch_platform.h"

#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

bool read_whole_file(const std::string& name, std::vector<uint8_t>* bytes, uint64_t limit) {
    FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t block[65536];
    bool ok = true;
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        if (bytes->size() + got > limit) {
            ok = false;
            break;
        }
        bytes->insert(bytes->end(), block, block + got);
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool file_exists(const std::string& name) {
    struct stat s;
    return stat(name.c_str(), &s) == 0;
}

bool make_folders(const std::string& folder) {
    struct stat s;
    if (folder.empty()) return false;
    if (stat(folder.c_str(), &s) == 0) return S_ISDIR(s.st_mode);
    const size_t slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0) make_folders(folder.substr(0, slash));
    return mkdir(folder.c_str(), 0777) == 0 || (stat(folder.c_str(), &s) == 0 && S_ISDIR(s.st_mode));
}

std::vector<std::string> expand_wildcards(const std::string& name) {
    if (name.find_first_of("*?") == std::string::npos) return {name};
    std::vector<std::string> names;
    glob_t found{};
    if (glob(name.c_str(), 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i) names.push_back(found.gl_pathv[i]);
    globfree(&found);
    return names;
}

int processor_count() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

bool decode_with_platform(const std::string&, PlainPicture*) { return false; }
