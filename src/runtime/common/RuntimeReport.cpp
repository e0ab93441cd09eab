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
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        const bool usable = connection && xcb_connection_has_error(connection) == 0;
        if (connection) xcb_disconnect(connection);
        if (usable) return true;
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
