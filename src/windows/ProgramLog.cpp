#include "ProgramLog.h"

#include <QByteArray>
#include <QMessageLogContext>

#include <cstdio>
#include <cstring>

namespace {

bool StartsWith(const char* text, const char* prefix) {
    return text && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Lines that tell of the surroundings rather than of a fault: as root the sandbox is switched
// off on purpose, and a session started without a runtime folder still works.
bool IsEnvironmentNote(const QString& message) {
    return message.startsWith(QLatin1String("Sandboxing disabled by user")) ||
           message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")) ||
           message.startsWith(QLatin1String("QStandardPaths: runtime directory"));
}

bool IsEngineCategory(const char* category) {
    return StartsWith(category, "js") || StartsWith(category, "qt.webengine");
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    static const bool debug = !qEnvironmentVariableIsEmpty("GLD_DEBUG");
    if (!ReachesTerminal(type, context.category, message, debug)) return;
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

} // namespace

bool ReachesTerminal(QtMsgType type, const char* category, const QString& message, bool debug) {
    if (debug) return true;
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return false;
    case QtWarningMsg:
        return !IsEngineCategory(category) && !IsEnvironmentNote(message);
    case QtCriticalMsg:
    case QtFatalMsg:
        return true;
    }
    return true;
}

void InstallProgramLog() {
    qInstallMessageHandler(Handle);
}
