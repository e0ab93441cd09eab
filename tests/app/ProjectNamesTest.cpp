// A project's file names as the window takes them: names relative to the project file mean
// the files beside it, as they do to the build, and a project named on the command line is
// remembered under its full path.

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>

#include "AppTestHelpers.h"
#include "Config.h"

class ProjectNamesTest : public QObject {
    Q_OBJECT

private slots:
    void relativeNamesMeanTheFilesBesideTheProject() {
        TAppSandbox sandbox;
        QDir(QString::fromStdString(sandbox.Path(""))).mkpath("show/movies");
        sandbox.MakeFile("show/movies/intro.swf", 2048);
        sandbox.MakeIcon("show/show.ico");
        sandbox.MakeFile("show/Readme.txt", 10);
        const std::string project = sandbox.MakeProject(
            "show/show.gldp",
            {"[General Information]", "ProjectName=Show", "Icon=show.ico", "[Installer]",
             "Install Mode=1", "Readme File=Readme.txt", "License File=/elsewhere/License.txt",
             "[Files]", "0=movies/intro.swf", "1=C:\\Shows\\old.swf"});
        auto window = sandbox.MakeMain();
        window->LoadProject(project);

        QCOMPARE(window->FileList, (std::vector<std::string>{sandbox.Path("show/movies/intro.swf"),
                                                             "C:\\Shows\\old.swf"}));
        QCOMPARE(window->IconFile, sandbox.Path("show/show.ico"));
        QCOMPARE(Control<QLineEdit>(*window, "txtReadme")->text().toStdString(),
                 sandbox.Path("show/Readme.txt"));
        // Absolute names stay as they are, found or not.
        QCOMPARE(Control<QLineEdit>(*window, "txtLicense")->text(),
                 QString("/elsewhere/License.txt"));
        // The movie was found: its size counts.
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 2KB"));
        QVERIFY(!window->Modified);
    }

    void aProjectOnTheCommandLineIsRememberedByItsFullPath() {
        TAppSandbox sandbox;
        const std::string project =
            sandbox.MakeProject("typed.gldp", {"[General Information]", "ProjectName=Typed"});
        const std::string typed =
            std::filesystem::relative(project, std::filesystem::current_path()).string();
        QVERIFY(typed.front() != '/');
        auto window = sandbox.MakeMain();
        window->Activated = false;
        OpenCommandLineProject(*window, {"glimmerdrome", QString::fromStdString(typed)});

        QCOMPARE(window->ProjectFile, project);
        TRecentFiles recent;
        window->Settings().ReadRecentFiles(recent);
        QCOMPARE(recent[0], project);
    }
};

QTEST_MAIN(ProjectNamesTest)
#include "ProjectNamesTest.moc"
