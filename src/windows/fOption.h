#pragma once
// The options window: the five program switches. Nothing is stored unless it closes with OK.

#include <QDialog>
#include <memory>

class TConfig;
namespace Ui {
class TfrmOption;
}

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOption(QWidget* parent = nullptr);
    ~TfrmOption() override;
    Ui::TfrmOption& Form() { return *ui; }

private:
    std::unique_ptr<Ui::TfrmOption> ui;
};

// Shows the window with the settings' switches; on OK stores all five and applies the
// association. Returns whether the window was confirmed.
bool ShowOptions(QWidget* parent, TConfig& settings);
