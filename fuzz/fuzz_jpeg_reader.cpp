// The JPEG decoder on any bytes; see decoder_checks.h for what is checked.
#include "decoder_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return check_decoder(false, data, size); }
