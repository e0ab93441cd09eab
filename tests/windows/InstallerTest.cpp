// The installer wizard's preview: page order for every readme/licence combination, buttons
// and captions on each page, the licence held until accepted, the name placeholder, loading
// the two files, and the silent installer's boxes.
#include "fInstaller.h"

#include "FileErrors.h"
#include "Messages.h"
#include "ui_fInstaller.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(QList<int>)

namespace {

using P = TfrmInstaller::Page;

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

} // namespace

class InstallerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString readme, licence;

    // Walks forward to the last page, ticking the licence box on the way, then back to the
    // first, and returns the pages seen each way.
    static std::pair<QList<int>, QList<int>> Walk(TfrmInstaller& w) {
        QList<int> forward{w.Form().pageMain->currentIndex()};
        while (w.Form().pageMain->currentIndex() != P::Finish && forward.size() < 20) {
            if (w.Form().pageMain->currentIndex() == P::License)
                w.Form().chkAccept->setChecked(true);
            w.Form().btNext->click();
            forward << w.Form().pageMain->currentIndex();
        }
        QList<int> back{w.Form().pageMain->currentIndex()};
        while (w.Form().btPrevious->isEnabled() && back.size() < 20) {
            w.Form().btPrevious->click();
            back << w.Form().pageMain->currentIndex();
        }
        return {forward, back};
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        readme = WriteFile(dir, "readme.txt", "Read me first.\r\nSecond line.\r\n");
        licence = WriteFile(dir, "licence.txt", "You may share this screensaver freely.\n");
    }

    void pageOrder_data() {
        QTest::addColumn<bool>("hasReadme");
        QTest::addColumn<bool>("hasLicence");
        QTest::addColumn<QList<int>>("forward");
        QTest::newRow("neither") << false << false
                                 << QList<int>{P::Welcome, P::Folder, P::MenuName, P::Copying,
                                               P::Finish};
        QTest::newRow("licence only")
            << false << true
            << QList<int>{P::Welcome, P::License, P::Folder, P::MenuName, P::Copying, P::Finish};
        QTest::newRow("readme only")
            << true << false
            << QList<int>{P::Welcome, P::Readme, P::Folder, P::MenuName, P::Copying, P::Finish};
        QTest::newRow("both") << true << true
                              << QList<int>{P::Welcome,  P::Readme,  P::License, P::Folder,
                                            P::MenuName, P::Copying, P::Finish};
    }
    void pageOrder() {
        QFETCH(bool, hasReadme);
        QFETCH(bool, hasLicence);
        QFETCH(QList<int>, forward);
        TfrmInstaller w;
        w.Prepare("Star Field", hasReadme ? readme : QString(), hasLicence ? licence : QString());
        QCOMPARE(w.HasReadme, hasReadme);
        QCOMPARE(w.HasLicense, hasLicence);
        const auto [seenForward, seenBack] = Walk(w);
        QCOMPARE(seenForward, forward);
        QList<int> backward(forward.rbegin(), forward.rend());
        QCOMPARE(seenBack, backward);
        QCOMPARE(w.CurPage, int(P::Welcome));
    }

    void buttonsAndCaptionsOnEachPage() {
        TfrmInstaller w;
        w.Prepare("Star Field", readme, licence);
        // Welcome
        QVERIFY(!w.Form().btPrevious->isEnabled());
        QVERIFY(w.Form().btNext->isEnabled());
        QCOMPARE(w.Form().btCancel->text(), QString("&Cancel"));
        QCOMPARE(w.Form().btPrevious->text(), QString("&Previous"));
        QCOMPARE(w.Form().btNext->text(), QString("&Next"));
        QCOMPARE(w.windowTitle(), QString("Installer"));
        // Readme
        w.Form().btNext->click();
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::Readme));
        QVERIFY(w.Form().btPrevious->isEnabled());
        QVERIFY(w.Form().btNext->isEnabled());
        // License: "&Next" waits for the box, and goes away again with it.
        w.Form().btNext->click();
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::License));
        QCOMPARE(w.Form().chkAccept->text(), QString("I &accept the agreement"));
        QVERIFY(!w.Form().chkAccept->isChecked());
        QVERIFY(!w.Form().btNext->isEnabled());
        w.Form().chkAccept->setChecked(true);
        QVERIFY(w.Form().btNext->isEnabled());
        w.Form().chkAccept->setChecked(false);
        QVERIFY(!w.Form().btNext->isEnabled());
        w.Form().chkAccept->setChecked(true);
        // Folder, MenuName, Copying: nothing on them does anything.
        for (int page : {P::Folder, P::MenuName, P::Copying}) {
            w.Form().btNext->click();
            QCOMPARE(w.Form().pageMain->currentIndex(), page);
            QVERIFY(w.Form().btNext->isEnabled());
            QCOMPARE(w.Form().btCancel->text(), QString("&Cancel"));
        }
        QVERIFY(w.Form().txtFolder->text().isEmpty());
        QVERIFY(w.Form().txtMenuName->text().isEmpty());
        QCOMPARE(w.Form().barProgress->value(), 0);
        QVERIFY(w.Form().labCopying->isHidden());
        // Finish
        w.Form().btNext->click();
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::Finish));
        QVERIFY(!w.Form().btNext->isEnabled());
        QVERIFY(w.Form().btPrevious->isEnabled());
        QCOMPARE(w.Form().btCancel->text(), QString("&Finished"));
        // Back to Copying restores both.
        w.Form().btPrevious->click();
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::Copying));
        QVERIFY(w.Form().btNext->isEnabled());
        QCOMPARE(w.Form().btCancel->text(), QString("&Cancel"));
        // Back onto the licence page, still accepted: "&Next" stays available.
        w.Form().btPrevious->click();
        w.Form().btPrevious->click();
        w.Form().btPrevious->click();
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::License));
        QVERIFY(w.Form().btNext->isEnabled());
    }

    void gotoPastTheLastPageKeepsThePage() {
        TfrmInstaller w;
        w.GotoPage(P::Folder);
        w.GotoPage(P::PageCount);
        QCOMPARE(w.Form().pageMain->currentIndex(), int(P::Folder));
        QVERIFY(!w.Form().btNext->isEnabled());
        QCOMPARE(w.Form().btCancel->text(), QString("&Finished"));
    }

    void placeholderInAnyLetterCase() {
        QCOMPARE(TfrmInstaller::ReplaceProjectName("#projectname#, #PROJECTNAME# and #ProjectName#",
                                                   "Star Field"),
                 QString("Star Field, Star Field and Star Field"));
        // The name goes in as it stands, even when it looks like the placeholder.
        QCOMPARE(TfrmInstaller::ReplaceProjectName("Install #ProjectName#?", "#projectNAME# & <b>"),
                 QString("Install #projectNAME# & <b>?"));

        TfrmInstaller w;
        w.Prepare("Star Field", {}, {});
        QCOMPARE(w.Form().labWelcomeTitle->text(), QString("Welcome to Star Field Setup Wizard"));
        QCOMPARE(w.Form().labWelcomeText->text(),
                 QString("This will install Star Field on your computer."));
        QCOMPARE(w.Form().labFolderText->text(), QString("Where should Star Field be installed?"));
        QCOMPARE(w.Form().labFolderBody->text(),
                 QString("Select the folder where you would like Star "
                         "Field to be installed, \nthen click Next"));
        QCOMPARE(w.Form().labFinishBody->text(),
                 QString("Congratulations! You have installed Star Field successfully."));

        TfrmInstaller unnamed;
        unnamed.Prepare(QString(), {}, {});
        QCOMPARE(unnamed.Form().labWelcomeTitle->text(), QString("Welcome to  Setup Wizard"));
    }

    void filesAreShownAndBadPathsRefused() {
        TfrmInstaller w;
        w.Prepare("X", readme, licence);
        QCOMPARE(w.Form().txtReadme->toPlainText(), QString("Read me first.\nSecond line.\n"));
        QCOMPARE(w.Form().txtLicense->toPlainText(),
                 QString("You may share this screensaver freely.\n"));
        // An older text file in an 8-bit code page still reads.
        TfrmInstaller latin;
        latin.Prepare("X", WriteFile(dir, "latin.txt", "Caf\xe9 cr\xe8me"), {});
        QCOMPARE(latin.Form().txtReadme->toPlainText(), QString::fromUtf8("Café crème"));

        TfrmInstaller blank;
        QVERIFY_THROWS_EXCEPTION(EFOpenError, blank.Prepare("X", " ", {}));
        TfrmInstaller missing;
        QVERIFY_THROWS_EXCEPTION(EFOpenError, missing.Prepare("X", {}, dir.filePath("gone.txt")));
        TfrmInstaller folder;
        QVERIFY_THROWS_EXCEPTION(EFOpenError, folder.Prepare("X", dir.path(), {}));
    }

    void showingFailsBeforeAnyWindowAppears() {
        bool appeared = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                appeared = true;
                w->close();
            }
        });
        probe.start(20);
        QVERIFY_THROWS_EXCEPTION(EFOpenError,
                                 ShowInstallerPreview(nullptr, "X", dir.filePath("gone.txt"), {}));
        QTest::qWait(60);
        QVERIFY(!appeared);
    }

    void cancelAndFinishedCloseTheModalWindow() {
        for (bool toTheEnd : {false, true}) {
            QTimer::singleShot(50, [toTheEnd] {
                auto* w = qobject_cast<TfrmInstaller*>(QApplication::activeModalWidget());
                QVERIFY(w);
                if (toTheEnd) w->GotoPage(P::Finish);
                w->Form().btCancel->click();
            });
            QElapsedTimer timer;
            timer.start();
            ShowInstallerPreview(nullptr, "Star Field", {}, {});
            QVERIFY(timer.elapsed() < 10000);
        }
    }

    void silentInstallAsksThenInforms_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("boxes");
        QTest::newRow("yes") << int(TMsgAnswer::Yes) << 2;
        QTest::newRow("no") << int(TMsgAnswer::No) << 1;
        QTest::newRow("cancel") << int(TMsgAnswer::Cancel) << 1;
    }
    void silentInstallAsksThenInforms() {
        QFETCH(int, answer);
        QFETCH(int, boxes);
        TScriptedMessageBoxes script;
        TMessageBoxesScope scope(script);
        script.Answer(static_cast<TMsgAnswer>(answer));
        TestSilentInstall("Star Field");
        QCOMPARE(int(script.shown.size()), boxes);
        QCOMPARE(script.shown[0].text,
                 std::string("Now it's going to install Star Field , do you want to continute?"));
        QCOMPARE(script.shown[0].caption, std::string("Confirm"));
        QVERIFY(script.shown[0].buttons == TMsgButtons::YesNoCancel);
        if (boxes == 2) {
            QCOMPARE(script.shown[1].text,
                     std::string("Installation complete. Thank you!\r\n\r\nThis was just a test, "
                                 "nothing really happened."));
            QCOMPARE(script.shown[1].caption, std::string("Information"));
        }
    }
};

QTEST_MAIN(InstallerTest)
#include "InstallerTest.moc"
