#pragma once
// The application's general error box: a command that fails ends there, its message is shown
// captioned "Glimmerdrome", and the program goes on.

#include <functional>
#include <string>

// The text of the general error box: the message, with "." added when its last character
// sorts after ".".
std::string ErrorBoxText(const std::string& message);

// Shows an exception's message in the general error box captioned "Glimmerdrome".
void ShowErrorBox(const std::string& message);

// Runs a command so that an exception ends only the command: its message goes to the general
// error box and the program goes on. Returns false when the command failed.
bool RunGuarded(const std::function<void()>& command);
