#pragma once
// The end user's settings window: the screensaver's identity on "Welcome" and, when end users
// may change them, its settings on "Configuration". The authoring program shows it as a
// preview, loaded from the main window's current (possibly unsaved) pages, and stores nothing;
// the screensaver shows the same window for real and keeps the choices when OK closes it.

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <memory>

namespace Ui {
class frmTestConfig;
}

// What the main window's pages hold at the moment the preview opens.
struct TTestConfigInput {
    QPixmap icon; // the project icon; a null pixmap shows a stand-in
    QString projectName;
    QString version;
    QString author;
    QString email;
    QString homepage;
    bool enableUserModify = true;
    uint32_t backgroundColor = 0; // the project file's colour value (00BBGGRR, system, default)
    int displayStyle = 0;         // 0 "Original Size", 1 "Full Screen"
    int runType = 0;              // 0 sequential, 1 random
    int switchType = 0;           // 0 wait until the last one finishes, 1 wait for interval
    int interval = 5;
    bool mute = false;
};

class TfrmTestConfig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTestConfig(QWidget* parent = nullptr);
    ~TfrmTestConfig() override;

    // Fills the window from the main window's pages (steps 1 to 4 of showing it), or, in the
    // screensaver's own settings window, from the end user's settings.
    void Load(const TTestConfigInput& input);
    // The choices the Configuration page shows now (the settings fields of into).
    void ReadChoices(TTestConfigInput& into) const;

    Ui::frmTestConfig& Form() { return *ui; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::frmTestConfig> ui;
    void btCloseClick();
    void ApplySwitchRule();
};

// Shows the window modally over parent and releases it when it closes.
void ShowTestConfig(QWidget* parent, const TTestConfigInput& input);
