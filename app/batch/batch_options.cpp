#include "app/batch/batch_options.h"

#include "app/model/options.h"

const char* const BATCH_USAGE =
    "Usage: roundcut-cli [options] PICTURE...\n"
    "Writes a round cut-out of each picture into the folder given by --out.\n"
    "\n"
    "  --out DIR              the folder for the cut-outs (made if missing); required\n"
    "  --size N               the cut-out's side in pixels, 1 to 4096 (600)\n"
    "  --format png|jpg       the file format (png)\n"
    "  --radius R             the circle's radius on the 600 canvas, 1 to 500 (295)\n"
    "  --smooth               a smooth edge\n"
    "  --background RRGGBB    the colour outside the circle (000000)\n"
    "  --inside-alpha A       the alpha inside the circle, 0 to 255 (255)\n"
    "  --outside-alpha A      the alpha outside the circle, 0 to 255 (255)\n"
    "  --square first|centre|faces\n"
    "                         the square cut: the window's first square, the largest\n"
    "                         centred one, or the one on the face (centre without one)\n"
    "                         (centre)\n"
    "  --use-settings         take every option not given from the window's settings\n"
    "  --overwrite            replace existing files instead of writing NAME (2).png\n"
    "  --jobs N               pictures at once (one per core)\n"
    "  --quiet                print only the summary and failures\n"
    "  --version              print the version\n"
    "  --help                 print this text\n"
    "\n"
    "Wildcards (* and ?) in PICTURE are expanded. Exit code: 0 when every picture\n"
    "was written, 1 when any failed, 2 for a usage error.\n";

namespace {

// A whole decimal number in low..high.
bool read_whole(const std::string& text, int64_t low, int64_t high, int64_t* out) {
    if (text.empty() || text.size() > 9) return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

// RRGGBB, an optional leading "#", to 0x00BBGGRR as the tool keeps colours.
bool read_colour(std::string text, int64_t* out) {
    if (!text.empty() && text[0] == '#') text.erase(0, 1);
    if (text.size() != 6) return false;
    uint32_t rgb = 0;
    for (char c : text) {
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        rgb = rgb << 4 | static_cast<uint32_t>(d);
    }
    *out = static_cast<int64_t>((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
    return true;
}

}  // namespace

BatchCommand read_batch_arguments(const std::vector<std::string>& arguments, BatchOptions* o, std::string* error) {
    *o = BatchOptions{};
    o->radius = RADIUS_OPTION.start;
    o->colour = COLOUR_OPTION.start;
    o->inside_alpha = o->outside_alpha = ALPHA_OPTION.start;
    o->smooth = SMOOTH_EDGE_OPTION.start;
    bool out_set = false, options_end = false;
    auto fail = [&](const std::string& why) {
        *error = why;
        return BATCH_USAGE_ERROR;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (options_end || a.size() < 2 || a[0] != '-') {
            o->pictures.push_back(a);
            continue;
        }
        if (a == "--") {
            options_end = true;
            continue;
        }
        if (a == "--help" || a == "-h" || a == "/?") return BATCH_HELP;
        if (a == "--version") return BATCH_VERSION;
        if (a == "--smooth") o->smooth = 1, o->smooth_set = true;
        else if (a == "--use-settings") o->use_settings = true;
        else if (a == "--overwrite") o->overwrite = true;
        else if (a == "--quiet") o->quiet = true;
        else {
            // Options with a value: "--size 256" or "--size=256".
            std::string name = a, value;
            const size_t equals = a.find('=');
            if (equals != std::string::npos) {
                name = a.substr(0, equals);
                value = a.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                const bool known = a == "--out" || a == "--size" || a == "--format" || a == "--radius" ||
                                   a == "--background" || a == "--inside-alpha" || a == "--outside-alpha" ||
                                   a == "--square" || a == "--jobs";
                return fail(known ? a + " needs a value" : "unknown option " + a);
            }
            if (name == "--out") {
                if (value.empty()) return fail("--out needs a folder");
                o->out = value;
                out_set = true;
            } else if (name == "--size") {
                if (!read_whole(value, 1, 4096, &o->size)) return fail("--size must be a whole number from 1 to 4096, not " + value);
                o->size_set = true;
            } else if (name == "--format") {
                if (value == "png" || value == "PNG") o->format = BATCH_PNG;
                else if (value == "jpg" || value == "JPG" || value == "jpeg") o->format = BATCH_JPG;
                else return fail("--format must be png or jpg, not " + value);
            } else if (name == "--radius") {
                if (!read_whole(value, RADIUS_OPTION.low, RADIUS_OPTION.high, &o->radius))
                    return fail("--radius must be a whole number from 1 to 500, not " + value);
                o->radius_set = true;
            } else if (name == "--background") {
                if (!read_colour(value, &o->colour)) return fail("--background must be six hex digits RRGGBB, not " + value);
                o->colour_set = true;
            } else if (name == "--inside-alpha" || name == "--outside-alpha") {
                const bool inside = name == "--inside-alpha";
                if (!read_whole(value, 0, 255, inside ? &o->inside_alpha : &o->outside_alpha))
                    return fail(name + " must be a whole number from 0 to 255, not " + value);
                (inside ? o->inside_set : o->outside_set) = true;
            } else if (name == "--square") {
                if (value == "first") o->square = SQUARE_FIRST;
                else if (value == "centre" || value == "center") o->square = SQUARE_CENTRE;
                else if (value == "faces") o->square = SQUARE_FACES;
                else return fail("--square must be first, centre or faces, not " + value);
            } else if (name == "--jobs") {
                if (!read_whole(value, 1, 256, &o->jobs)) return fail("--jobs must be a whole number from 1 to 256, not " + value);
            } else {
                return fail("unknown option " + name);
            }
        }
    }
    if (!out_set) return fail("no --out folder given");
    if (o->pictures.empty()) return fail("no pictures given");
    return BATCH_RUN;
}
