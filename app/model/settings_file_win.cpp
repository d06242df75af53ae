// The settings file in the user's application data folder.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "app/model/settings.h"
#include "app/model/settings_file.h"
#include "codecs/file_layer.h"
#include "codecs/save_file.h"

namespace {

// A settings file is a few hundred bytes; reading stops here, and the line
// cut by the limit is dropped like any cut line.
constexpr DWORD SETTINGS_READ_LIMIT = 64 * 1024;

// What the file holds as far as this run knows: nothing is written while
// the tool's settings equal it.
Settings stored;
bool stored_known = false;

// The APPDATA variable first (it is what the user's session sets, and what
// a test points elsewhere), else the shell's folder.
std::string application_data_folder() {
    // In UTF-8 a path of MAX_PATH characters takes up to three times the bytes.
    char folder[3 * MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("APPDATA", folder, sizeof folder);
    if (length > 0 && length < sizeof folder) return folder;
    folder[0] = '\0';
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, folder)) && folder[0]) return folder;
    return {};
}

std::string settings_folder() {
    std::string folder = application_data_folder();
    if (folder.empty()) return {};
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + "roundcut";
}

bool write_settings(const std::string& target, const std::string& text) {
    TempName temp;
    const int64_t file = create_temp_file(target.c_str(), &temp);
    if (!file) return false;
    if (!write_file(file, text.data(), text.size())) {
        discard_temp_file(file, &temp);
        return false;
    }
    return commit_temp_file(file, &temp, target.c_str()) != 0;
}

}  // namespace

std::string settings_file() {
    const std::string folder = settings_folder();
    return folder.empty() ? std::string() : folder + "\\roundcut.ini";
}

void load_settings() {
    Settings settings;
    default_settings(&settings);
    const std::string name = settings_file();
    HANDLE file = name.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        static char text[SETTINGS_READ_LIMIT];
        DWORD got = 0, total = 0;
        while (total < sizeof text && ReadFile(file, text + total, sizeof text - total, &got, nullptr) && got > 0)
            total += got;
        CloseHandle(file);
        parse_settings(text, total, &settings);
    }
    settings_to_app(settings);
    // What the file gave is what the tool now holds: nothing to write yet.
    settings_from_app(&stored);
    stored_known = true;
}

bool store_settings(bool now) {
    Settings settings;
    settings_from_app(&settings);
    if (stored_known && same_settings(settings, stored)) return true;
    // The quiet moments come every few milliseconds: a folder that stays
    // unwritable costs a try every two seconds, not one per moment.
    static bool failed = false;
    static DWORD failed_at = 0;
    if (failed && !now && GetTickCount() - failed_at < 2000) return false;
    const std::string folder = settings_folder();
    if (!folder.empty()) CreateDirectoryA(folder.c_str(), nullptr);  // usually there already
    failed = folder.empty() || !write_settings(settings_file(), settings_text(settings));
    if (failed) {
        failed_at = GetTickCount();
        return false;
    }
    // Only what is on disk counts as stored: a failed write is tried again.
    stored = settings;
    stored_known = true;
    return true;
}
