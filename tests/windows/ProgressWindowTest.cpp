#include "fProgress.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

class ProgressWindowTest : public QObject {
    Q_OBJECT

    QMainWindow* main = nullptr;

    static TfrmProgress* CurrentWindow() {
        TfrmProgress* found = nullptr;
        for (QWidget* widget : QApplication::allWidgets())
            if (auto* window = qobject_cast<TfrmProgress*>(widget); window && window->isVisible())
                found = window;
        return found;
    }

    // The window is driven by its controls' object names, as the author's clicks would reach it.
    static TLedProgressBar* Bar(QWidget* window) {
        return window->findChild<TLedProgressBar*>("progressBar");
    }
    static QPushButton* Button(QWidget* window) {
        return window->findChild<QPushButton*>("btSucceed");
    }
    static QLabel* Label(QWidget* window, const char* name) {
        return window->findChild<QLabel*>(name);
    }

private slots:
    void initTestCase() {
        main = new QMainWindow;
        main->setGeometry(100, 80, 655, 463);
        main->show();
        InstallProgressWindow(main);
        SetProgressPause(0);
    }

    void cleanupTestCase() {
        ReleaseProgress();
        InstallProgressViewFactory(nullptr);
        delete main;
    }

    void cleanup() {
        ReleaseProgress();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void opensBorderlessAtItsSizeCentredOverTheMainWindow() {
        ShowProgress(4);
        TfrmProgress* window = CurrentWindow();
        QVERIFY(window);
        QCOMPARE(window->size(), QSize(395, 136));
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY((window->geometry().center() - main->frameGeometry().center()).manhattanLength() <=
                2);
        QCOMPARE(Bar(window)->value(), 0);
        QVERIFY(Button(window)->isHidden());
        QCOMPARE(Button(window)->text(), QString("Succeed!"));
        QCOMPARE(Label(window, "labProgressTitle")->font().pixelSize(), 16);
        QVERIFY(Label(window, "labProgressTitle")->font().bold());
    }

    void twoOfThreeStepsShow66AndNoButtonTheThirdFillsTheBar() {
        ShowProgress(3);
        TfrmProgress* window = CurrentWindow();
        AdvanceProgress("Generating Screensaver...", "Compressing neccessary files");
        AdvanceProgress("Generating Screensaver...", "Merging screensaver file");
        QCOMPARE(Bar(window)->value(), 66);
        QVERIFY(Button(window)->isHidden());
        QCOMPARE(Label(window, "labProgressDesc")->text(), QString("Merging screensaver file"));
        AdvanceProgress("Generating Screensaver...", "Deleting useless resources");
        QCOMPARE(Bar(window)->value(), 100);
        QVERIFY(!Button(window)->isHidden());
        QCOMPARE(Bar(window)->litSegments(), Bar(window)->segmentCount());
    }

    void theBarLightsOnlyWholeSegments() {
        TLedProgressBar bar;
        bar.resize(360, 20);
        bar.setValue(25);
        QCOMPARE(bar.litSegments(), bar.segmentCount() / 4);
        bar.setValue(0);
        QCOMPARE(bar.litSegments(), 0);
        bar.setValue(250);
        QCOMPARE(bar.value(), 100);
    }

    void succeedHidesTheWindowAndLaterTextsStillReachIt() {
        ShowProgress(1);
        QPointer<TfrmProgress> window = CurrentWindow();
        AdvanceProgress("a", "b");
        QTest::mouseClick(Button(window), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        SetProgressText("Generate Screensaver Successfully", "Generated file locates on /p/");
        QCOMPARE(Label(window, "labProgressTitle")->text(),
                 QString("Generate Screensaver Successfully"));
    }

    void releaseDestroysTheWindowAndANewShowMakesAnother() {
        ShowProgress(4);
        QPointer<TfrmProgress> first = CurrentWindow();
        ShowProgress(4);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QPointer<TfrmProgress> second = CurrentWindow();
        QVERIFY(second);
        ReleaseProgress();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(second.isNull());
        // With the window gone the routines carry on without it.
        AdvanceProgress("x", "y");
    }

    void aWindowDestroyedWithItsOwnerIsForgotten() {
        auto* owner = new QWidget;
        owner->show();
        InstallProgressWindow(owner);
        ShowProgress(2);
        delete owner; // takes the progress window with it
        AdvanceProgress("still", "running");
        QCOMPARE(CurrentProgress().position, 50);
        InstallProgressWindow(main);
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
