// The status bar's panes: the selected file's panes belong to the project and go with it, and
// panes too narrow for their text shorten it and show it whole as a tooltip.

#include <QHelpEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include "AppTestHelpers.h"
#include "ElidedLabel.h"
#include "SwfGen.h"

class StatusPanesTest : public QObject {
    Q_OBJECT

private:
    static QString Pane(TfrmMain& window, const char* name) {
        return Control<QLabel>(window, name)->text();
    }
    static bool PanesEmpty(TfrmMain& window) {
        return Pane(window, "ssFileDate").isEmpty() && Pane(window, "ssDimension").isEmpty() &&
               Pane(window, "ssFileName").isEmpty() &&
               Control<QLabel>(window, "ssFileNameIcon")->pixmap().isNull();
    }
    // A project with one movie, loaded and its movie selected, so every pane shows something.
    static std::string LoadAndSelect(TAppSandbox& sandbox, TfrmMain& window,
                                     const std::string& name) {
        const std::string movie = sandbox.Path(name + ".swf");
        TSwfParams params;
        params.width = 320;
        params.height = 240;
        WriteSwf(movie, params);
        const std::string project =
            sandbox.MakeProject(name + ".gldp", {"[General Information]", "ProjectName=" + name,
                                                 "[Files]", "0=" + movie});
        window.LoadProject(project);
        Control<QTreeWidget>(window, "lsFiles")->topLevelItem(0)->setSelected(true);
        return project;
    }

private slots:
    void filePanesGoWithTheProject() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        QVERIFY(PanesEmpty(*window));

        // Close.
        LoadAndSelect(sandbox, *window, "one");
        QCOMPARE(Pane(*window, "ssDimension"), QString("320X240"));
        QCOMPARE(Pane(*window, "ssFileName"), QString("one.swf"));
        QVERIFY(!Pane(*window, "ssFileDate").isEmpty());
        window->CloseCommand();
        QVERIFY(PanesEmpty(*window));

        // Open (through its dialog) and New.
        const std::string two = LoadAndSelect(sandbox, *window, "two");
        sandbox.dialogs.Answer({two});
        window->OpenCommand();
        QVERIFY(PanesEmpty(*window));
        Control<QTreeWidget>(*window, "lsFiles")->topLevelItem(0)->setSelected(true);
        QVERIFY(!PanesEmpty(*window));
        window->NewCommand();
        QVERIFY(PanesEmpty(*window));

        // A rebuilt list keeps them; removing the movie they describe empties them.
        LoadAndSelect(sandbox, *window, "three");
        window->ToggleView();
        QCOMPARE(Pane(*window, "ssFileName"), QString("three.swf"));
        window->SelectRows({0});
        window->RemoveFiles();
        QVERIFY(PanesEmpty(*window));
    }

    void narrowPanesShortenTheirTextAndShowItWhole() {
        TElidedLabel middle(Qt::ElideMiddle);
        const QString name = "a-rather-long-movie-name-that-will-not-fit.swf";
        middle.setText(name);
        middle.resize(middle.sizeHint());
        QCOMPARE(middle.shownText(), name);
        QVERIFY(!middle.isElided());
        middle.resize(90, middle.height());
        QVERIFY(middle.isElided());
        QVERIFY(middle.shownText().startsWith("a-"));
        QVERIFY(middle.shownText().endsWith(".swf"));
        QVERIFY(middle.shownText().contains(QChar(0x2026)));
        // Reading the label reads the whole text.
        QCOMPARE(middle.text(), name);
        QVERIFY(middle.minimumSizeHint().width() < 90);

        TElidedLabel right(Qt::ElideRight);
        right.setText(name);
        right.resize(90, 20);
        QVERIFY(right.shownText().startsWith("a-rather"));
        QVERIFY(!right.shownText().endsWith(".swf"));
    }

    void hintPaneShortensLongHintsInTheDesignedWindow() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* status = Control<TElidedLabel>(*window, "ssStatus");
        const QString hint = "Choose a display style for the picture. Please refer to document "
                             "for detail information.";
        window->ShowHintInStatus(hint);
        QCOMPARE(status->text(), hint);
        // The pane stays inside the window and says where the hint was cut.
        QVERIFY(status->geometry().right() <= window->statusBar()->width());
        QVERIFY(status->isElided());
        QVERIFY(status->shownText().endsWith(QChar(0x2026)));
        window->ShowHintInStatus("Exit");
        QVERIFY(!status->isElided());
    }
};

QTEST_MAIN(StatusPanesTest)
#include "StatusPanesTest.moc"
