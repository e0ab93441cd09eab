// The quick start window's routes: new project, open a file, open a recent project, help and
// the start-up switch.

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "AppTestHelpers.h"
#include "Config.h"
#include "fQuickStart.h"

class QuickStartTest : public QObject {
    Q_OBJECT

private:
    static QComboBox* Recent(TfrmQuickStart& window) {
        return Control<QComboBox>(window, "cboxRecentFiles");
    }

private slots:
    void showingListsTheRecentProjectsMostRecentFirst() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        for (int i = 9; i >= 0; --i)
            main->Settings().AddRecentFile(sandbox.Path("p" + std::to_string(i) + ".gldp"));
        TfrmQuickStart window(*main);
        Control<QCheckBox>(window, "chkShowQuickStart")->setChecked(false);
        window.show();
        QCOMPARE(Recent(window)->count(), 9);
        QCOMPARE(Recent(window)->currentIndex(), 0);
        QCOMPARE(Recent(window)->currentText(), QString::fromStdString(sandbox.Path("p0.gldp")));
        QVERIFY(Control<QCheckBox>(window, "chkShowQuickStart")->isChecked());
        QCOMPARE(window.windowTitle(), QString("Welcome to Glimmerdrome"));
    }

    void emptyRecentListSelectsNothingAndOpenRecentDoesNothing() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        TfrmQuickStart window(*main);
        window.show();
        QCOMPARE(Recent(window)->count(), 0);
        QCOMPARE(Recent(window)->currentIndex(), -1);
        Control<QToolButton>(window, "btOpenRecentFile")->click();
        QVERIFY(window.isVisible());
        QVERIFY(sandbox.boxes.shown.empty());
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome"));
    }

    void newAndCloseStartANewProjectAndStoreTheSwitch() {
        for (const char* button : {"btNew", "btClose"}) {
            TAppSandbox sandbox;
            auto main = sandbox.MakeMain();
            TfrmQuickStart window(*main);
            window.show();
            Control<QCheckBox>(window, "chkShowQuickStart")->setChecked(false);
            window.findChild<QAbstractButton*>(button)->click();
            QVERIFY(!window.isVisible());
            QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Untitled"));
            QVERIFY(!main->Settings().GetQuickStart());
            QVERIFY(sandbox.ReadText(sandbox.SettingsFile()).find("QuickStart=0") !=
                    std::string::npos);
        }
    }

    void escapeStartsANewProjectLikeClose() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        TfrmQuickStart window(*main);
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Untitled"));
        QVERIFY(main->Settings().GetQuickStart());
        QVERIFY(sandbox.ReadText(sandbox.SettingsFile()).find("QuickStart=1") != std::string::npos);
    }

    void titleBarCloseOnlyStoresTheSwitch() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        TfrmQuickStart window(*main);
        window.show();
        Control<QCheckBox>(window, "chkShowQuickStart")->setChecked(false);
        window.close();
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome"));
        QVERIFY(!main->Settings().GetQuickStart());
    }

    void openFileLoadsTheChosenProjectAndCancelStays() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        const std::string project =
            sandbox.MakeProject("demo.gldp", {"[General Information]", "ProjectName=Demo"});
        TfrmQuickStart window(*main);
        window.show();
        sandbox.dialogs.Cancel();
        Control<QToolButton>(window, "btOpenFile")->click();
        QVERIFY(window.isVisible());
        QCOMPARE(sandbox.dialogs.requests.back().filter,
                 std::string("Glimmerdrome Project (*.gldp)|*.gldp"));
        sandbox.dialogs.Answer({project});
        Control<QToolButton>(window, "btOpenFile")->click();
        QVERIFY(!window.isVisible());
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Demo"));
        TRecentFiles recent;
        main->Settings().ReadRecentFiles(recent);
        QCOMPARE(recent[0], project);
    }

    void openFileThatFailsToLoadReportsAndStays() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        const std::string bad =
            sandbox.MakeProject("bad.gldp", {"[Configuration]", "Background Color=tartan"});
        TfrmQuickStart window(*main);
        window.show();
        sandbox.dialogs.Answer({bad});
        Control<QToolButton>(window, "btOpenFile")->click();
        QVERIFY(window.isVisible());
        QCOMPARE(sandbox.boxes.shown.back().caption, std::string("Glimmerdrome"));
    }

    void openRecentLoadsAnExistingEntryAndOffersToDropAMissingOne() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        const std::string present =
            sandbox.MakeProject("here.gldp", {"[General Information]", "ProjectName=Here"});
        const std::string missing = sandbox.Path("gone.gldp");
        main->Settings().AddRecentFile(present);
        main->Settings().AddRecentFile(missing);
        TfrmQuickStart window(*main);
        window.show();
        // Kept on No, taken off the list on Yes; the chooser stays either way.
        sandbox.boxes.Answer(TMsgAnswer::No);
        Control<QToolButton>(window, "btOpenRecentFile")->click();
        QVERIFY(window.isVisible());
        QCOMPARE(sandbox.boxes.shown.back().text, MissingRecentProjectText(missing));
        QVERIFY(sandbox.boxes.shown.back().text.find(missing + " does not exist!") == 0);
        QCOMPARE(Recent(window)->count(), 2);
        sandbox.boxes.Answer(TMsgAnswer::Yes);
        Control<QToolButton>(window, "btOpenRecentFile")->click();
        QVERIFY(window.isVisible());
        QCOMPARE(Recent(window)->count(), 1);
        QCOMPARE(Recent(window)->currentText(), QString::fromStdString(present));
        TRecentFiles recent;
        main->Settings().ReadRecentFiles(recent);
        QCOMPARE(recent[0], present);
        QVERIFY(recent[1].empty());

        Control<QToolButton>(window, "btOpenRecentFile")->click();
        QVERIFY(!window.isVisible());
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Here"));
        QCOMPARE(main->ProjectFile, present);
    }

    void firstActivationShowsTheQuickStartWhenTheSwitchIsOn() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        main->Activated = false;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<TfrmQuickStart*>(QApplication::activeModalWidget());
            seen = window != nullptr;
            if (window) window->btNewClick();
        });
        main->FormActivate();
        QVERIFY(seen);
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Untitled"));
        QVERIFY(main->Activated);
    }
};

QTEST_MAIN(QuickStartTest)
#include "QuickStartTest.moc"
