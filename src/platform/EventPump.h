#pragma once
// "Let pending messages run": long work in the core calls ProcessPendingMessages between its
// steps. The program installs a pump that runs the window system's queued events; without one
// (tests, command-line tools) the call does nothing.

#include <functional>

void InstallMessagePump(std::function<void()> pump);
void ProcessPendingMessages();
