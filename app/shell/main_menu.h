// The main window's menu bar and the controls that show the options.
#pragma once

// File, Options and Help on the main window; the client area keeps its
// size.  Item states follow the application state (show_options).
void build_main_menu();

// The spins, the alpha trackbars, the smooth-edge tick and the output-size
// dot show what the application state holds.
void show_options();

// Help > About roundcut: a message box over the main window.
void show_about();
