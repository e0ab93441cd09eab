// The program: the main window over the project named on the command line, if any.

#include <QApplication>
#include <QCoreApplication>

#include "EventPump.h"
#include "FileDialogs.h"
#include "ProgramIdentity.h"
#include "QtMessageBoxes.h"
#include "QtShell.h"
#include "dm.h"
#include "fMain.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Glimmerdrome");
    QApplication::setApplicationVersion(ProgramVersion());
    QApplication::setWindowIcon(Tdm::ProgramIcon());

    QtMessageBoxes boxes;
    InstallMessageBoxes(&boxes);
    TQtShell shell;
    InstallShell(&shell);
    InstallMessagePump([] { QCoreApplication::processEvents(); });

    int result = 0;
    {
        TfrmMain window;
        dm();
        OpenCommandLineProject(window, QCoreApplication::arguments());
        window.show();
        result = application.exec();
    }
    InstallMessagePump(nullptr);
    InstallShell(nullptr);
    InstallMessageBoxes(nullptr);
    return result;
}
