// The file commands: New, Open, Reopen, Save, Save As and Close with the save question, the
// project extension rule, the Reopen submenu, the first activation and closing the window.

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QToolBar>
#include <QtTest>
#include <thread>

#include "AppTestHelpers.h"
#include "Cleanup.h"
#include "Config.h"
#include "FilePaths.h"
#include "FileWriter.h"

namespace {
const std::string kSaveQuestion = "Current project is not saved yet, do you want to save it now?";

QStringList ReopenCaptions(TfrmMain& window) {
    QStringList captions;
    for (QAction* entry : Control<QMenu>(window, "mnuReopen")->actions())
        captions << entry->text();
    return captions;
}
} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void ensureProjectExtensionKeepsAnyCaseOfGldp() {
        QCOMPARE(EnsureProjectExtension("/work/demo"), std::string("/work/demo.gldp"));
        QCOMPARE(EnsureProjectExtension("/work/DEMO.GLDP"), std::string("/work/DEMO.GLDP"));
        QCOMPARE(EnsureProjectExtension("/work/demo.txt"), std::string("/work/demo.txt.gldp"));
        QCOMPARE(EnsureProjectExtension("x.gl"), std::string("x.gl.gldp"));
        QCOMPARE(EnsureProjectExtension(".gldp"), std::string(".gldp"));
    }

    void saveAsAppliesTheExtensionRule() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::pair<std::string, std::string> cases[] = {
            {sandbox.Path("demo"), sandbox.Path("demo.gldp")},
            {sandbox.Path("UPPER.GLDP"), sandbox.Path("UPPER.GLDP")},
            {sandbox.Path("notes.txt"), sandbox.Path("notes.txt.gldp")},
        };
        for (const auto& [chosen, saved] : cases) {
            sandbox.dialogs.Answer({chosen});
            window->SaveAs();
            QCOMPARE(window->ProjectFile, saved);
            QVERIFY(QFile::exists(QString::fromStdString(saved)));
        }
        QVERIFY(!QFile::exists(QString::fromStdString(sandbox.Path("demo"))));
    }

    void saveAsProposesUntitledOrTheFilesName() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        sandbox.dialogs.Cancel();
        window->SaveAs();
        QCOMPARE(sandbox.dialogs.requests.back().fileName, std::string("Untitled"));
        QCOMPARE(sandbox.dialogs.requests.back().filter,
                 std::string("Glimmerdrome Project (*.gldp)|*.gldp"));
        QVERIFY(sandbox.dialogs.requests.back().kind == TFileDialogKind::Save);
        QVERIFY(window->ProjectFile.empty());

        window->LoadProject(sandbox.Path("demo.gldp"));
        sandbox.dialogs.Cancel();
        window->SaveAs();
        QCOMPARE(sandbox.dialogs.requests.back().fileName, std::string("demo.gldp"));
        QCOMPARE(window->ProjectFile, sandbox.Path("demo.gldp"));
    }

    void saveOfAnUntitledProjectBecomesSaveAs() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("3");
        sandbox.dialogs.Answer({sandbox.Path("first")});
        Control<QAction>(*window, "actSave")->trigger();
        QCOMPARE(window->ProjectFile, sandbox.Path("first.gldp"));
        QVERIFY(!window->Modified);
        QVERIFY(!Control<QAction>(*window, "actSave")->isEnabled());
        // A named project saves in place without a dialog.
        Control<QLineEdit>(*window, "txtVersion")->setText("4");
        const size_t dialogs = sandbox.dialogs.requests.size();
        window->Save();
        QCOMPARE(sandbox.dialogs.requests.size(), dialogs);
        QVERIFY(sandbox.ReadText(sandbox.Path("first.gldp")).find("Version=4") !=
                std::string::npos);
    }

    void newAsksAndYesRunsSaveAsEvenForANamedProject() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path = sandbox.Path("named.gldp");
        window->LoadProject(path);
        Control<QLineEdit>(*window, "txtVersion")->setText("9");
        sandbox.boxes.Answer(TMsgAnswer::Yes);
        sandbox.dialogs.Answer({sandbox.Path("copy")});
        window->NewCommand();
        QCOMPARE(sandbox.boxes.shown.back().text, kSaveQuestion);
        QCOMPARE(sandbox.boxes.shown.back().caption, std::string("Confirm"));
        QVERIFY(sandbox.dialogs.requests.back().kind == TFileDialogKind::Save);
        QVERIFY(sandbox.ReadText(sandbox.Path("copy.gldp")).find("Version=9") != std::string::npos);
        QVERIFY(!QFile::exists(QString::fromStdString(path)));
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        QVERIFY(window->ProjectFile.empty());
    }

    void newAnsweredNoDropsTheChanges() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("9");
        sandbox.boxes.Answer(TMsgAnswer::No);
        window->NewCommand();
        QVERIFY(sandbox.dialogs.requests.empty());
        QCOMPARE(Control<QLineEdit>(*window, "txtVersion")->text(), QString("1.00"));
        QVERIFY(!window->Modified);
    }

    void unchangedProjectsAreClosedWithoutAQuestion() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->CloseCommand();
        window->NewCommand();
        QVERIFY(sandbox.boxes.shown.empty());
    }

    void closeAnsweredYesSavesInPlaceAndNoDoesNot() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path = sandbox.Path("keep.gldp");
        window->LoadProject(path);
        Control<QLineEdit>(*window, "txtVersion")->setText("yes");
        sandbox.boxes.Answer(TMsgAnswer::Yes);
        window->CloseCommand();
        QVERIFY(sandbox.dialogs.requests.empty());
        QVERIFY(sandbox.ReadText(path).find("Version=yes") != std::string::npos);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));

        window->LoadProject(path);
        Control<QLineEdit>(*window, "txtVersion")->setText("no");
        sandbox.boxes.Answer(TMsgAnswer::No);
        window->CloseCommand();
        QVERIFY(sandbox.ReadText(path).find("Version=yes") != std::string::npos);
        QVERIFY(!window->Modified);
    }

    void openAsksThenLoadsTheChosenProject() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string target =
            sandbox.MakeProject("target.gldp", {"[General Information]", "ProjectName=Target"});
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("lost");
        sandbox.boxes.Answer(TMsgAnswer::No);
        sandbox.dialogs.Answer({target});
        window->OpenCommand();
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QCOMPARE(sandbox.dialogs.requests.back().filter,
                 std::string("Glimmerdrome Project (*.gldp)|*.gldp"));
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Target"));
        QCOMPARE(window->ProjectFile, target);
    }

    void openCancelledLeavesANewProjectAndARebuiltReopenMenu() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->LoadProject(
            sandbox.MakeProject("seen.gldp", {"[General Information]", "ProjectName=Seen"}));
        QVERIFY(ReopenCaptions(*window).isEmpty()); // not rebuilt by loading
        sandbox.dialogs.Cancel();
        window->OpenCommand();
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        QVERIFY(window->ProjectFile.empty());
        QCOMPARE(ReopenCaptions(*window),
                 QStringList{"0 " + QString::fromStdString(sandbox.Path("seen.gldp"))});
    }

    void reopenListsNineEntriesAndLoadsTheChosenOne() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        TConfig& settings = window->Settings();
        for (int i = 9; i >= 0; --i)
            settings.AddRecentFile(sandbox.Path("p" + std::to_string(i) + ".gldp"));
        window->BuildReopenMenu();
        const QStringList captions = ReopenCaptions(*window);
        QCOMPARE(captions.size(), 9);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(captions.at(i), QString("%1 %2").arg(i).arg(QString::fromStdString(
                                         sandbox.Path("p" + std::to_string(i) + ".gldp"))));
        QCOMPARE(Control<QMenu>(*window, "mnuReopen")->actions().at(2)->statusTip(),
                 QString::fromStdString(sandbox.Path("p2.gldp")));

        // An entry whose file is gone opens nothing: the author is told and may drop it.
        Control<QTabWidget>(*window, "pageMain")->setCurrentIndex(2);
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("x");
        Control<QTabWidget>(*window, "pageMain")->setCurrentIndex(3);
        const std::string gone = sandbox.Path("p4.gldp");
        sandbox.boxes.Answer(TMsgAnswer::No);
        Control<QMenu>(*window, "mnuReopen")->actions().at(4)->trigger();
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QCOMPARE(sandbox.boxes.shown[0].text, MissingRecentProjectText(gone));
        QVERIFY(sandbox.boxes.shown[0].text.find(gone + " does not exist!") == 0);
        QCOMPARE(ReopenCaptions(*window).size(), 9);
        sandbox.boxes.Answer(TMsgAnswer::Yes);
        Control<QMenu>(*window, "mnuReopen")->actions().at(4)->trigger();
        QCOMPARE(ReopenCaptions(*window).size(), 8);
        QCOMPARE(ReopenCaptions(*window).at(4),
                 "4 " + QString::fromStdString(sandbox.Path("p5.gldp")));
        TRecentFiles recent;
        settings.ReadRecentFiles(recent);
        QCOMPARE(recent[4], sandbox.Path("p5.gldp"));
        QCOMPARE(recent[7], sandbox.Path("p8.gldp"));
        QVERIFY(recent[8].empty());
        // The project in the pages was never touched.
        QCOMPARE(Control<QLineEdit>(*window, "txtVersion")->text(), QString("x"));
        QVERIFY(window->Modified);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        QCOMPARE(Control<QTabWidget>(*window, "pageMain")->currentIndex(), 3);

        // One that is there opens, on the first page, after the save question.
        const std::string present =
            sandbox.MakeProject("p5.gldp", {"[General Information]", "ProjectName=Five"});
        sandbox.boxes.shown.clear();
        sandbox.boxes.Answer(TMsgAnswer::No);
        Control<QMenu>(*window, "mnuReopen")->actions().at(4)->trigger();
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QCOMPARE(window->ProjectFile, present);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Five"));
        QCOMPARE(Control<QTabWidget>(*window, "pageMain")->currentIndex(), 0);
        settings.ReadRecentFiles(recent);
        QCOMPARE(recent[0], present);
    }

    void reopenShowsAmpersandsInPathsAsThemselves() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path = sandbox.MakeProject("R&D.gldp", {"[General Information]"});
        window->Settings().AddRecentFile(path);
        window->BuildReopenMenu();
        QAction* entry = Control<QMenu>(*window, "mnuReopen")->actions().at(0);
        QCOMPARE(entry->iconText(), "0 " + QString::fromStdString(path));
        sandbox.boxes.Answer(TMsgAnswer::No);
        entry->trigger();
        QCOMPARE(window->ProjectFile, path);
    }

    void reopenStopsAtTheFirstBlankEntry() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        TRecentFiles recent;
        recent[0] = sandbox.Path("a.gldp");
        recent[1] = "   ";
        recent[2] = sandbox.Path("c.gldp");
        window->Settings().WriteRecentFiles(recent);
        window->BuildReopenMenu();
        QCOMPARE(ReopenCaptions(*window).size(), 1);
    }

    void firstActivationFollowsTheQuickStartSwitchOnce() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->Activated = false;
        window->Settings().SetQuickStart(false);
        window->FormActivate();
        QVERIFY(window->Activated);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        Control<QLineEdit>(*window, "txtVersion")->setText("kept");
        window->FormActivate();
        QCOMPARE(Control<QLineEdit>(*window, "txtVersion")->text(), QString("kept"));
    }

    void commandLineProjectReplacesTheQuickStart() {
        TAppSandbox sandbox;
        const std::string project =
            sandbox.MakeProject("cl.gldp", {"[General Information]", "ProjectName=From Shell"});
        auto window = sandbox.MakeMain();
        window->Activated = false;
        OpenCommandLineProject(*window,
                               {"glimmerdrome", QString::fromStdString(project), "ignored"});
        QVERIFY(window->Activated);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - From Shell"));
        // Showing the window now starts neither the quick start nor a new project.
        window->show();
        QTest::qWait(50);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - From Shell"));

        const std::string missing = sandbox.Path("missing.gldp");
        auto other = sandbox.MakeMain();
        other->Activated = false;
        OpenCommandLineProject(*other, {"glimmerdrome", QString::fromStdString(missing)});
        // A new project to be saved there, named in the title by its file.
        QCOMPARE(TitleOf(*other), QString("Glimmerdrome - missing.gldp"));
        QCOMPARE(other->ProjectFile, missing);
        TRecentFiles recent;
        other->Settings().ReadRecentFiles(recent);
        QCOMPARE(recent[0], missing);

        auto plain = sandbox.MakeMain();
        plain->Activated = false;
        OpenCommandLineProject(*plain, {"glimmerdrome"});
        QVERIFY(!plain->Activated);
        QCOMPARE(TitleOf(*plain), QString("Glimmerdrome"));
    }

    void showingTheWindowBuildsReopenAndOpensTheFirstPage() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->Settings().AddRecentFile(sandbox.Path("r.gldp"));
        Control<QTabWidget>(*window, "pageMain")->setCurrentIndex(3);
        window->show();
        QCOMPARE(Control<QTabWidget>(*window, "pageMain")->currentIndex(), 0);
        QCOMPARE(ReopenCaptions(*window).size(), 1);
    }

    void closingAsksOnceAndYesSaves() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path = sandbox.Path("closing.gldp");
        window->LoadProject(path);
        window->show();
        Control<QLineEdit>(*window, "txtVersion")->setText("at close");
        sandbox.boxes.Answer(TMsgAnswer::Yes);
        QVERIFY(window->close());
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QCOMPARE(sandbox.boxes.shown[0].buttons, TMsgButtons::YesNo);
        QVERIFY(sandbox.ReadText(path).find("Version=at close") != std::string::npos);
    }

    void aFailedSaveEndsEveryCommandThatWouldDropTheEdits() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path = sandbox.MakeProject(
            "kept.gldp", {"[General Information]", "ProjectName=Kept", "Version=1"});
        const std::string other =
            sandbox.MakeProject("other.gldp", {"[General Information]", "ProjectName=Other"});
        const std::string before = sandbox.ReadText(path);
        window->LoadProject(path);
        window->Settings().AddRecentFile(other);
        window->BuildReopenMenu();
        window->show();
        window->UndeletedTempFiles.push_back(sandbox.MakeFile("left.tmp", 1));

        // The disk refuses every project file, while the settings are still written.
        TFailingFileWriter full(0, ENOSPC, ".gldp");
        TFileWriterScope scope(full);
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(other))});
        const std::vector<std::pair<QString, std::function<void()>>> commands = {
            {"Close", [&] { Control<QAction>(*window, "actClose")->trigger(); }},
            {"Open", [&] { Control<QAction>(*window, "actOpen")->trigger(); }},
            {"Reopen", [&] { Control<QMenu>(*window, "mnuReopen")->actions().at(0)->trigger(); }},
            {"New",
             [&] {
                 sandbox.dialogs.Answer({sandbox.Path("kept")});
                 Control<QAction>(*window, "actNew")->trigger();
             }},
            {"Drop",
             [&] {
                 QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton,
                                       Qt::NoModifier);
                 QApplication::sendEvent(window.get(), &enter);
                 QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton,
                                 Qt::NoModifier);
                 QApplication::sendEvent(window.get(), &drop);
                 QTRY_VERIFY(sandbox.boxes.answers.empty() && sandbox.boxes.shown.size() % 2 == 0);
             }},
            {"Exit", [&] { Control<QAction>(*window, "actExit")->trigger(); }},
            {"the window's close button", [&] { QVERIFY(!window->close()); }},
        };
        for (const auto& [name, command] : commands) {
            const QString edit = "edited before " + name;
            Control<QLineEdit>(*window, "txtVersion")->setText(edit);
            const size_t boxes = sandbox.boxes.shown.size();
            const size_t dialogs = sandbox.dialogs.requests.size();
            sandbox.boxes.Answer(TMsgAnswer::Yes);
            command();
            QVERIFY2(sandbox.boxes.shown.size() == boxes + 2, qPrintable(name));
            QCOMPARE(sandbox.boxes.shown[boxes].text, kSaveQuestion);
            QCOMPARE(sandbox.boxes.shown.back().text, "Unable to write to " + path + ".");
            QCOMPARE(sandbox.boxes.shown.back().caption, std::string("Glimmerdrome"));
            QCOMPARE(Control<QLineEdit>(*window, "txtVersion")->text(), edit);
            QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Kept"));
            QVERIFY(window->Modified);
            QCOMPARE(ModifiedPane(*window), QString("Modified"));
            QCOMPARE(window->ProjectFile, path);
            // Only New asks for a name (its Save As); Open never got to its file dialog.
            QCOMPARE(sandbox.dialogs.requests.size(), dialogs + (name == "New" ? 1 : 0));
            QVERIFY(window->isVisible());
            QCOMPARE(sandbox.ReadText(path), before);
        }
        // The window stayed, so the clean-up waits for its real closing.
        QCOMPARE(window->UndeletedTempFiles.size(), size_t(1));
        window->UndeletedTempFiles.clear();
    }

    void aWindowWhoseSettingsCannotBeReadOpensAndLeavesThemAlone() {
        TAppSandbox sandbox;
        // Beside the program and in the user's folder: a loop of links, which no one can read.
        const std::string user = sandbox.Path("config-home/glimmerdrome");
        QDir().mkpath(QString::fromStdString(user));
        for (const std::string& folder : {sandbox.ProgramDir(), user}) {
            QVERIFY(QFile::link(QString::fromStdString(folder + "/loop.ini"),
                                QString::fromStdString(folder + "/configuration.ini")));
            QVERIFY(QFile::link(QString::fromStdString(folder + "/configuration.ini"),
                                QString::fromStdString(folder + "/loop.ini")));
        }
        auto window = sandbox.MakeMain();
        QVERIFY(!sandbox.boxes.shown.empty());
        QVERIFY(sandbox.boxes.shown[0].text.rfind("Unable to read " + user + "/configuration.ini",
                                                  0) == 0);
        QVERIFY(!Control<QToolBar>(*window, "tbMain")->isHidden());
        window->show();
        // The project loads; only the recent list cannot be kept, and that is reported.
        const size_t boxes = sandbox.boxes.shown.size();
        QVERIFY(!RunGuarded([&] {
            window->LoadProject(
                sandbox.MakeProject("p.gldp", {"[General Information]", "ProjectName=Loaded"}));
        }));
        QCOMPARE(sandbox.boxes.shown.size(), boxes + 1);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Loaded"));
        QVERIFY(QFileInfo(QString::fromStdString(user + "/configuration.ini")).isSymLink());
        QVERIFY(QFileInfo(QString::fromStdString(sandbox.SettingsFile())).isSymLink());
    }

    void closingWithUndeletedFilesStartsTheCleanupScript() {
        TAppSandbox sandbox;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QString folder = QString::fromStdString(sandbox.Path(""));
        qputenv("TMPDIR", QByteArray::fromStdString(sandbox.Path("")));
        const std::string left = sandbox.MakeFile("a1_saver.tmp", 10);
        {
            auto window = sandbox.MakeMain();
            window->NewProject();
            window->show();
            window->UndeletedTempFiles.push_back(left);
            QVERIFY(window->close());
            QVERIFY(window->UndeletedTempFiles.empty());
        }
        // The script runs on its own; give it a moment to delete the file, itself and its
        // private folder.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QString::fromStdString(left)), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(folder).entryList({"glimmerdrome-*"}, QDir::AllEntries).isEmpty(), 5000);
        if (!oldRuntime.isNull()) qputenv("XDG_RUNTIME_DIR", oldRuntime);
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
    }

    void closingWithoutUndeletedFilesWritesNoScript() {
        TAppSandbox sandbox;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(sandbox.Path("")));
        {
            auto window = sandbox.MakeMain();
            window->NewProject();
            window->show();
            QVERIFY(window->close());
        }
        QVERIFY(QDir(QString::fromStdString(sandbox.Path("")))
                    .entryList({"glimmerdrome-*"}, QDir::AllEntries)
                    .isEmpty());
        QVERIFY(sandbox.boxes.shown.empty());
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
