// The main window's pages: titles and the modified state, the enabling rules, loading and
// saving projects, the icon box and the file list with its commands and totals.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <QMimeData>
#include <QStatusTipEvent>

#include "AppTestHelpers.h"
#include "ColorBox.h"
#include "Config.h"
#include "Utils.h"
#include "cScl.h"

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    static void SelectRows(TfrmMain& window, std::vector<int> rows) { window.SelectRows(rows); }
    static QStringList Files(TfrmMain& window) {
        QStringList files;
        for (const auto& file : window.FileList)
            files << QString::fromStdString(file);
        return files;
    }

private slots:
    void laidOutValuesBeforeAnyProject() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome"));
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Total 0 Files"));
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 0 Mb"));
        QCOMPARE(Control<QSpinBox>(*window, "txtInterval")->value(), 5);
        QVERIFY(!Control<QSpinBox>(*window, "txtInterval")->isEnabled());
        QVERIFY(Control<QRadioButton>(*window, "rbQuick")->isChecked());
        QVERIFY(!Control<QGroupBox>(*window, "gboxSettings")->isEnabled());
        QVERIFY(Control<QCheckBox>(*window, "chkEnableUserModify")->isChecked());
        QVERIFY(!Control<QAction>(*window, "actSave")->isEnabled());
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
    }

    void titleAndModifiedPaneFollowNewEditSaveLoad() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        QCOMPARE(ModifiedPane(*window), QString());
        QVERIFY(!window->Modified);

        Control<QLineEdit>(*window, "txtProjectName")->setText("Star Field");
        QVERIFY(window->Modified);
        QCOMPARE(ModifiedPane(*window), QString("Modified"));
        QVERIFY(Control<QAction>(*window, "actSave")->isEnabled());
        // The title waits for the next save.
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));

        const std::string path = sandbox.Path("star.gldp");
        window->SaveProject(path);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Star Field"));
        QCOMPARE(ModifiedPane(*window), QString());
        QVERIFY(!Control<QAction>(*window, "actSave")->isEnabled());

        auto other = sandbox.MakeMain();
        other->LoadProject(path);
        QCOMPARE(TitleOf(*other), QString("Glimmerdrome - Star Field"));
        QVERIFY(!other->Modified);
        QCOMPARE(ModifiedPane(*other), QString());
        QCOMPARE(other->ProjectFile, path);
    }

    void newProjectSetsItsOwnDefaults() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        QCOMPARE(Control<QLineEdit>(*window, "txtProjectName")->text(), QString("Glimmerdrome"));
        QCOMPARE(Control<QLineEdit>(*window, "txtVersion")->text(), QString("1.00"));
        QCOMPARE(Control<QLineEdit>(*window, "txtAuthor")->text(),
                 QString::fromStdString(LogonUserName()));
        QCOMPARE(Control<QSpinBox>(*window, "txtInterval")->value(), 50);
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Totle 0 Files"));
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 0KB"));
        QVERIFY(window->ProjectFile.empty());

        const std::string path = sandbox.Path("new.gldp");
        window->SaveProject(path);
        const std::string text = sandbox.ReadText(path);
        QVERIFY(text.find("Icon=" + sandbox.DefaultIcon() + "\r\n") != std::string::npos);
        QVERIFY(text.find("Interval=50\r\n") != std::string::npos);
        QVERIFY(text.find("Background Color=clBlack\r\n") != std::string::npos);
        QVERIFY(text.find("[Files]") == std::string::npos);
    }

    void intervalRuleFollowsSwitchType() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        auto* interval = Control<QSpinBox>(*window, "txtInterval");
        auto* switchType = Control<QComboBox>(*window, "cboxSwitch");
        switchType->setCurrentIndex(1);
        QVERIFY(interval->isEnabled());
        QVERIFY(window->Modified);
        switchType->setCurrentIndex(0);
        QVERIFY(!interval->isEnabled());

        window->LoadProject(sandbox.MakeProject("one.gldp", {"[Configuration]", "SwitchType=1"}));
        QVERIFY(interval->isEnabled());
        QVERIFY(!window->Modified);
        window->LoadProject(sandbox.MakeProject("zero.gldp", {"[Configuration]", "SwitchType=0"}));
        QVERIFY(!interval->isEnabled());
    }

    void settingsGroupFollowsInstallMode() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        auto* group = Control<QGroupBox>(*window, "gboxSettings");
        auto* quick = Control<QRadioButton>(*window, "rbQuick");
        auto* standard = Control<QRadioButton>(*window, "rbStandard");
        window->show();
        QTest::mouseClick(standard, Qt::LeftButton);
        QVERIFY(standard->isChecked() && !quick->isChecked());
        QVERIFY(group->isEnabled());
        QVERIFY(Control<QLineEdit>(*window, "txtReadme")->isEnabled());
        QVERIFY(window->Modified);
        QTest::mouseClick(quick, Qt::LeftButton);
        QVERIFY(!group->isEnabled());

        window->LoadProject(sandbox.MakeProject("std.gldp", {"[Installer]", "Install Mode=1"}));
        QVERIFY(standard->isChecked() && group->isEnabled());
        window->LoadProject(sandbox.MakeProject("quick.gldp", {"[Installer]", "Install Mode=0"}));
        QVERIFY(quick->isChecked() && !group->isEnabled());
    }

    void intervalIsClampedOnLoadAndSavedAsShown() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        auto* interval = Control<QSpinBox>(*window, "txtInterval");
        window->LoadProject(sandbox.MakeProject("low.gldp", {"[Configuration]", "Interval=0"}));
        QCOMPARE(interval->value(), 1);
        window->LoadProject(
            sandbox.MakeProject("negative.gldp", {"[Configuration]", "Interval=-7"}));
        QCOMPARE(interval->value(), 1);
        const std::string high =
            sandbox.MakeProject("high.gldp", {"[Configuration]", "Interval=9999999"});
        window->LoadProject(high);
        QCOMPARE(interval->value(), 5000000);
        window->SaveProject(high);
        QVERIFY(sandbox.ReadText(high).find("Interval=5000000\r\n") != std::string::npos);
        // A file without the key reads 5, not the 50 of a new project.
        window->LoadProject(sandbox.MakeProject("none.gldp", {"[Configuration]"}));
        QCOMPARE(interval->value(), 5);
    }

    void iconIsKeptWhenTheProjectsIconFileIsGone() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string icon = sandbox.MakeIcon("mine.ico");
        window->LoadProject(
            sandbox.MakeProject("a.gldp", {"[General Information]", "Icon=" + icon}));
        QCOMPARE(window->IconFile, icon);
        const std::string gone = sandbox.MakeProject(
            "b.gldp", {"[General Information]", "Icon=" + sandbox.Path("deleted.ico")});
        window->LoadProject(gone);
        QCOMPARE(window->IconFile, icon);
        QVERIFY(!Control<QLabel>(*window, "imgProjectIcon")->pixmap().isNull());
        window->SaveProject(gone);
        QVERIFY(sandbox.ReadText(gone).find("Icon=" + icon + "\r\n") != std::string::npos);

        // After a new project, the default icon is the one kept.
        window->NewProject();
        window->LoadProject(sandbox.MakeProject(
            "c.gldp", {"[General Information]", "Icon=" + sandbox.Path("deleted.ico")}));
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
    }

    void iconPickerShowsIcoAndGifAndRefusesOtherPictures() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string gif = sandbox.MakeGif("anim.gif");
        sandbox.dialogs.Answer({gif});
        window->PickIcon();
        QCOMPARE(window->IconFile, gif);
        QVERIFY(window->Modified);
        QCOMPARE(sandbox.dialogs.requests.back().filter,
                 std::string("Icon File (*.ico)|*.ico|Gif File (*.gif)|*.gif"));

        window->NewProject();
        const std::string bitmap = sandbox.MakeFile("picture.bmp", 64);
        sandbox.dialogs.Answer({bitmap});
        QVERIFY(!RunGuarded([&] { window->PickIcon(); }));
        QCOMPARE(sandbox.boxes.shown.back().text,
                 std::string("Unknown picture file extension (.bmp)"));
        QCOMPARE(sandbox.boxes.shown.back().caption, std::string("Glimmerdrome"));
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
        QVERIFY(!window->Modified);

        // Cancelling keeps the icon and still marks the project.
        sandbox.dialogs.Cancel();
        window->PickIcon();
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
        QVERIFY(window->Modified);
    }

    void rightClickResetsTheDefaultIconWithoutMarking() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string icon = sandbox.MakeIcon("mine.ico");
        window->LoadProject(
            sandbox.MakeProject("a.gldp", {"[General Information]", "Icon=" + icon}));
        window->show();
        QTest::mouseClick(Control<QLabel>(*window, "imgProjectIcon"), Qt::RightButton);
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
        QVERIFY(!window->Modified);
    }

    void loadingAnUnreadableColourStopsWithItsMessage() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string path =
            sandbox.MakeProject("bad.gldp", {"[General Information]", "ProjectName=Half",
                                             "[Configuration]", "Background Color=clPlaid"});
        QVERIFY(!RunGuarded([&] { window->LoadProject(path); }));
        QCOMPARE(sandbox.boxes.shown.back().text,
                 std::string("'clPlaid' is not a valid integer value."));
        // Controls filled before the colour keep their values; the title and file stay.
        QCOMPARE(Control<QLineEdit>(*window, "txtProjectName")->text(), QString("Half"));
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));
        QVERIFY(window->ProjectFile.empty());
    }

    void everyProjectValueSurvivesSaveAndLoad() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string movie = sandbox.MakeFile("m.swf", 10);
        Control<QLineEdit>(*window, "txtEmail")->setText("me@example.org");
        Control<QLineEdit>(*window, "txtHomepage")->setText("https://example.org");
        Control<QComboBox>(*window, "cboxStyle")->setCurrentIndex(1);
        Control<QComboBox>(*window, "cboxRunType")->setCurrentIndex(1);
        Control<QComboBox>(*window, "cboxSwitch")->setCurrentIndex(1);
        Control<QSpinBox>(*window, "txtInterval")->setValue(1234);
        Control<QCheckBox>(*window, "chkMute")->setChecked(true);
        Control<QCheckBox>(*window, "chkEnableUserModify")->setChecked(false);
        Control<TColorBox>(*window, "cboxBackground")->setColor(0x00804020);
        Control<QRadioButton>(*window, "rbStandard")->click();
        Control<QLineEdit>(*window, "txtReadme")->setText("/r/readme.txt");
        Control<QLineEdit>(*window, "txtLicense")->setText("/r/license.txt");
        window->FileList = {movie};
        const std::string path = sandbox.Path("all.gldp");
        window->SaveProject(path);

        TSCL document;
        document.Load(path);
        QCOMPARE(document.Email, std::string("me@example.org"));
        QCOMPARE(document.DisplayStyle, 1);
        QCOMPARE(document.RunType, 1);
        QCOMPARE(document.SwitchType, 1);
        QCOMPARE(document.Interval, 1234);
        QVERIFY(document.Mute);
        QVERIFY(!document.EnableUserModify);
        QCOMPARE(document.BackgroundColor, std::string("$00804020"));
        QCOMPARE(document.InstallMode, 1);
        QCOMPARE(document.ReadmeFile, std::string("/r/readme.txt"));
        QCOMPARE(document.Files, std::vector<std::string>{movie});
        document.Release();

        auto other = sandbox.MakeMain();
        other->LoadProject(path);
        QCOMPARE(Control<TColorBox>(*other, "cboxBackground")->color(), 0x00804020u);
        QCOMPARE(Control<QComboBox>(*other, "cboxStyle")->currentIndex(), 1);
        QCOMPARE(Control<QSpinBox>(*other, "txtInterval")->value(), 1234);
        QVERIFY(!Control<QCheckBox>(*other, "chkEnableUserModify")->isChecked());
        QCOMPARE(other->FileList, std::vector<std::string>{movie});
    }

    void listPositionOutsideItsListSavesMinusOne() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string path =
            sandbox.MakeProject("odd.gldp", {"[Configuration]", "DisplayStyle=7"});
        window->LoadProject(path);
        QCOMPARE(Control<QComboBox>(*window, "cboxStyle")->currentIndex(), -1);
        window->SaveProject(path);
        QVERIFY(sandbox.ReadText(path).find("DisplayStyle=-1\r\n") != std::string::npos);
    }

    void addingTheSameFileTwiceListsItTwiceAndRemoveTakesOne() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string movie = sandbox.MakeFile("intro.swf", 100);
        sandbox.dialogs.Answer({movie});
        sandbox.dialogs.Answer({movie});
        window->AddFiles();
        window->AddFiles();
        QCOMPARE(sandbox.dialogs.requests.back().filter, std::string("Flash (*.swf)|*.swf"));
        QVERIFY(sandbox.dialogs.requests.back().multiple);
        QCOMPARE(window->FileList.size(), size_t(2));
        QCOMPARE(ListedNames(*window).size(), 2);
        QVERIFY(window->Modified);

        SelectRows(*window, {1});
        window->RemoveFiles();
        QCOMPARE(window->FileList, std::vector<std::string>{movie});
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Totle 1 Files"));

        // Nothing selected: nothing removed and nothing marked.
        window->SaveProject(sandbox.Path("p.gldp"));
        window->RemoveFiles();
        QCOMPARE(window->FileList.size(), size_t(1));
        QVERIFY(!window->Modified);
    }

    void removeTakesTheSelectedRowsEvenWhenNamesDifferOnlyInCase() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string upper = sandbox.MakeFile("A.swf", 1),
                          lower = sandbox.MakeFile("a.swf", 1),
                          other = sandbox.MakeFile("b.swf", 1);
        window->FileList = {upper, other, lower};
        window->RefreshFileList();
        SelectRows(*window, {1, 2});
        window->RemoveFiles();
        QCOMPARE(window->FileList, std::vector<std::string>{upper});
    }

    void addDialogOrderIsKeptAndCancelChangesNothing() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string b = sandbox.MakeFile("b.swf", 1), a = sandbox.MakeFile("a.swf", 1);
        sandbox.dialogs.Answer({b, a});
        window->AddFiles();
        QCOMPARE(window->FileList, (std::vector<std::string>{b, a}));
        window->SaveProject(sandbox.Path("p.gldp"));
        sandbox.dialogs.Cancel();
        window->AddFiles();
        QCOMPARE(window->FileList.size(), size_t(2));
        QVERIFY(!window->Modified);
    }

    void moveAtTheEndsChangesNothingButMarks() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->FileList = {"/m/a.swf", "/m/b.swf", "/m/c.swf"};
        window->RefreshFileList();
        const auto before = window->FileList;
        SelectRows(*window, {0});
        window->MoveUp();
        QCOMPARE(window->FileList, before);
        QVERIFY(window->Modified);

        window->SaveProject(sandbox.Path("p.gldp"));
        SelectRows(*window, {2});
        window->MoveDown();
        QCOMPARE(window->FileList, before);
        QVERIFY(window->Modified);
    }

    void moveKeepsABlockOfAdjacentRowsInOrder() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->FileList = {"a", "b", "c", "d", "e"};
        window->RefreshFileList();
        SelectRows(*window, {1, 2});
        window->MoveUp();
        QCOMPARE(window->FileList, (std::vector<std::string>{"b", "c", "a", "d", "e"}));
        // The moved rows stay selected, so the command repeats; at the top the block rests.
        QCOMPARE(window->SelectedRows(), (std::vector<int>{0, 1}));
        window->MoveUp();
        QCOMPARE(window->FileList, (std::vector<std::string>{"b", "c", "a", "d", "e"}));

        window->FileList = {"a", "b", "c", "d", "e"};
        window->RefreshFileList();
        SelectRows(*window, {1, 2, 4});
        window->MoveDown();
        QCOMPARE(window->FileList, (std::vector<std::string>{"a", "d", "b", "c", "e"}));
        QCOMPARE(window->SelectedRows(), (std::vector<int>{2, 3, 4}));

        // Two separate selections each move one place.
        window->FileList = {"a", "b", "c", "d", "e"};
        window->RefreshFileList();
        SelectRows(*window, {1, 3});
        window->MoveUp();
        QCOMPARE(window->FileList, (std::vector<std::string>{"b", "a", "d", "c", "e"}));
    }

    void swapFilesRefusesBadPositions() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->FileList = {"a", "b"};
        QVERIFY(!window->SwapFiles(0, 0));
        QVERIFY(!window->SwapFiles(-1, 0));
        QVERIFY(!window->SwapFiles(0, 2));
        QVERIFY(window->SwapFiles(1, 0));
        QCOMPARE(window->FileList, (std::vector<std::string>{"b", "a"}));
    }

    void totalsCountFilesAndWholeKilobytes() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->FileList = {sandbox.MakeFile("one.swf", 1536), sandbox.MakeFile("two.swf", 2560)};
        window->RefreshFileList();
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Totle 2 Files"));
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 4KB"));

        // Missing files count as rows but add nothing, and show their full path.
        const std::string missing = sandbox.Path("gone.swf");
        window->FileList = {sandbox.MakeFile("small.swf", 1023), missing};
        window->RefreshFileList();
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Totle 2 Files"));
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 0KB"));
        QCOMPARE(ListedNames(*window).at(1), QString::fromStdString(missing));
    }

    void viewCommandsSwapNamesAndPathsWithoutMarking() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        const std::string movie = sandbox.MakeFile("Intro.swf", 5);
        const std::string missing = sandbox.Path("gone.swf");
        window->FileList = {movie, missing};
        window->RefreshFileList();
        QCOMPARE(ListedNames(*window),
                 (QStringList{QString::fromStdString(movie), QString::fromStdString(missing)}));
        auto* fileName = Control<QAction>(*window, "actViewFileName");
        auto* fullPath = Control<QAction>(*window, "actViewFullPath");
        fileName->trigger();
        QVERIFY(fileName->isChecked() && !fullPath->isChecked());
        QCOMPARE(ListedNames(*window),
                 (QStringList{"INTRO.SWF", QString::fromStdString(missing).toUpper()}));
        // Choosing the checked view switches to the other one.
        fileName->trigger();
        QVERIFY(!fileName->isChecked() && fullPath->isChecked());
        QCOMPARE(ListedNames(*window).at(0), QString::fromStdString(movie));
        QVERIFY(!window->Modified);
    }

    void readmePickerStartsAtTheCurrentFile() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        sandbox.dialogs.Answer({"/texts/readme.txt"});
        window->PickReadme();
        QCOMPARE(sandbox.dialogs.requests.back().fileName, std::string());
        QCOMPARE(sandbox.dialogs.requests.back().filter, std::string("Text Files (*.txt)|*.txt"));
        QCOMPARE(Control<QLineEdit>(*window, "txtReadme")->text(), QString("/texts/readme.txt"));
        QVERIFY(window->Modified);
        sandbox.dialogs.Cancel();
        window->PickReadme();
        QCOMPARE(sandbox.dialogs.requests.back().initialFolder, std::string("/texts"));
        QCOMPARE(sandbox.dialogs.requests.back().fileName, std::string("readme.txt"));
        QCOMPARE(Control<QLineEdit>(*window, "txtReadme")->text(), QString("/texts/readme.txt"));
        sandbox.dialogs.Answer({"/texts/licence.txt"});
        window->PickLicense();
        QCOMPARE(Control<QLineEdit>(*window, "txtLicense")->text(), QString("/texts/licence.txt"));
    }

    void failedSaveKeepsTheProjectModified() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("2");
        const std::string path = sandbox.Path("no-such-folder/p.gldp");
        QVERIFY(!RunGuarded([&] { window->SaveProject(path); }));
        QCOMPARE(sandbox.boxes.shown.back().caption, std::string("Glimmerdrome"));
        QVERIFY(sandbox.boxes.shown.back().text.find("Unable to write to") == 0);
        QVERIFY(window->Modified);
        QCOMPARE(ModifiedPane(*window), QString("Modified"));
    }

    void backupAfterSaveKeepsThePreviousVersion() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->Settings().SetBackupAfterSave(true);
        window->NewProject();
        const std::string path = sandbox.Path("demo.gldp");
        Control<QLineEdit>(*window, "txtVersion")->setText("first");
        window->SaveProject(path);
        QVERIFY(!QFile::exists(QString::fromStdString(sandbox.Path("demo.bak"))));
        Control<QLineEdit>(*window, "txtVersion")->setText("second");
        window->SaveProject(path);
        QVERIFY(sandbox.ReadText(sandbox.Path("demo.bak")).find("Version=first") !=
                std::string::npos);
        QVERIFY(sandbox.ReadText(path).find("Version=second") != std::string::npos);
    }

    void loadAndSaveEnterTheRecentList() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        const std::string a = sandbox.Path("a.gldp"), b = sandbox.Path("b.gldp");
        window->LoadProject(a); // a path that does not exist loads the defaults under it
        // The default name is the program's own; the title names the file instead.
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - a.gldp"));
        QCOMPARE(window->ProjectFile, a);
        QVERIFY(!QFile::exists(QString::fromStdString(a)));
        window->SaveProject(b);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - b.gldp"));
        TRecentFiles recent;
        window->Settings().ReadRecentFiles(recent);
        QCOMPARE(recent[0], b);
        QCOMPARE(recent[1], a);
        Control<QLineEdit>(*window, "txtProjectName")->clear();
        window->SaveProject(b);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - b.gldp"));
    }

    void droppedFlashFilesJoinTheListAndOtherFilesAreRefused() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->show();
        const std::string movie = sandbox.MakeFile("Drop.SWF", 2048);
        const std::string text = sandbox.MakeFile("notes.txt", 10);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(text)),
                      QUrl::fromLocalFile(QString::fromStdString(movie))});
        QWidget* viewport = Control<QTreeWidget>(*window, "lsFiles")->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(window->FileList, std::vector<std::string>{movie});
        QVERIFY(window->Modified);

        QMimeData onlyText;
        onlyText.setUrls({QUrl::fromLocalFile(QString::fromStdString(text))});
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &onlyText, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(viewport, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void droppedProjectOpensAfterTheSaveQuestion() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        Control<QLineEdit>(*window, "txtVersion")->setText("changed");
        sandbox.boxes.Answer(TMsgAnswer::No);
        const std::string project =
            sandbox.MakeProject("dropped.gldp", {"[General Information]", "ProjectName=Dropped"});
        window->OpenDroppedProject(project);
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Dropped"));
    }

    void commandsDuringARefreshDoNotReadPastTheList() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        for (int i = 0; i < 6; ++i)
            window->FileList.push_back(sandbox.MakeFile("m" + std::to_string(i) + ".swf", 1024));
        // The author removes rows while the list is still being built.
        // Posted now, it runs while the list fills: the list lets events through between rows.
        QTimer::singleShot(0, window.get(), [&] {
            window->FileList.resize(1);
            window->RefreshFileList();
        });
        window->RefreshFileList();
        QCOMPARE(ListedNames(*window).size(), 1);
        QCOMPARE(Control<QLabel>(*window, "labTotalItems")->text(), QString("Totle 1 Files"));
        QCOMPARE(Control<QLabel>(*window, "labTotalSize")->text(), QString("Totle 1KB"));
    }

    void hintsGoToTheStatusPane() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        auto* edit = Control<QLineEdit>(*window, "txtVersion");
        QStatusTipEvent tip(edit->statusTip());
        QApplication::sendEvent(edit, &tip);
        QCOMPARE(Control<QLabel>(*window, "ssStatus")->text(), QString("Input a version number"));
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(window.get(), &none);
        QCOMPARE(Control<QLabel>(*window, "ssStatus")->text(), QString());
        QCOMPARE(Control<QAction>(*window, "actAbout")->statusTip(),
                 QString("Opent the information of GLD"));
        QCOMPARE(Control<QAction>(*window, "actAddFiles")->shortcut(), QKeySequence("Ctrl+F"));
    }

    void errorBoxAddsAFullStopOnlyAfterLaterCharacters() {
        QCOMPARE(ErrorBoxText("Disk full"), std::string("Disk full."));
        QCOMPARE(ErrorBoxText("Done."), std::string("Done."));
        QCOMPARE(ErrorBoxText("Really!"), std::string("Really!"));
        QCOMPARE(ErrorBoxText("size 5"), std::string("size 5."));
        QCOMPARE(ErrorBoxText("path /"), std::string("path /."));
        QCOMPARE(ErrorBoxText(""), std::string(""));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
