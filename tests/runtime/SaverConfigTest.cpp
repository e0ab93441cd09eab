// The screensaver's own settings window (--config): the window Test Configuration previews,
// loaded with the end user's settings, storing them on OK and nothing on Close, and showing
// only the screensaver's identity when the project keeps its settings to itself.
#include "SaverConfig.h"
#include "ColorBox.h"
#include "SaverSettings.h"
#include "fTestConfig.h"
#include "ui_fTestConfig.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

TSaverPackage Package(bool users_may_modify) {
    TSaverPackage package;
    package.projectName = "Night Sky";
    package.version = "3.1";
    package.author = "Ann";
    package.enableUserModify = users_may_modify;
    package.settings.backgroundColor = 0x00800000; // clNavy
    package.settings.interval = 7;
    return package;
}

// Runs the window as --config does, doing what the end user does once it is up.
void RunWith(const TSaverPackage& package, const TSaverSettings& settings, const QString& file,
             const std::function<void(TfrmTestConfig&)>& user) {
    bool done = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TfrmTestConfig*>(QApplication::activeModalWidget());
        QVERIFY(window);
        user(*window);
        done = true;
    });
    RunSaverConfig(package, settings, file.toStdString());
    QVERIFY(done);
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class SaverConfigTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void storesTheChoiceOnOkAndShowsItNextTime() {
        const QString file = dir.filePath("config/glimmerdrome/screensavers/Night Sky.ini");
        const TSaverPackage package = Package(true);
        RunWith(package, package.settings, file, [](TfrmTestConfig& w) {
            auto& form = w.Form();
            QVERIFY(form.pageConfig->isTabVisible(form.pageConfig->indexOf(form.tabConfig)));
            QCOMPARE(form.labProjectName->text(), QString("Night Sky"));
            QCOMPARE(form.labVersion->text(), QString("3.1"));
            QCOMPARE(w.windowTitle(), QString("Night Sky Settings"));
            // The project's settings first.
            QCOMPARE(form.cboxBackground->color(), 0x00800000u);
            QCOMPARE(form.txtInterval->value(), 7);
            form.pageConfig->setCurrentWidget(form.tabConfig);
            form.cboxStyle->setCurrentIndex(1);
            form.cboxSwitch->setCurrentIndex(1);
            form.txtInterval->setValue(42);
            form.cboxBackground->setColor(0x00FFFF00); // clAqua
            Click(form.btOK);
        });
        QVERIFY(QFile::exists(file));
        const TSaverSettings stored = WithUserSettings(package.settings, file.toStdString());
        QCOMPARE(stored.displayStyle, 1);
        QCOMPARE(stored.switchType, 1);
        QCOMPARE(stored.interval, 42);
        QCOMPARE(stored.backgroundColor, 0x00FFFF00u);

        // Next time the window shows the stored choice; Close keeps what it changed to itself.
        QFile read(file);
        QVERIFY(read.open(QIODevice::ReadOnly));
        const QByteArray before = read.readAll();
        read.close();
        RunWith(package, stored, file, [](TfrmTestConfig& w) {
            auto& form = w.Form();
            QCOMPARE(form.cboxStyle->currentIndex(), 1);
            QCOMPARE(form.txtInterval->value(), 42);
            QVERIFY(form.txtInterval->isEnabled());
            form.chkMute->setChecked(true);
            Click(form.btClose);
        });
        QVERIFY(read.open(QIODevice::ReadOnly));
        QCOMPARE(read.readAll(), before);
    }

    void aProjectThatKeepsItsSettingsShowsOnlyItsIdentityAndStoresNothing() {
        const QString file = dir.filePath("fixed.ini");
        const TSaverPackage package = Package(false);
        RunWith(package, package.settings, file, [](TfrmTestConfig& w) {
            auto& form = w.Form();
            QVERIFY(!form.pageConfig->isTabVisible(form.pageConfig->indexOf(form.tabConfig)));
            QCOMPARE(form.pageConfig->currentWidget(), form.tabInfo);
            Click(form.btOK);
        });
        QVERIFY(!QFile::exists(file));
    }

    void aChoiceThatCannotBeStoredIsAnError() {
        // The settings folder is a file: nothing can be written below it.
        const QString blocker = dir.filePath("blocked");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const TSaverPackage package = Package(true);
        bool raised = false;
        try {
            RunWith(package, package.settings, blocker + "/Night Sky.ini",
                    [](TfrmTestConfig& w) { Click(w.Form().btOK); });
        } catch (const std::exception&) {
            raised = true;
        }
        QVERIFY(raised);
    }
};

QTEST_MAIN(SaverConfigTest)
#include "SaverConfigTest.moc"
