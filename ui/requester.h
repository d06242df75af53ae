// File and colour requesters: the platform's modal common dialogs wrapped as
// single calls that return a plain value.  While a dialog runs, the calling
// thread's other visible top-level windows are disabled and topmost ones are
// lowered; both are undone when it closes.
#pragma once

#include <cstddef>
#include <cstdint>

// Patterns separate their fields with '|': description, pattern,
// description, pattern, ...  The pattern index is 0-based.
//
// The returned path is never null: an empty string means the dialog was
// cancelled or failed.  It stays valid until the next requester call.
const char* open_file_requester(const char* title, const char* default_file = nullptr,
                                const char* pattern = nullptr, int32_t pattern_index = 0);
const char* save_file_requester(const char* title, const char* default_file = nullptr,
                                const char* pattern = nullptr, int32_t pattern_index = 0);

// Flags bit 0 lets the user pick several files.  The first chosen path is
// returned here, the others by next_selected_file, which gives an empty
// string once every path has been returned.
const char* open_file_requester_multi(const char* title, const char* default_file, const char* pattern,
                                      int32_t pattern_index, int32_t flags);
const char* next_selected_file();

// A folder chosen in the platform's folder dialog (which has a box to type
// one into), titled `title`, with `start_folder` chosen at the start when
// given; empty when cancelled.
// Valid until the next requester call.
const char* folder_requester(const char* title, const char* start_folder = nullptr);

// The chosen colour (0x00BBGGRR), or -1 when cancelled.  -1 as the initial
// colour starts the dialog at black.
int64_t color_requester(int64_t initial_colour = -1);

// ---------------------------------------------------------------------------
// The platform-independent half of the file requester, shared by the dialog
// code and the tests.

// A path holds at most 259 UTF-16 units, which take at most 777 bytes in
// UTF-8, the program's code page where the platform offers it.
constexpr size_t REQUESTER_PATH_SIZE = 3 * 260;
constexpr size_t REQUESTER_MULTI_SIZE = 512000;    // the multi-selection list
constexpr uint32_t REQUESTER_MULTI_FLAG = 1;

struct RequesterState {
    char* single;                         // the single-selection buffer, or null
    char* multi;                          // the multi-selection buffer, or null
    char directory[REQUESTER_PATH_SIZE];  // directory of a multi-selection, ending in '\'
    int32_t offset;                       // next name in `multi`; 0 = nothing left
    uint32_t custom_colours[16];          // the colour dialog's, kept for the run
    char result[REQUESTER_PATH_SIZE];     // a multi-selection path put together for the caller
};

RequesterState* requester_state();

// Frees what the previous call left (a pending multi-selection only for an
// open dialog) and makes this call's buffer; null when memory runs out.
char* begin_file_request(bool open_mode, bool multi, size_t* size);

// The dialog's filter: the pattern with every '|' turned into a NUL and two
// more NULs after it.  From the runtime heap; null when memory runs out.
char* make_requester_filter(const char* pattern);

// Splits a default file at its last '\' (one in the first position does not
// count) into an initial directory and a name.  The name goes into the buffer
// unless the dialog would refuse it, in which case the buffer is emptied.
// Returns the directory as a runtime-heap copy (the empty text when there is
// no '\'); null without a default file or when memory runs out.
char* split_default_file(const char* default_file, char* buffer, size_t size);

// True for a name the dialog accepts as its initial file name.
bool acceptable_file_name(const char* name);

// The call's result once the dialog has returned.
const char* finish_file_request(bool confirmed, bool multi);
