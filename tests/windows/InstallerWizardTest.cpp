// The installer wizard made real, driven page by page into temporary homes: the pages for every
// readme/licence combination end in a real installation, the folder button chooses the folder,
// a failure goes back to the folder page with nothing installed, a cancel while copying undoes
// the copy and closes the window, and the quick way installs only after Yes.

#include "FileDialogs.h"
#include "InstallErrors.h"
#include "Installation.h"
#include "Messages.h"
#include "fInstaller.h"
#include "ui_fInstaller.h"

#include "../setup/SetupTestSupport.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <thread>

namespace {

using P = TfrmInstaller::Page;

// A screensaver that takes its time, so that a test can cancel while it is copied.
TPackageFile SlowFile(size_t size) {
    TPackageFile file;
    file.name = "Star Field.scr";
    file.size = static_cast<int64_t>(size);
    file.produce = [size](const TPackageFile::TSink& sink) {
        const std::string block(65536, 'x');
        for (size_t at = 0; at < size; at += block.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            sink(block.data(), std::min(block.size(), size - at));
        }
    };
    return file;
}

} // namespace

class InstallerWizardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TTempDir> root;
    std::string home;
    std::unique_ptr<TInstaller> installer;
    const std::string bytes = GeneratedBytes(400000, 7);

    TInstallRequest Request() const {
        TInstallRequest request;
        request.project_name = "Star Field";
        request.version = "1.0";
        request.menu_folder = "Star Field";
        request.screensaver = MemoryFile("Star Field.scr", bytes);
        request.icon = MemoryFile("star.png", "\x89PNG");
        request.uninstaller = MemoryFile("uninstall", "#!/bin/sh\n");
        return request;
    }
    std::string DefaultFolder() const {
        return home + "/.local/share/glimmerdrome/screensavers/Star Field";
    }

