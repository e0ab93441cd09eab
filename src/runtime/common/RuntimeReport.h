#pragma once
// Telling the end user why a runtime cannot go on: always on standard error (terminals,
// xscreensaver's log), and in a box when someone can see one.

#include <string>

struct TRuntimeIdentity;

// Whether windows can be shown: a Wayland display, or an X display that accepts a connection,
// and not one of Qt's windowless platforms. Checked without creating an application object,
// which would end the process when the display named in DISPLAY cannot be reached.
bool DisplayAvailable();

// Writes "<program>: <message>" to standard error and, when with_box is set and a display is
// available, shows the message in an error box captioned title and waits until it is closed.
// Creates the application object for the box when there is none yet.
void ReportRuntimeError(const TRuntimeIdentity& identity, const std::string& title,
                        const std::string& message, bool with_box);
