// The options window: its check boxes show the settings, OK stores all five and applies the
// association, Cancel stores nothing; the main window's toolbar follows.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QToolBar>
#include <QtTest>

#include "AppTestHelpers.h"
#include "Config.h"
#include "fOption.h"

namespace {
// Answers the options window once it is open: ticks the named boxes as given, then presses
// the button.
void AnswerOptions(std::vector<std::pair<const char*, bool>> ticks, const char* button) {
    QTimer::singleShot(0, [ticks, button] {
        auto* window = qobject_cast<TfrmOption*>(QApplication::activeModalWidget());
        if (!window) qFatal("the options window is not open");
        for (const auto& [name, on] : ticks)
            window->findChild<QCheckBox*>(name)->setChecked(on);
        window->findChild<QPushButton*>(button)->click();
    });
}

struct TDataHome {
    explicit TDataHome(const std::string& folder) : old(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder));
    }
    ~TDataHome() {
        if (old.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", old);
    }
    QByteArray old;
};
} // namespace

class OptionTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheStoredSwitches() {
        TAppSandbox sandbox;
        TConfig settings(sandbox.ProgramDir(), sandbox.Path("config-home"));
        std::map<std::string, bool> seen;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<TfrmOption*>(QApplication::activeModalWidget());
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), QString("Options"));
            for (const char* name :
                 {"chkQuickStart", "chkBackup", "chkAskTest", "chkShowToolbar", "chkAssociation"})
                seen[name] = window->findChild<QCheckBox*>(name)->isChecked();
            window->findChild<QPushButton*>("btCancel")->click();
        });
        QVERIFY(!ShowOptions(nullptr, settings));
        QCOMPARE(seen.size(), size_t(5));
        QVERIFY(seen["chkQuickStart"] && seen["chkShowToolbar"]);
        QVERIFY(!seen["chkBackup"] && !seen["chkAskTest"] && !seen["chkAssociation"]);
        // Cancel stores nothing at all.
        QVERIFY(!QFile::exists(QString::fromStdString(sandbox.SettingsFile())));
    }

    void okStoresAllFiveSwitches() {
        TAppSandbox sandbox;
        TDataHome data(sandbox.Path("data"));
        TConfig settings(sandbox.ProgramDir(), sandbox.Path("config-home"));
        AnswerOptions({{"chkQuickStart", false},
                       {"chkBackup", true},
                       {"chkAskTest", true},
                       {"chkShowToolbar", false}},
                      "btOK");
        QVERIFY(ShowOptions(nullptr, settings));
        QVERIFY(!settings.GetQuickStart());
        QVERIFY(settings.GetBackupAfterSave());
        QVERIFY(settings.GetTestAfterCompile());
        QVERIFY(!settings.GetShowToolbar());
        QVERIFY(!settings.GetAssociation());
        const std::string text = sandbox.ReadText(sandbox.SettingsFile());
        for (const char* key : {"QuickStart=0", "BackupAfterSave=1", "TestAfterCompile=1",
                                "ShowToolbar=0", "Association=0"})
            QVERIFY2(text.find(key) != std::string::npos, key);
    }

    void associationIsAppliedOnOkAndRemovedWhenUnticked() {
        TAppSandbox sandbox;
        TDataHome data(sandbox.Path("data"));
        TConfig settings(sandbox.ProgramDir(), sandbox.Path("config-home"));
        const QString mimeFolder = QString::fromStdString(sandbox.Path("data/mime/packages"));
        AnswerOptions({{"chkAssociation", true}}, "btOK");
        QVERIFY(ShowOptions(nullptr, settings));
        QVERIFY(settings.GetAssociation());
        QVERIFY(!QDir(mimeFolder).entryList(QDir::Files).isEmpty());
        AnswerOptions({{"chkAssociation", false}}, "btOK");
        QVERIFY(ShowOptions(nullptr, settings));
        QVERIFY(!settings.GetAssociation());
        QVERIFY(QDir(mimeFolder).entryList(QDir::Files).isEmpty());
    }

    void mainWindowToolbarFollowsOkButNotCancel() {
        TAppSandbox sandbox;
        TDataHome data(sandbox.Path("data"));
        auto main = sandbox.MakeMain();
        main->show();
        auto* toolbar = Control<QToolBar>(*main, "tbMain");
        QVERIFY(toolbar->isVisible());
        AnswerOptions({{"chkShowToolbar", false}}, "btCancel");
        main->ShowOptionsCommand();
        QVERIFY(toolbar->isVisible());
        AnswerOptions({{"chkShowToolbar", false}}, "btOK");
        main->ShowOptionsCommand();
        QVERIFY(!toolbar->isVisible());

        // A new window starts with the stored switch.
        auto next = sandbox.MakeMain();
        next->show();
        QVERIFY(!Control<QToolBar>(*next, "tbMain")->isVisible());
    }
};

QTEST_MAIN(OptionTest)
#include "OptionTest.moc"
