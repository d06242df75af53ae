// Builds without the user's application data folder remember nothing.
#include "app/model/settings.h"
#include "app/model/settings_file.h"

std::string settings_file() { return {}; }

void load_settings() {}

bool store_settings(bool) { return false; }