private slots:
    void init() {
        root = std::make_unique<TTempDir>();
        home = *root / "home";
        fs::create_directories(home);
        WriteFileBytes(home + "/.xscreensaver", "programs: \\\n  maze --root \\n\\\n\n");
        installer = std::make_unique<TInstaller>(
            TInstallLocations(TInstallEnvironment::For(home), TInstallScope::User));
    }
    void cleanup() {
        installer.reset();
        root.reset();
    }

    void pagesInstallForEveryReadmeLicenceCombination_data() {
        QTest::addColumn<bool>("hasReadme");
        QTest::addColumn<bool>("hasLicence");
        QTest::newRow("neither") << false << false;
        QTest::newRow("licence only") << false << true;
        QTest::newRow("readme only") << true << false;
        QTest::newRow("both") << true << true;
    }
    void pagesInstallForEveryReadmeLicenceCombination() {
        QFETCH(bool, hasReadme);
        QFETCH(bool, hasLicence);
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        TfrmInstaller w;
        w.PrepareTexts("Star Field", hasReadme ? std::optional<QString>("Read me.") : std::nullopt,
                       hasLicence ? std::optional<QString>("Share freely.") : std::nullopt);
        w.MakeReal(*installer, Request());
        auto& ui = w.Form();

        QList<int> seen{ui.pageMain->currentIndex()};
        while (ui.pageMain->currentIndex() != P::MenuName && seen.size() < 10) {
            if (ui.pageMain->currentIndex() == P::License) {
                QVERIFY(!ui.btNext->isEnabled());
                ui.chkAccept->setChecked(true);
            }
            if (ui.pageMain->currentIndex() == P::Folder)
                QCOMPARE(ui.txtFolder->text().toStdString(), DefaultFolder());
            ui.btNext->click();
            seen << ui.pageMain->currentIndex();
        }
        QList<int> expected{P::Welcome};
        if (hasReadme) expected << P::Readme;
        if (hasLicence) expected << P::License;
        expected << P::Folder << P::MenuName;
        QCOMPARE(seen, expected);
        QCOMPARE(ui.txtMenuName->text(), QString("Star Field"));
        if (hasReadme) QCOMPARE(ui.txtReadme->toPlainText(), QString("Read me."));

        ui.btNext->click();
        QCOMPARE(ui.pageMain->currentIndex(), int(P::Copying));
        QVERIFY(!ui.btNext->isEnabled());
        QVERIFY(!ui.btPrevious->isEnabled());
        QVERIFY(!ui.labCopying->isHidden());
        QTRY_COMPARE(ui.pageMain->currentIndex(), int(P::Finish));
        QVERIFY(w.Installed());
        QCOMPARE(ui.barProgress->value(), ui.barProgress->maximum());
        QCOMPARE(ui.btCancel->text(), QString("&Finished"));
        QVERIFY(!ui.btPrevious->isEnabled());
        QVERIFY(boxes.shown.empty());
        QCOMPARE(ReadFileBytes(DefaultFolder() + "/Star Field.scr"), bytes);
        QVERIFY(
            fs::exists(home + "/.config/menus/applications-merged/glimmerdrome-star-field.menu"));
    }

    void folderButtonAndTypedFoldersChooseTheDestination() {
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        TScriptedFileDialogs dialogs;
        TFileDialogsScope dialog_scope(dialogs);
        const std::string chosen = *root / "chosen";
        fs::create_directories(chosen);
        dialogs.Answer({chosen});

        TfrmInstaller w;
        w.PrepareTexts("Star Field", std::nullopt, std::nullopt);
        w.MakeReal(*installer, Request());
        auto& ui = w.Form();
        w.GotoPage(P::Folder);
        ui.btFolder->click();
        QCOMPARE(dialogs.requests.size(), size_t(1));
        QVERIFY(dialogs.requests[0].kind == TFileDialogKind::Folder);
        // The dialog opens on the nearest folder that exists.
        QCOMPARE(dialogs.requests[0].initialFolder, home);
        QCOMPARE(ui.txtFolder->text().toStdString(), chosen);

        // A relative folder is refused on the spot.
        ui.txtFolder->setText("screensavers");
        ui.btNext->click();
        QCOMPARE(ui.pageMain->currentIndex(), int(P::Folder));
        QCOMPARE(boxes.shown.size(), size_t(1));
        QVERIFY(boxes.shown[0].text.find("full path") != std::string::npos);

        ui.txtFolder->setText(QString::fromStdString(chosen));
        ui.txtMenuName->clear();
        ui.btNext->click();
        ui.btNext->click();
        QTRY_VERIFY(w.Installed());
        QCOMPARE(ReadFileBytes(chosen + "/Star Field.scr"), bytes);
        // No menu folder was asked for.
        QVERIFY(!fs::exists(home + "/.config/menus"));
    }

    void aFailureGoesBackToTheFolderPageWithNothingInstalled() {
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        const auto before = Snapshot(home);
        WriteFileBytes(*root / "plain-file", "x");
        TfrmInstaller w;
        w.PrepareTexts("Star Field", std::nullopt, std::nullopt);
        w.MakeReal(*installer, Request());
        auto& ui = w.Form();
        w.GotoPage(P::Folder);
        ui.txtFolder->setText(QString::fromStdString(*root / "plain-file/Star Field"));
        ui.btNext->click();
        ui.btNext->click();
        QTRY_COMPARE(ui.pageMain->currentIndex(), int(P::Folder));
        QVERIFY(!w.Installed());
        QCOMPARE(boxes.shown.size(), size_t(1));
        QVERIFY(boxes.shown[0].text.find("Not a directory") != std::string::npos);
        QVERIFY(boxes.shown[0].text.find("Nothing was installed.") != std::string::npos);
        QCOMPARE(Difference(before, Snapshot(home)), std::string());
        QVERIFY(ui.btNext->isEnabled());
    }

    void cancellingWhileCopyingUndoesTheCopyAndCloses() {
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        const auto before = Snapshot(home);
        TInstallRequest request = Request();
        request.screensaver = SlowFile(6 << 20);
        TfrmInstaller w;
        w.PrepareTexts("Star Field", std::nullopt, std::nullopt);
        w.MakeReal(*installer, request);
        auto& ui = w.Form();
        w.show();
        w.GotoPage(P::MenuName);
        ui.btNext->click();
        QTRY_VERIFY(ui.barProgress->value() > 0);
        // Closing the window mid-copy only asks the copy to stop; the window waits for it.
        w.close();
        QVERIFY(w.isVisible());
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.Installed());
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].text,
                 std::string("The installation was cancelled. Nothing was installed."));
        QCOMPARE(Difference(before, Snapshot(home)), std::string());
    }

    void theQuickWayInstallsOnlyAfterYes() {
        const auto before = Snapshot(home);
        for (TMsgAnswer answer : {TMsgAnswer::No, TMsgAnswer::Cancel}) {
            TScriptedMessageBoxes boxes;
            TMessageBoxesScope scope(boxes);
            boxes.Answer(answer);
            QVERIFY(!RunQuickInstall(nullptr, *installer, Request()));
            QCOMPARE(boxes.shown.size(), size_t(1));
            QCOMPARE(Difference(before, Snapshot(home)), std::string());
        }
        TScriptedMessageBoxes boxes;
        TMessageBoxesScope scope(boxes);
        boxes.Answer(TMsgAnswer::Yes);
        QVERIFY(RunQuickInstall(nullptr, *installer, Request()));
        QCOMPARE(boxes.shown.size(), size_t(2));
        QCOMPARE(boxes.shown[0].text,
                 std::string("Now it's going to install Star Field , do you want to continute?"));
        QCOMPARE(boxes.shown[1].text, std::string("Installation complete. Thank you!"));
        QCOMPARE(ReadFileBytes(DefaultFolder() + "/Star Field.scr"), bytes);
    }
};

QTEST_MAIN(InstallerWizardTest)
#include "InstallerWizardTest.moc"
