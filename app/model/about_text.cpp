#include "app/model/about_text.h"

#include "app/model/version.h"

std::string about_text() {
    std::string text = "roundcut ";
    text += roundcut_version();
    text +=
        "\r\nTurns a photograph into a round cut-out.\r\n\r\n"
        "Built in and beside this program (the full texts are in THIRD_PARTY_NOTICES.txt):\r\n\r\n";
    // Written with the notices, from the same texts.
    for (const char* line : {
#include "app/model/about_credits.inc"
         })
        text += line;
    text += "\r\nThis software is based in part on the work of the Independent JPEG Group.\r\n";
    return text;
}
