#include "app/model/version.h"

#ifndef ROUNDCUT_VERSION
#define ROUNDCUT_VERSION "0.0.0"
#endif

const char* roundcut_version() { return ROUNDCUT_VERSION; }
