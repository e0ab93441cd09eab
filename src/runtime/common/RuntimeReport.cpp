#include "RuntimeReport.h"

#include "RuntimeCommandLine.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace {

bool EnvironmentNames(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

bool DisplayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal") ||
        platform.startsWith("vnc"))
        return false;
    if (platform.startsWith("wayland") && EnvironmentNames("WAYLAND_DISPLAY")) return true;
    if (EnvironmentNames("DISPLAY")) {
        // The probe stays connected: an X server whose last client leaves starts over, and a
        // program connecting at that moment is turned away (Qt then ends the process).
        static xcb_connection_t* probe = nullptr;
        if (probe && xcb_connection_has_error(probe) == 0) return true;
        if (probe) xcb_disconnect(probe);
        probe = xcb_connect(nullptr, nullptr);
        if (probe && xcb_connection_has_error(probe) == 0) return true;
    }
    return EnvironmentNames("WAYLAND_DISPLAY") && platform.isEmpty();
}

void ReportRuntimeError(const TRuntimeIdentity& identity, const std::string& title,
                        const std::string& message, bool with_box) {
    std::fprintf(stderr, "%s: %s\n", identity.program.c_str(), message.c_str());
    std::fflush(stderr);
    if (!with_box || !DisplayAvailable()) return;
    std::unique_ptr<QApplication> own;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (QCoreApplication::instance())
            return; // a console application object exists: no windows in this process
        static int argc = 1;
        static char name[] = "glimmerdrome-runtime";
        static char* argv[] = {name, nullptr};
        own = std::make_unique<QApplication>(argc, argv);
    }
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title),
                    QString::fromStdString(message), QMessageBox::Ok);
    box.exec();
}
