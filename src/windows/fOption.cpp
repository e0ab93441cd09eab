#include "fOption.h"

#include "Config.h"
#include "ui_fOption.h"

TfrmOption::TfrmOption(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmOption>()) {
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui->btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmOption::~TfrmOption() = default;

bool ShowOptions(QWidget* parent, TConfig& settings) {
    TfrmOption window(parent);
    auto& form = window.Form();
    form.chkQuickStart->setChecked(settings.GetQuickStart());
    form.chkAskTest->setChecked(settings.GetTestAfterCompile());
    form.chkBackup->setChecked(settings.GetBackupAfterSave());
    form.chkShowToolbar->setChecked(settings.GetShowToolbar());
    form.chkAssociation->setChecked(settings.GetAssociation());
    if (parent) {
        window.adjustSize();
        window.move(parent->geometry().center() - window.rect().center());
    }
    if (window.exec() != QDialog::Accepted) return false;
    settings.SetQuickStart(form.chkQuickStart->isChecked());
    settings.SetBackupAfterSave(form.chkBackup->isChecked());
    settings.SetTestAfterCompile(form.chkAskTest->isChecked());
    settings.SetShowToolbar(form.chkShowToolbar->isChecked());
    settings.SetAssociation(form.chkAssociation->isChecked());
    settings.ApplyAssociation(form.chkAssociation->isChecked());
    return true;
}
