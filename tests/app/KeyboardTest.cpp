// The main window and the quick start by keyboard and by their captions: the file and help
// shortcuts, stepping through the pages, the project icon, and the quick start's captions.

#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <fstream>

#include "AppTestHelpers.h"
#include "fHelp.h"
#include "fQuickStart.h"

class KeyboardTest : public QObject {
    Q_OBJECT

private:
    static void ShowActive(QWidget& window) {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    static QTabWidget* Pages(TfrmMain& window) { return Control<QTabWidget>(window, "pageMain"); }
    // A key pressed wherever the focus is, as the user presses it.
    static void Press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }

private slots:
    void fileAndHelpShortcuts() {
        TAppSandbox sandbox;
        std::ofstream(sandbox.ProgramDir() + "/gldhelp.html") << "<h1>Guide</h1>";
        auto window = sandbox.MakeMain();
        ShowActive(*window);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome"));
        Press(*window, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(TitleOf(*window), QString("Glimmerdrome - Untitled"));

        sandbox.dialogs.Cancel();
        Press(*window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(sandbox.dialogs.requests.size(), size_t(1));
        QCOMPARE(sandbox.dialogs.requests[0].filter,
                 std::string("Glimmerdrome Project (*.gldp)|*.gldp"));

        Press(*window, Qt::Key_F1);
        auto* guide = window->findChild<TfrmHelp*>();
        QVERIFY(guide);
        QVERIFY(guide->isVisible());
        QVERIFY(sandbox.boxes.shown.empty());
    }

    void controlTabAndPageKeysStepThroughThePagesAndRoundAgain() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        ShowActive(*window);
        Control<QWidget>(*window, "txtProjectName")->setFocus();
        QCOMPARE(Pages(*window)->currentIndex(), 0);
        Press(*window, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 1);
        // From inside the file list too.
        Control<QWidget>(*window, "lsFiles")->setFocus();
        Press(*window, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 2);
        Press(*window, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 3);
        Press(*window, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 0);
        Press(*window, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 3);
        Press(*window, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(Pages(*window)->currentIndex(), 2);
        QVERIFY(!window->Modified);
    }

    void projectIconByKeyboard() {
        TAppSandbox sandbox;
        auto window = sandbox.MakeMain();
        window->NewProject();
        ShowActive(*window);
        auto* icon = Control<QLabel>(*window, "imgProjectIcon");
        QCOMPARE(icon->focusPolicy(), Qt::StrongFocus);
        // Tab reaches it from the last edit of the page.
        Control<QWidget>(*window, "txtHomepage")->setFocus();
        Press(*window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(icon));

        const std::string chosen = sandbox.MakeIcon("mine.ico");
        sandbox.dialogs.Answer({chosen});
        Press(*window, Qt::Key_Space);
        QCOMPARE(sandbox.dialogs.requests.back().filter,
                 std::string("Icon File (*.ico)|*.ico|Gif File (*.gif)|*.gif"));
        QCOMPARE(window->IconFile, chosen);
        QVERIFY(window->Modified);
        Press(*window, Qt::Key_Delete);
        QCOMPARE(window->IconFile, sandbox.DefaultIcon());
        sandbox.dialogs.Cancel();
        Press(*window, Qt::Key_Return);
        QCOMPARE(sandbox.dialogs.requests.size(), size_t(2));
    }

    void quickStartCaptionsAnswerLikeTheirIcons() {
        TAppSandbox sandbox;
        auto main = sandbox.MakeMain();
        TfrmQuickStart window(*main);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        sandbox.dialogs.Cancel();
        QTest::mouseClick(Control<QLabel>(window, "labOpenFile"), Qt::LeftButton);
        QCOMPARE(sandbox.dialogs.requests.size(), size_t(1));
        QVERIFY(window.isVisible());

        main->Settings().AddRecentFile(sandbox.Path("gone.gldp"));
        window.hide();
        window.show(); // shown again: the list is read anew
        sandbox.boxes.Answer(TMsgAnswer::No);
        QTest::mouseClick(Control<QLabel>(window, "labOpenRecentFile"), Qt::LeftButton);
        QCOMPARE(sandbox.boxes.shown.size(), size_t(1));
        QVERIFY(window.isVisible());

        QTest::mouseClick(Control<QLabel>(window, "labNew"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(TitleOf(*main), QString("Glimmerdrome - Untitled"));
    }

    void quickStartHelpOpensTheGuideAtItsTopicAndLeavesItOpen() {
        TAppSandbox sandbox;
        std::ofstream(sandbox.ProgramDir() + "/gldhelp.html")
            << "<h1>Guide</h1><h2 id=\"" << QuickStartTopic << "\">First steps</h2>";
        auto main = sandbox.MakeMain();
        TfrmQuickStart window(*main);
        ShowActive(window);
        Press(window, Qt::Key_F1);
        auto* guide = window.findChild<TfrmHelp*>();
        QVERIFY(guide);
        QCOMPARE(guide->source().fragment(), QString(QuickStartTopic));
        QVERIFY(sandbox.boxes.shown.empty());
        // Leaving the chooser leaves the guide open, over the main window.
        Control<QAbstractButton>(window, "btNew")->click();
        QVERIFY(guide->isVisible());
        QCOMPARE(guide->parentWidget(), static_cast<QWidget*>(main.get()));
    }
};

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
