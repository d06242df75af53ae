// The command line of roundcut-cli: its options, read from the arguments,
// and its usage text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum BatchSquare { SQUARE_FIRST, SQUARE_CENTRE, SQUARE_FACES };
enum BatchFormat { BATCH_PNG, BATCH_JPG };

struct BatchOptions {
    std::string out;                    // --out DIR
    std::vector<std::string> pictures;  // as given, wildcards not yet expanded
    int64_t size = 600;
    BatchFormat format = BATCH_PNG;
    int64_t radius = 0, colour = 0, inside_alpha = 0, outside_alpha = 0, smooth = 0;
    BatchSquare square = SQUARE_CENTRE;
    bool use_settings = false, overwrite = false, quiet = false;
    int64_t jobs = 0;  // 0: one per core
    // Which of the look's options the command line set: --use-settings
    // takes the others from the window's remembered settings.
    bool size_set = false, radius_set = false, colour_set = false, inside_set = false, outside_set = false,
         smooth_set = false;
};

enum BatchCommand {
    BATCH_RUN,      // the options are complete
    BATCH_HELP,     // --help: print the usage text
    BATCH_VERSION,  // --version
    BATCH_USAGE_ERROR,
};

// Reads the arguments after the program's name.  A usage error leaves one
// line saying what is wrong in *error.  Options not given keep the start
// values of the window's options (radius 295, both alphas 255, black, no
// smooth edge).
BatchCommand read_batch_arguments(const std::vector<std::string>& arguments, BatchOptions* options,
                                  std::string* error);

// What --help prints.
extern const char* const BATCH_USAGE;
