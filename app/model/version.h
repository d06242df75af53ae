// The program's version, set once in the build (project VERSION).
#pragma once

const char* roundcut_version();
