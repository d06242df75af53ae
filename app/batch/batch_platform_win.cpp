// The batch's platform calls on Windows: wide-character file calls (names in
// the program's code page, UTF-8 under its manifest), and GDI+ through the
// picture room, one at a time.
#include "app/batch/batch_platform.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "app/picture/load_file.h"
#include "image/image.h"

namespace {

std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 1 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// The image library's records and GDI+ are not for several threads at once.
std::mutex platform_decoding;

}  // namespace

bool read_whole_file(const std::string& name, std::vector<uint8_t>* bytes, uint64_t limit) {
    HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && static_cast<uint64_t>(size.QuadPart) <= limit;
    if (ok) {
        try {
            bytes->resize(static_cast<size_t>(size.QuadPart));
        } catch (...) {
            ok = false;
        }
    }
    DWORD got = 0;
    for (size_t at = 0; ok && at < bytes->size(); at += got) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - at, 1u << 30));
        ok = ReadFile(file, bytes->data() + at, want, &got, nullptr) && got > 0;
    }
    CloseHandle(file);
    return ok;
}

bool file_exists(const std::string& name) { return GetFileAttributesW(wide(name).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool make_folders(const std::string& folder) {
    if (folder.empty()) return false;
    const DWORD attributes = GetFileAttributesW(wide(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const size_t slash = folder.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0 && folder[slash - 1] != ':') make_folders(folder.substr(0, slash));
    return CreateDirectoryW(wide(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::vector<std::string> expand_wildcards(const std::string& name) {
    if (name.find_first_of("*?") == std::string::npos) return {name};
    const size_t slash = name.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide(name).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(folder + narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

int processor_count() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

bool decode_with_platform(const std::string& file, PlainPicture* picture) {
    std::lock_guard<std::mutex> one_at_a_time(platform_decoding);
    const int64_t image = decode_picture_file(file.c_str());
    BitmapInfo info{};
    const uint8_t* bits = image ? image_bits(image, &info) : nullptr;
    bool ok = bits && info.bits_per_pixel == 24 && info.width > 0 && info.height > 0;
    if (ok) {
        try {
            const size_t row = static_cast<size_t>(info.width) * 3;
            picture->pixels.resize(row * static_cast<size_t>(info.height));
            // Bottom-up memory: the top row is the last.
            for (int32_t y = 0; y < info.height; ++y)
                std::memcpy(picture->pixels.data() + row * y, bits + static_cast<ptrdiff_t>(info.height - 1 - y) * info.stride, row);
            picture->width = info.width;
            picture->height = info.height;
        } catch (...) {
            ok = false;
        }
    }
    if (image) free_image(image);
    return ok;
}
