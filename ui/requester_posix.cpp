// Stand-ins for builds without the platform's dialogs: every dialog counts
// as cancelled.
#include "ui/requester.h"

const char* open_file_requester(const char*, const char*, const char*, int32_t) {
    return finish_file_request(false, false);
}

const char* save_file_requester(const char*, const char*, const char*, int32_t) {
    return finish_file_request(false, false);
}

const char* open_file_requester_multi(const char*, const char*, const char*, int32_t, int32_t flags) {
    return finish_file_request(false, (flags & REQUESTER_MULTI_FLAG) != 0);
}

const char* folder_requester(const char*, const char*) { return ""; }

int64_t color_requester(int64_t) { return -1; }
