#pragma once
// Where the messages of Qt and its web engine go. The engine's start-up notes, its sandbox
// switch, the browser's console and a session without a runtime folder are facts for a
// developer, not for the person at the terminal (or in xscreensaver's log): they are kept at
// debug level and shown only when GLD_DEBUG is set in the environment. Every other warning,
// and every critical or fatal message, reaches standard error as before.

#include <QString>
#include <QtGlobal>

// Installs the handler for the whole process; the program's entry point calls it first.
void InstallProgramLog();

// Whether a message reaches standard error; debug says whether GLD_DEBUG is set.
bool ReachesTerminal(QtMsgType type, const char* category, const QString& message, bool debug);
