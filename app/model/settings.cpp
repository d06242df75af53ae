#include "app/model/settings.h"

#include <cstring>

#include "app/model/state.h"
#include "ui/requester.h"

char remembered_load_folder[SETTINGS_FOLDER_SIZE];
char remembered_save_folder[SETTINGS_FOLDER_SIZE];

namespace {

// Magnitudes stop growing here: anything larger is out of every range
// anyway, and the arithmetic never overflows.
constexpr uint64_t SATURATED = 1ull << 40;

struct Text {
    const char* p;
    size_t n;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

Text trimmed(Text t) {
    while (t.n && is_blank(*t.p)) ++t.p, --t.n;
    while (t.n && is_blank(t.p[t.n - 1])) --t.n;
    return t;
}

bool equals(Text t, const char* word) { return std::strlen(word) == t.n && std::memcmp(t.p, word, t.n) == 0; }

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A whole value in decimal with an optional "-"; false for anything else.
bool read_integer(Text t, int64_t* out) {
    bool negative = false;
    if (t.n && *t.p == '-') negative = true, ++t.p, --t.n;
    if (t.n == 0) return false;
    uint64_t value = 0;
    for (size_t i = 0; i < t.n; ++i) {
        if (t.p[i] < '0' || t.p[i] > '9') return false;
        value = value * 10 + static_cast<uint64_t>(t.p[i] - '0');
        if (value > SATURATED) value = SATURATED;
    }
    *out = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return true;
}

// "#RRGGBB" (exactly six hexadecimal digits, red first as people write
// colours) to 0x00BBGGRR; anything else is no colour.
bool read_colour(Text t, int64_t* out) {
    if (t.n != 7 || *t.p != '#') return false;
    uint32_t value = 0;
    for (size_t i = 1; i < t.n; ++i) {
        const int d = hex_digit(t.p[i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    *out = static_cast<int64_t>((value >> 16 & 0xFF) | (value & 0xFF00) | (value & 0xFF) << 16);
    return true;
}

void colour_text(std::string& out, int64_t colour) {
    static const char digits[] = "0123456789ABCDEF";
    const uint32_t c = static_cast<uint32_t>(clamp_option(COLOUR_OPTION, colour));
    const uint32_t rgb = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += digits[rgb >> shift & 15];
}

// A folder is taken whole or not at all: a shortened path would name some
// other folder.
void read_folder(Text t, char* folder) {
    if (t.n >= SETTINGS_FOLDER_SIZE) return;
    for (size_t i = 0; i < t.n; ++i)
        if (static_cast<unsigned char>(t.p[i]) < 32) return;
    std::memcpy(folder, t.p, t.n);
    folder[t.n] = '\0';
}

void read_custom_colours(Text t, uint32_t* colours) {
    for (int i = 0; i < 16 && t.n; ++i) {
        const char* comma = static_cast<const char*>(std::memchr(t.p, ',', t.n));
        const size_t length = comma ? static_cast<size_t>(comma - t.p) : t.n;
        int64_t colour;
        if (read_colour(trimmed({t.p, length}), &colour)) colours[i] = static_cast<uint32_t>(colour);
        if (!comma) break;
        t.p += length + 1;
        t.n -= length + 1;
    }
}

void read_line(Text line, Settings* s) {
    if (std::memchr(line.p, '\0', line.n)) return;
    const char* equal = static_cast<const char*>(std::memchr(line.p, '=', line.n));
    if (!equal) return;  // a section header, a comment or nonsense
    const Text key = trimmed({line.p, static_cast<size_t>(equal - line.p)});
    const Text value = trimmed({equal + 1, line.n - static_cast<size_t>(equal - line.p) - 1});

    struct Number {
        const char* key;
        int64_t* field;
    } const numbers[] = {
        {"radius", &s->radius},           {"step_x", &s->step_x},
        {"step_y", &s->step_y},           {"step_xy", &s->step_xy},
        {"inner_alpha", &s->inner_alpha}, {"outer_alpha", &s->outer_alpha},
        {"smooth_edge", &s->smooth_edge}, {"output_size", &s->output_size},
        {"start_on_faces", &s->start_on_faces},
        {"window_x", &s->window_x},       {"window_y", &s->window_y},
        {"window_width", &s->window_width}, {"window_height", &s->window_height},
        {"window_maximised", &s->window_maximised},
    };
    for (const Number& n : numbers)
        if (equals(key, n.key)) {
            read_integer(value, n.field);
            return;
        }
    if (equals(key, "background_colour")) read_colour(value, &s->background_colour);
    else if (equals(key, "custom_colours")) read_custom_colours(value, s->custom_colours);
    else if (equals(key, "load_folder")) read_folder(value, s->load_folder);
    else if (equals(key, "save_folder")) read_folder(value, s->save_folder);
}

void put_number(std::string& out, const char* key, int64_t value) {
    out += key;
    out += '=';
    out += std::to_string(value);
    out += "\r\n";
}

void copy_folder(char* to, const char* from) {
    const void* end = std::memchr(from, 0, SETTINGS_FOLDER_SIZE - 1);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - from) : SETTINGS_FOLDER_SIZE - 1;
    std::memmove(to, from, length);
    to[length] = '\0';
}

}  // namespace

void default_settings(Settings* s) {
    std::memset(s, 0, sizeof *s);
    s->radius = RADIUS_OPTION.start;
    s->step_x = s->step_y = s->step_xy = STEP_OPTION.start;
    s->inner_alpha = s->outer_alpha = ALPHA_OPTION.start;
    s->background_colour = COLOUR_OPTION.start;
    s->smooth_edge = SMOOTH_EDGE_OPTION.start;
    s->output_size = DEFAULT_OUTPUT_SIZE;
    s->start_on_faces = START_ON_FACES_OPTION.start;
}

void clamp_settings(Settings* s) {
    s->radius = clamp_option(RADIUS_OPTION, s->radius);
    s->step_x = clamp_option(STEP_OPTION, s->step_x);
    s->step_y = clamp_option(STEP_OPTION, s->step_y);
    s->step_xy = clamp_option(STEP_OPTION, s->step_xy);
    s->inner_alpha = clamp_option(ALPHA_OPTION, s->inner_alpha);
    s->outer_alpha = clamp_option(ALPHA_OPTION, s->outer_alpha);
    s->background_colour = clamp_option(COLOUR_OPTION, s->background_colour);
    for (uint32_t& c : s->custom_colours) c = static_cast<uint32_t>(clamp_option(COLOUR_OPTION, c));
    s->smooth_edge = clamp_option(SMOOTH_EDGE_OPTION, s->smooth_edge);
    s->start_on_faces = clamp_option(START_ON_FACES_OPTION, s->start_on_faces);
    s->window_x = clamp_option(WINDOW_PLACE_OPTION, s->window_x);
    s->window_y = clamp_option(WINDOW_PLACE_OPTION, s->window_y);
    s->window_width = clamp_option(WINDOW_SIZE_OPTION, s->window_width);
    s->window_height = clamp_option(WINDOW_SIZE_OPTION, s->window_height);
    s->window_maximised = clamp_option(WINDOW_MAXIMISED_OPTION, s->window_maximised);
    int64_t nearest = OUTPUT_SIZE_CHOICES[0];
    for (int64_t size : OUTPUT_SIZE_CHOICES) {
        const int64_t distance = size > s->output_size ? size - s->output_size : s->output_size - size;
        const int64_t best = nearest > s->output_size ? nearest - s->output_size : s->output_size - nearest;
        if (distance < best) nearest = size;
    }
    s->output_size = nearest;
    s->load_folder[SETTINGS_FOLDER_SIZE - 1] = '\0';
    s->save_folder[SETTINGS_FOLDER_SIZE - 1] = '\0';
}

void parse_settings(const char* text, size_t size, Settings* s) {
    default_settings(s);
    size_t at = 0;
    while (text && at < size) {
        const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
        if (!end) break;  // the last line was cut short: its value may be too
        size_t length = static_cast<size_t>(end - (text + at));
        if (length && text[at + length - 1] == '\r') --length;
        read_line({text + at, length}, s);
        at += static_cast<size_t>(end - (text + at)) + 1;
    }
    clamp_settings(s);
}

std::string settings_text(const Settings& settings) {
    Settings s = settings;
    clamp_settings(&s);
    std::string out = "[roundcut]\r\n";
    put_number(out, "radius", s.radius);
    put_number(out, "step_x", s.step_x);
    put_number(out, "step_y", s.step_y);
    put_number(out, "step_xy", s.step_xy);
    put_number(out, "inner_alpha", s.inner_alpha);
    put_number(out, "outer_alpha", s.outer_alpha);
    out += "background_colour=";
    colour_text(out, s.background_colour);
    out += "\r\ncustom_colours=";
    for (int i = 0; i < 16; ++i) {
        if (i) out += ',';
        colour_text(out, s.custom_colours[i]);
    }
    out += "\r\n";
    put_number(out, "smooth_edge", s.smooth_edge);
    put_number(out, "output_size", s.output_size);
    put_number(out, "start_on_faces", s.start_on_faces);
    put_number(out, "window_x", s.window_x);
    put_number(out, "window_y", s.window_y);
    put_number(out, "window_width", s.window_width);
    put_number(out, "window_height", s.window_height);
    put_number(out, "window_maximised", s.window_maximised);
    // A folder that would not read back whole (blanks at its ends, control
    // characters) is left out.
    Settings check;
    default_settings(&check);
    read_folder(trimmed({s.load_folder, std::strlen(s.load_folder)}), check.load_folder);
    read_folder(trimmed({s.save_folder, std::strlen(s.save_folder)}), check.save_folder);
    out += "load_folder=";
    if (!std::strcmp(check.load_folder, s.load_folder)) out += s.load_folder;
    out += "\r\nsave_folder=";
    if (!std::strcmp(check.save_folder, s.save_folder)) out += s.save_folder;
    out += "\r\n";
    return out;
}

bool same_settings(const Settings& a, const Settings& b) {
    return a.radius == b.radius && a.step_x == b.step_x && a.step_y == b.step_y && a.step_xy == b.step_xy &&
           a.inner_alpha == b.inner_alpha && a.outer_alpha == b.outer_alpha &&
           a.background_colour == b.background_colour &&
           std::memcmp(a.custom_colours, b.custom_colours, sizeof a.custom_colours) == 0 &&
           a.smooth_edge == b.smooth_edge && a.output_size == b.output_size && a.start_on_faces == b.start_on_faces &&
           a.window_x == b.window_x && a.window_y == b.window_y && a.window_width == b.window_width &&
           a.window_height == b.window_height && a.window_maximised == b.window_maximised &&
           std::strcmp(a.load_folder, b.load_folder) == 0 && std::strcmp(a.save_folder, b.save_folder) == 0;
}

void folder_of(const char* path, char* folder, size_t size) {
    if (!folder || size == 0) return;
    folder[0] = '\0';
    if (!path) return;
    size_t cut = 0;
    bool found = false;
    for (size_t i = 0; path[i]; ++i)
        if (path[i] == '\\' || path[i] == '/') cut = i, found = true;
    if (!found) return;
    // The root of a drive ("C:\") or of the file system ("\") keeps its separator.
    if (cut == 0 || (cut == 2 && path[1] == ':')) ++cut;
    if (cut >= size) return;
    std::memcpy(folder, path, cut);
    folder[cut] = '\0';
}

std::string dialog_start(const char* folder) {
    if (!folder || !*folder) return {};
    return std::string(folder) + "\\";
}

void settings_from_app(Settings* s) {
    default_settings(s);
    s->radius = app.radius;
    s->step_x = app.step_x;
    s->step_y = app.step_y;
    s->step_xy = app.step_xy;
    s->inner_alpha = app.inner_alpha;
    s->outer_alpha = app.outer_alpha;
    s->background_colour = app.background_colour;
    if (RequesterState* r = requester_state()) std::memcpy(s->custom_colours, r->custom_colours, sizeof s->custom_colours);
    s->smooth_edge = app.smooth_edge;
    s->output_size = app.output_size;
    s->start_on_faces = app.start_on_faces;
    s->window_x = app.window_x;
    s->window_y = app.window_y;
    s->window_width = app.window_width;
    s->window_height = app.window_height;
    s->window_maximised = app.window_maximised;
    copy_folder(s->load_folder, remembered_load_folder);
    copy_folder(s->save_folder, remembered_save_folder);
    clamp_settings(s);
}

void settings_to_app(const Settings& settings) {
    Settings s = settings;
    clamp_settings(&s);
    app.radius = s.radius;
    app.step_x = s.step_x;
    app.step_y = s.step_y;
    app.step_xy = s.step_xy;
    app.inner_alpha = s.inner_alpha;
    app.outer_alpha = s.outer_alpha;
    app.background_colour = s.background_colour;
    if (RequesterState* r = requester_state()) std::memcpy(r->custom_colours, s.custom_colours, sizeof s.custom_colours);
    app.smooth_edge = s.smooth_edge;
    app.output_size = s.output_size;
    app.start_on_faces = s.start_on_faces;
    app.window_x = s.window_x;
    app.window_y = s.window_y;
    app.window_width = s.window_width;
    app.window_height = s.window_height;
    app.window_maximised = s.window_maximised;
    copy_folder(remembered_load_folder, s.load_folder);
    copy_folder(remembered_save_folder, s.save_folder);
}

void reset_app_options() {
    Settings kept, reset;
    settings_from_app(&kept);
    default_settings(&reset);
    std::memcpy(reset.custom_colours, kept.custom_colours, sizeof reset.custom_colours);
    copy_folder(reset.load_folder, kept.load_folder);
    copy_folder(reset.save_folder, kept.save_folder);
    reset.window_x = kept.window_x;
    reset.window_y = kept.window_y;
    reset.window_width = kept.window_width;
    reset.window_height = kept.window_height;
    reset.window_maximised = kept.window_maximised;
    settings_to_app(reset);
}
