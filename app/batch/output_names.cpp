#include "app/batch/output_names.h"

#include <set>

std::string file_part(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

std::string folded(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name;
}

}  // namespace

std::vector<std::string> output_names(const std::string& folder, const std::vector<std::string>& pictures,
                                      const char* extension, bool overwrite,
                                      const std::function<bool(const std::string&)>& exists) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
    std::set<std::string> taken;
    std::vector<std::string> names;
    for (const std::string& picture : pictures) {
        std::string stem = file_part(picture);
        const size_t dot = stem.rfind('.');
        if (dot != std::string::npos && dot > 0) stem.erase(dot);
        if (stem.empty()) stem = "picture";
        std::string name = prefix + stem + "." + extension;
        for (int n = 2; taken.count(folded(name)) || (!overwrite && exists(name)); ++n)
            name = prefix + stem + " (" + std::to_string(n) + ")." + extension;
        taken.insert(folded(name));
        names.push_back(name);
    }
    return names;
}
