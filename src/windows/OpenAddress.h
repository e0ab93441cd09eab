#pragma once
// Opening a web or mail address, or a document, with the desktop's default program. Where the
// desktop has none for it, the user is told so and may copy the address to the clipboard, so a
// click never ends in silence.

#include <string>

// True when the desktop's program started; otherwise the user has been told, and offered the
// copy.
bool OpenAddress(const std::string& address);

// The question asked when nothing could open the address.
std::string CannotOpenText(const std::string& address);
