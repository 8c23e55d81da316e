// What the program needs to know about the desktop it runs on.
#pragma once

// Whether a window manager runs that places and maximises windows (it announces itself on
// the root window). Without one a window keeps the size and place it asked for.
bool DesktopHasWindowManager();
