#include "app/model/about_text.h"

#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "app/model/version.h"

#define ROUNDCUT_TEXT(x) #x
#define ROUNDCUT_VALUE_TEXT(x) ROUNDCUT_TEXT(x)

std::string about_text() {
    std::string text = "roundcut ";
    text += roundcut_version();
    text +=
        "\r\nTurns a photograph into a round cut-out.\r\n\r\n"
        "Built into this program (the full texts are in THIRD_PARTY_NOTICES.txt):\r\n\r\n"
        "libpng " PNG_LIBPNG_VER_STRING
        " - PNG Reference Library License version 2.\r\n"
        "Copyright (c) 1995-2022 The PNG Reference Library Authors.\r\n\r\n"
        "zlib " ZLIB_VERSION
        " - zlib License.\r\n"
        "Copyright (C) 1995-2022 Jean-loup Gailly and Mark Adler.\r\n\r\n"
        "libjpeg-turbo " ROUNDCUT_VALUE_TEXT(LIBJPEG_TURBO_VERSION)
        " - IJG License, Modified (3-clause) BSD License and zlib License.\r\n"
        "Copyright (C) 2009-2023 D. R. Commander; (C) 1991-2020 Thomas G. Lane, Guido Vollbeding.\r\n"
        "This software is based in part on the work of the Independent JPEG Group.\r\n\r\n"
        "MinGW-w64 runtime - Zope Public License 2.1 and MIT-style licences (winpthreads);\r\n"
        "GCC runtime libraries - GPL 3 with the GCC Runtime Library Exception.\r\n";
    return text;
}
