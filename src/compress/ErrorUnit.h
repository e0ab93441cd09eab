#pragma once
// The engine's one message box: reports a condition after which the work goes on.

#include <string>

// Shows text in a box titled "Error" with a single OK button; raises nothing.
void ShowError(const std::string& message);
