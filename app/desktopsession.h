#pragma once

// What the desktop around the window does for it. The skinned window has no
// frame of the system's, so it asks the compositor or the window manager to
// move, resize and maximise it where one is there to ask, and does it itself
// only on a bare X server.

// A Wayland session: the compositor places every window and ignores a
// client's move(), and a window mask only limits where input arrives.
bool compositorPlacesWindows();

// Someone manages the windows: a Wayland compositor, or an X11 window
// manager that announces itself on the root window (EWMH). False on a bare
// X server and on the offscreen platform.
bool windowManagerRuns();
