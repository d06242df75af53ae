// Builds without the user's application data folder remember nothing.
#include "app/settings.h"

std::string settings_file() { return {}; }

void load_settings() {}

bool store_settings() { return false; }
