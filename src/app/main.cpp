// The program: the main window over the project named on the command line, if any.

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "BuildIdentity.h"
#include "FileDialogs.h"
#include "ProgramIdentity.h"
#include "ProgramLog.h"
#include "QtMessageBoxes.h"
#include "QtShell.h"
#include "dm.h"
#include "fMain.h"

namespace {

const char* const kHelp = "usage: glimmerdrome [PROJECT.gldp]\n"
                          "       glimmerdrome --help | --version\n"
                          "\n"
                          "Opens the Glimmerdrome main window, on PROJECT when one is given.\n";

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the application object exists, so that they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s", VersionLine("glimmerdrome").c_str());
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s", kHelp);
        return 0;
    }

    InstallProgramLog();
    QApplication application(argc, argv);
    QApplication::setApplicationName("Glimmerdrome");
    QApplication::setApplicationVersion(ProgramVersion());
    QApplication::setWindowIcon(Tdm::ProgramIcon());

    QtMessageBoxes boxes;
    InstallMessageBoxes(&boxes);
    TQtShell shell;
    InstallShell(&shell);

    int result = 0;
    {
        TfrmMain window;
        dm();
        OpenCommandLineProject(window, QCoreApplication::arguments());
        window.show();
        result = application.exec();
    }
    InstallShell(nullptr);
    InstallMessageBoxes(nullptr);
    return result;
}
