#include "fTestConfig.h"

#include "Artwork.h"
#include "ui_fTestConfig.h"

#include <QGraphicsDropShadowEffect>
#include <QScreen>

namespace {

// The "raised" look of the name and author: a faint light edge below right of the letters.
void Raise(QLabel* label) {
    auto* effect = new QGraphicsDropShadowEffect(label);
    effect->setOffset(1, 1);
    effect->setBlurRadius(0);
    effect->setColor(QColor(255, 255, 255, 200));
    label->setGraphicsEffect(effect);
}

} // namespace

TfrmTestConfig::TfrmTestConfig(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmTestConfig>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ui->imgIcon->setPixmap(Artwork::ProjectIconStandIn());
    ui->cboxBackground->setColor(0); // black
    Raise(ui->labProjectName);
    Raise(ui->labAuthor);
    // Both close the window; the screensaver's own settings window keeps the choices on OK.
    connect(ui->btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btClose, &QPushButton::clicked, this, &TfrmTestConfig::btCloseClick);
    // The end user's window lets the interval be typed only when it is used.
    connect(ui->cboxSwitch, &QComboBox::currentIndexChanged, this,
            &TfrmTestConfig::ApplySwitchRule);
}

TfrmTestConfig::~TfrmTestConfig() {}

void TfrmTestConfig::Load(const TTestConfigInput& input) {
    ui->pageConfig->setCurrentWidget(ui->tabInfo);
    ui->pageConfig->setTabVisible(ui->pageConfig->indexOf(ui->tabConfig), input.enableUserModify);

    ui->imgIcon->setPixmap(input.icon.isNull() ? Artwork::ProjectIconStandIn() : input.icon);
    ui->imgIcon->repaint();
    ui->labProjectName->setText(input.projectName);
    ui->labVersion->setText(input.version);
    ui->labAuthor->setText(input.author);
    ui->labEmail->setText(input.email);
    ui->labHomepage->setText(input.homepage);
    setWindowTitle(input.projectName.trimmed().isEmpty()
                       ? tr("Screensaver Settings")
                       : tr("%1 Settings").arg(input.projectName.trimmed()));

    // What the end user will find on the Configuration page: the project's defaults.
    ui->cboxBackground->setColor(input.backgroundColor);
    auto choose = [](QComboBox* box, int index) {
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0);
    };
    choose(ui->cboxStyle, input.displayStyle);
    choose(ui->cboxRunType, input.runType);
    choose(ui->cboxSwitch, input.switchType);
    ui->txtInterval->setValue(qBound(1, input.interval, 5000000));
    ui->chkMute->setChecked(input.mute);
    ApplySwitchRule();
}

void TfrmTestConfig::ReadChoices(TTestConfigInput& into) const {
    into.backgroundColor = ui->cboxBackground->color();
    into.displayStyle = ui->cboxStyle->currentIndex();
    into.runType = ui->cboxRunType->currentIndex();
    into.switchType = ui->cboxSwitch->currentIndex();
    into.interval = ui->txtInterval->value();
    into.mute = ui->chkMute->isChecked();
}

void TfrmTestConfig::ApplySwitchRule() {
    ui->txtInterval->setEnabled(ui->cboxSwitch->currentIndex() == 1);
}

void TfrmTestConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the desktop, like the end user's window that it previews.
    if (QScreen* screen = (parentWidget() ? parentWidget()->screen() : this->screen()))
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfrmTestConfig::btCloseClick() {
    reject();
}

void ShowTestConfig(QWidget* parent, const TTestConfigInput& input) {
    TfrmTestConfig window(parent);
    window.Load(input);
    window.exec();
}
