// What reaches the terminal: the web engine's own notes and the facts of the session stay off
// it unless GLD_DEBUG asks for them; our warnings and every critical message still get there.
#include "ProgramLog.h"

#include <QLoggingCategory>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(engineContext, "qt.webenginecontext")
Q_LOGGING_CATEGORY(pageConsole, "js")

// Runs what and gives back what it wrote to standard error.
template <typename What> QByteArray StandardErrorOf(What what) {
    QTemporaryFile capture;
    if (!capture.open()) return "capture failed";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(capture.handle(), 2);
    what();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace

class ProgramLogTest : public QObject {
    Q_OBJECT
private slots:
    void engineNotesStayOffTheTerminalAndWarningsReachIt() {
        qunsetenv("GLD_DEBUG");
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true\n*.info=true"));
        InstallProgramLog();
        const QByteArray said = StandardErrorOf([] {
            qCInfo(engineContext) << "Chromium GL Backend: glx";
            qCWarning(engineContext) << "Sandboxing disabled by user.";
            qCWarning(pageConsole) << "WebGL: context lost";
            qInfo("Sandboxing disabled by user.");
            qWarning("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'");
            qDebug("a step of ours");
            qWarning("The movie could not be read");
            qCritical("The player stopped");
        });
        qInstallMessageHandler(nullptr);
        QVERIFY2(said.contains("The movie could not be read"), said.constData());
        QVERIFY2(said.contains("The player stopped"), said.constData());
        for (const char* quiet : {"Chromium", "Sandboxing", "WebGL", "XDG_RUNTIME_DIR", "a step"})
            QVERIFY2(!said.contains(quiet), said.constData());
    }

    void debugShowsEverything() {
        QVERIFY(ReachesTerminal(QtInfoMsg, "qt.webenginecontext", "Chromium GL Backend", true));
        QVERIFY(ReachesTerminal(QtWarningMsg, "default", "QStandardPaths: XDG_RUNTIME_DIR not set",
                                true));
        QVERIFY(!ReachesTerminal(QtWarningMsg, "js", "Uncaught TypeError", false));
    }
};

QTEST_MAIN(ProgramLogTest)
#include "ProgramLogTest.moc"
