// File > Batch...: many pictures cut out at once with the window's options
// and square rule, written into one folder while a small progress window
// shows how far it got (a bar, "12 of 50: IMG_0012.HEIC" and Cancel) and
// the main window stays usable.  At the end the progress window says how
// many were written and lists what failed and why.
#pragma once

#include <string>
#include <vector>

// Asks for the pictures (several may be chosen) and the output folder, then
// starts the batch.  While one runs, brings its window to the front instead.
void on_batch();

// Starts the batch of these pictures into the folder (made when missing)
// with the window's current options: as PNG files at the output size, each
// square as a load would start it.  False when a batch is already running.
bool start_batch(const std::vector<std::string>& pictures, const std::string& folder);

// The progress window (an HWND's value), 0 when none is open.
long long batch_window();

// Whether pictures are still being worked on.
bool batch_running();

// At exit: stops starting pictures, waits for those under way and closes
// the progress window.
void end_batch();
