#include "fMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "BuildCommands.h"
#include "BuildRunner.h"
#include "BuildSteps.h"
#include "Cleanup.h"
#include "ColorBox.h"
#include "Colors.h"
#include "ElidedLabel.h"
#include "FileDialogs.h"
#include "FileListColumns.h"
#include "FlashInfo.h"
#include "FlashPreview.h"
#include "Messages.h"
#include "QtShell.h"
#include "ScreensaverDescriber.h"
#include "Utils.h"
#include "cScl.h"
#include "dm.h"
#include "fAbout.h"
#include "fHelp.h"
#include "fInstaller.h"
#include "fOption.h"
#include "fProgress.h"
#include "fQuickStart.h"
#include "fTestConfig.h"
#include "ui_fMain.h"

namespace {

const char* const kAppTitle = "Glimmerdrome";
const char* const kProjectFilter = "Glimmerdrome Project (*.gldp)|*.gldp";
// Where the file list's Type column width is kept in the settings.
const char* const kLayoutSection = "Layout";
const char* const kTypeColumnKey = "FileTypeColumn";
const char* const kSaveQuestion = "Current project is not saved yet, do you want to save it now?";
const char* const kBuildRunningQuestion =
    "A build is still running.\n\nYes: stop the build, then close Glimmerdrome.\nNo: let the "
    "build finish, then close Glimmerdrome.\nCancel: keep working.";
constexpr int kIntervalMin = 1;
constexpr int kIntervalMax = 5000000;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The local files of a drag whose extension (lower case, with its dot) is the given one.
std::vector<std::string> DraggedFiles(const QMimeData* data, const std::string& extension) {
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const std::string path = url.toLocalFile().toStdString();
        std::string ext = ExtractFileExt(path);
        for (char& c : ext)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == extension && FileExists(path)) files.push_back(path);
    }
    return files;
}

// Blocks a widget's signals for one assignment, so that filling a control in code does not
// count as an edit where the design says it must not.
template <typename T> struct TSilence {
    explicit TSilence(T* w) : widget(w), old(w->blockSignals(true)) {}
    ~TSilence() { widget->blockSignals(old); }
    T* widget;
    bool old;
};

QIcon MissingFileIcon() {
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
}

} // namespace

std::string MissingFileText(const std::string& path) {
    return "This file is missing: " + path;
}

std::string EnsureProjectExtension(const std::string& path) {
    const std::string tail = path.size() < 5 ? path : path.substr(path.size() - 5);
    if (LowerAscii(tail) == ProjectFileExtension) return path;
    return path + ProjectFileExtension;
}

class TMainBuildHost : public IBuildHost {
public:
    explicit TMainBuildHost(TfrmMain& window) : main(window) {}
    int FileRowCount() override { return main.FileRowCount(); }
    bool Modified() override { return main.Modified; }
    std::string ProjectFile() override { return main.ProjectFile; }
    void Save() override { main.Save(); }
    void SetMainEnabled(bool enabled) override { main.SetMainEnabled(enabled); }
    TConfig& Settings() override { return main.Settings(); }
    const TResourceLocator& Resources() override { return main.Resources(); }
    TBuildResult RunBuild(const TBuildParameters& parameters) override {
        return main.RunBuild(parameters);
    }
    void ReleaseProgress() override { main.BuildRunner().ReleaseProgress(); }
    bool Closing() override { return main.CloseAfterBuild(); }

private:
    TfrmMain& main;
};

TfrmMain::TfrmMain(std::unique_ptr<TConfig> config, QWidget* parent)
    : TfrmMain(TResourceLocator::ForRunningProgram(), std::move(config), parent) {}

TfrmMain::TfrmMain(const TResourceLocator& locator, std::unique_ptr<TConfig> config,
                   QWidget* parent)
    : QMainWindow(parent), resources(locator), ui(std::make_unique<Ui::TfrmMain>()),
      settings(std::move(config)) {
    ui->setupUi(this);
    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (fileColumns) fileColumns->Flush();
    // FormDestroy: the settings file is released with the window.
    if (settings) settings->CloseSettings();
}

TConfig& TfrmMain::Settings() {
    return *settings;
}

void TfrmMain::FormCreate() {
    setWindowTitle(kAppTitle);
    setWindowIcon(Tdm::ProgramIcon());
    resize(655, 463);

    // Status panes, left to right. The selected file's panes take the width of their text
    // (a long name is shortened in the middle) and the hint pane has the rest, shortening
    // what does not fit; both show their whole text as a tooltip while it is shortened.
    ssStatus = new TElidedLabel(Qt::ElideRight, this);
    ssStatus->setObjectName("ssStatus");
    ssStatus->setMinimumWidth(120);
    ssStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ssFileDate = new QLabel(this);
    ssFileDate->setObjectName("ssFileDate");
    ssDimension = new QLabel(this);
    ssDimension->setObjectName("ssDimension");
    ssFileNameIcon = new QLabel(this);
    ssFileNameIcon->setObjectName("ssFileNameIcon");
    ssFileName = new TElidedLabel(Qt::ElideMiddle, this);
    ssFileName->setObjectName("ssFileName");
    ssFileName->setMaximumWidth(260);
    ssModified = new QLabel(this);
    ssModified->setObjectName("ssModified");
    ssModified->setFixedWidth(70);
    ssModified->setAlignment(Qt::AlignCenter);
    ui->sbMain->addWidget(ssStatus, 1);
    ui->sbMain->addWidget(ssFileDate);
    ui->sbMain->addWidget(ssDimension);
    ui->sbMain->addWidget(ssFileNameIcon);
    ui->sbMain->addWidget(ssFileName);
    ui->sbMain->addPermanentWidget(ssModified);

    // Pictures of the data module.
    Tdm& images = dm();
    const std::pair<QAction*, TImgMain> pictures[] = {{ui->actNew, imgNew},
                                                      {ui->actOpen, imgOpen},
                                                      {ui->actSave, imgSave},
                                                      {ui->actSaveAs, imgSaveAs},
                                                      {ui->actClose, imgClose},
                                                      {ui->actExit, imgExit},
                                                      {ui->actOption, imgOption},
                                                      {ui->actGeneral, imgGeneral},
                                                      {ui->actFiles, imgFiles},
                                                      {ui->actConfiguration, imgConfiguration},
                                                      {ui->actInstaller, imgInstaller},
                                                      {ui->actCompile, imgCompile},
                                                      {ui->actRun, imgRun},
                                                      {ui->actScreensaverGenerator, imgGenerator},
                                                      {ui->actTopic, imgTopic},
                                                      {ui->actHomepage, imgHomepage},
                                                      {ui->actAbout, imgAbout},
                                                      {ui->actAddFiles, imgAddFiles},
                                                      {ui->actRemove, imgRemove},
                                                      {ui->actMoveUp, imgMoveUp},
                                                      {ui->actMoveDown, imgMoveDown}};
    for (const auto& [action, picture] : pictures)
        action->setIcon(images.ImgMain[picture]);
    ui->mnuReopen->setIcon(images.ImgMain[imgReopen]);
    ui->btAddFiles->setDefaultAction(ui->actAddFiles);
    ui->btRemove->setDefaultAction(ui->actRemove);
    ui->btMoveUp->setDefaultAction(ui->actMoveUp);
    ui->btMoveDown->setDefaultAction(ui->actMoveDown);
    ui->btReadme->setIcon(images.ImgMain[imgFolder]);
    ui->btLicense->setIcon(images.ImgMain[imgFolder]);
    ui->pageMain->setIconSize(QSize(24, 24));
    for (int i = 0; i < 4; ++i)
        ui->pageMain->setTabIcon(i, images.imgSteps[i]);
    ui->pageMain->setTabToolTip(0, ui->actGeneral->toolTip());
    ui->pageMain->setTabToolTip(1, ui->actFiles->toolTip());
    ui->pageMain->setTabToolTip(2, ui->actConfiguration->toolTip());
    ui->pageMain->setTabToolTip(3, ui->actInstaller->toolTip());
    const QPixmap step1 = images.imgSteps[0].pixmap(24, 24),
                  step2 = images.imgSteps[1].pixmap(24, 24);
    ui->imgStepGeneral1->setPixmap(images.imgSteps[0].pixmap(24, 24));
    ui->imgStepGeneral2->setPixmap(images.imgSteps[1].pixmap(24, 24));
    ui->imgStepConfiguration->setPixmap(images.imgSteps[2].pixmap(24, 24));
    ui->imgStepInstaller->setPixmap(images.imgSteps[3].pixmap(24, 24));
    for (QFrame* guide : {ui->palGuideGeneral, ui->palGuideConfiguration, ui->palGuideInstaller}) {
        guide->setAutoFillBackground(true);
        QPalette palette = guide->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        guide->setPalette(palette);
    }
    for (QLabel* text : {ui->labGuideGeneral1, ui->labGuideGeneral2, ui->labGuideConfiguration,
                         ui->labGuideInstaller}) {
        QFont small = text->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        text->setFont(small);
    }
    for (QFrame* guide : {ui->palGuideGeneral, ui->palGuideConfiguration, ui->palGuideInstaller})
        guide->installEventFilter(this);
    QFont bold = ui->labInformation->font();
    bold.setBold(true);
    ui->labInformation->setFont(bold);
    ui->labPreviewTitle->setFont(bold);

    // The file list: icon, name and type columns, no sorting by clicking. Name takes the
    // spare width; the Type width the author leaves is kept in the settings.
    QTreeWidget* list = ui->lsFiles;
    list->header()->setSectionsClickable(false);
    if (!settings) settings = std::make_unique<TConfig>(resources);
    // A column width is a convenience: a settings file that cannot be read or written is
    // reported by the reads and writes of what matters, not once more for the width.
    int typeWidth = TFileListColumns::DefaultTypeWidth;
    try {
        typeWidth = Settings().ReadNumber(kLayoutSection, kTypeColumnKey, typeWidth);
    } catch (const std::exception&) {
    }
    fileColumns = std::make_unique<TFileListColumns>(list, typeWidth, [this](int width) {
        try {
            Settings().WriteNumber(kLayoutSection, kTypeColumnKey, width);
        } catch (const std::exception&) {
        }
    });
    list->addAction(ui->actRemove);
    list->addAction(ui->actSelectAll);
    ui->actRemove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ui->actSelectAll->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(ui->actAddFiles);
    filesMenu = new QMenu(this);
    filesMenu->setObjectName("mnuFiles");
    filesMenu->addAction(ui->actAddFiles);
    filesMenu->addAction(ui->actRemove);
    filesMenu->addSeparator();
    filesMenu->addAction(ui->actMoveUp);
    filesMenu->addAction(ui->actMoveDown);
    filesMenu->addSeparator();
    filesMenu->addAction(ui->actViewFileName);
    filesMenu->addAction(ui->actViewFullPath);
    ui->splFiles->setStretchFactor(0, 3);
    ui->splFiles->setStretchFactor(1, 2);
    // The preview gets room for a movie's usual 4:3 frame.
    ui->splFiles->setSizes({370, 250});

    ui->imgProjectIcon->installEventFilter(this);
    // The icon box takes the focus like a button, so it shows when it has it.
    ui->imgProjectIcon->setStyleSheet(
        "QLabel#imgProjectIcon:focus { border: 2px solid palette(highlight); }");
    ui->lsFiles->setAcceptDrops(true);
    ui->lsFiles->viewport()->setAcceptDrops(true);
    ui->lsFiles->setDragDropMode(QAbstractItemView::DropOnly);
    ui->lsFiles->viewport()->installEventFilter(this);
    setAcceptDrops(true);
    ui->tabFiles->installEventFilter(this);

    if (!settings) settings = std::make_unique<TConfig>(resources);
    // A settings file that cannot be read is reported; the window still opens, with its toolbar.
    RunGuarded([this] { ui->tbMain->setVisible(Settings().GetShowToolbar()); });
    Modified = false;
    ssModified->clear();
    ui->actSave->setEnabled(false);
    IconFile = DefaultIconFile();
    // The icon box starts with the default picture when it is there.
    if (FileExists(IconFile)) RunGuarded([&] { ShowIconPicture(IconFile); });

    buildHost = std::make_unique<TMainBuildHost>(*this);
    // Builds show their progress over this window; file lists name built screensavers by
    // the project they were made from.
    buildRunner = std::make_unique<TBuildRunner>(this);
    InstallBuiltScreensaverDescriber();
    ConnectActions();
    ConnectEditors();
}

std::string TfrmMain::DefaultIconFile() const {
    return resources.DefaultProjectIcon();
}

void TfrmMain::ConnectActions() {
    auto bind = [this](QAction* action, std::function<void()> command) {
        connect(action, &QAction::triggered, this, [command] { RunGuarded(command); });
    };
    bind(ui->actNew, [this] { NewCommand(); });
    bind(ui->actOpen, [this] { OpenCommand(); });
    bind(ui->actSave, [this] { Save(); });
    bind(ui->actSaveAs, [this] { SaveAs(); });
    bind(ui->actClose, [this] { CloseCommand(); });
    bind(ui->actExit, [this] { close(); });
    bind(ui->actGeneral, [this] { ui->pageMain->setCurrentWidget(ui->tabGeneral); });
    bind(ui->actFiles, [this] { ui->pageMain->setCurrentWidget(ui->tabFiles); });
    bind(ui->actConfiguration, [this] { ui->pageMain->setCurrentWidget(ui->tabConfiguration); });
    bind(ui->actInstaller, [this] { ui->pageMain->setCurrentWidget(ui->tabInstaller); });
    bind(ui->actOption, [this] { ShowOptionsCommand(); });
    bind(ui->actCompile, [this] { CompileCommand(*buildHost); });
    bind(ui->actRun, [this] { RunCommand(*buildHost); });
    bind(ui->actScreensaverGenerator, [this] { ScreensaverGeneratorCommand(*buildHost); });
    // The guide shows in a window of the program's own, desktop handler or not.
    bind(ui->actTopic, [this] { ShowUserGuide(this, resources.HelpFile()); });
    bind(ui->actHomepage, [] { HomepageCommand(); });
    ui->actHomepage->setToolTip(HomepageHint);
    ui->actHomepage->setStatusTip(HomepageHint);
    bind(ui->actAbout, [this] { ShowAbout(this); });
    // Ctrl+Tab and Ctrl+PgDn step to the next page, Ctrl+Shift+Tab and Ctrl+PgUp to the one
    // before, wherever the focus is, round from the last page to the first.
    const auto pageStep = [this](const char* name, int step, QList<QKeySequence> keys) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, step] {
            const int count = ui->pageMain->count();
            ui->pageMain->setCurrentIndex((ui->pageMain->currentIndex() + step + count) % count);
        });
    };
    pageStep("actNextPage", 1,
             {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    pageStep("actPreviousPage", -1,
             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
              QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    bind(ui->actAddFiles, [this] { AddFiles(); });
    bind(ui->actRemove, [this] { RemoveFiles(); });
    bind(ui->actMoveUp, [this] { MoveUp(); });
    bind(ui->actMoveDown, [this] { MoveDown(); });
    // A checkable action has flipped its own check when it triggers; undo that, then swap both.
    bind(ui->actViewFileName, [this] {
        ui->actViewFileName->setChecked(!ui->actViewFileName->isChecked());
        ToggleView();
    });
    bind(ui->actViewFullPath, [this] {
        ui->actViewFullPath->setChecked(!ui->actViewFullPath->isChecked());
        ToggleView();
    });
    bind(ui->actSelectAll, [this] { SelectAllFiles(); });
    connect(ui->lsFiles, &QWidget::customContextMenuRequested, this,
            &TfrmMain::ShowFilesContextMenu);
    connect(ui->lsFiles, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::SelectionChanged);
    connect(ui->btReadme, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { PickReadme(); }); });
    connect(ui->btLicense, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { PickLicense(); }); });
    connect(ui->btTestConfig, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            // The preview reads the pages as they are now, saved or not.
            TTestConfigInput input;
            input.icon = ui->imgProjectIcon->pixmap();
            input.projectName = ui->txtProjectName->text();
            input.version = ui->txtVersion->text();
            input.author = ui->txtAuthor->text();
            input.email = ui->txtEmail->text();
            input.homepage = ui->txtHomepage->text();
            input.enableUserModify = ui->chkEnableUserModify->isChecked();
            input.backgroundColor = ui->cboxBackground->color();
            input.displayStyle = ui->cboxStyle->currentIndex();
            input.runType = ui->cboxRunType->currentIndex();
            input.switchType = ui->cboxSwitch->currentIndex();
            input.interval = ui->txtInterval->value();
            input.mute = ui->chkMute->isChecked();
            ShowTestConfig(this, input);
        });
    });
    connect(ui->btTestInstaller, &QPushButton::clicked, this, [this] {
        RunGuarded([this] {
            const QString name = ui->txtProjectName->text();
            if (ui->rbStandard->isChecked())
                ShowInstallerPreview(this, name, ui->txtReadme->text(), ui->txtLicense->text());
            else
                TestSilentInstall(name);
        });
    });
    connect(ui->pageMain, &QTabWidget::currentChanged, this, [this](int index) {
        // The preview lives only while the Files page is in use.
        if (ui->pageMain->widget(index) == ui->tabFiles)
            tabFilesEnter();
        else
            tabFilesExit();
    });
}

void TfrmMain::ConnectEditors() {
    for (QLineEdit* edit : {ui->txtProjectName, ui->txtVersion, ui->txtAuthor, ui->txtEmail,
                            ui->txtHomepage, ui->txtReadme, ui->txtLicense})
        connect(edit, &QLineEdit::textChanged, this, [this] { SetModify(); });
    connect(ui->cboxBackground, &TColorBox::colorChanged, this, [this] { SetModify(); });
    connect(ui->cboxStyle, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { SetModify(); });
    connect(ui->cboxRunType, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { SetModify(); });
    connect(ui->cboxSwitch, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        ApplyIntervalRule();
        SetModify();
    });
    connect(ui->txtInterval, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this] { SetModify(); });
    connect(ui->chkMute, &QCheckBox::toggled, this, [this] { SetModify(); });
    connect(ui->chkEnableUserModify, &QCheckBox::toggled, this, [this] { SetModify(); });
    connect(ui->rbQuick, &QRadioButton::clicked, this, [this] {
        ui->rbStandard->setChecked(!ui->rbQuick->isChecked());
        ApplyInstallModeRule();
        SetModify();
    });
    connect(ui->rbStandard, &QRadioButton::clicked, this, [this] {
        ui->rbQuick->setChecked(!ui->rbStandard->isChecked());
        ApplyInstallModeRule();
        SetModify();
    });
}

void TfrmMain::ApplyIntervalRule() {
    ui->txtInterval->setEnabled(ui->cboxSwitch->currentIndex() == 1);
}

void TfrmMain::ApplyInstallModeRule() {
    ui->gboxSettings->setEnabled(ui->rbStandard->isChecked());
}

// ---------------------------------------------------------------- window events

bool TfrmMain::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::StatusTip:
        ShowHintInStatus(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    case QEvent::WindowActivate:
        if (!Activated) QTimer::singleShot(0, this, [this] { FormActivate(); });
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void TfrmMain::ShowHintInStatus(const QString& hint) {
    ssStatus->setText(hint);
}

void TfrmMain::ClearFilePanes() {
    shownFile.clear();
    ssFileDate->clear();
    ssDimension->clear();
    ssFileNameIcon->clear();
    ssFileName->clear();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown) {
        shown = true;
        FormShow();
        // Desktops without a window manager never activate the window; the first showing
        // stands in for the first activation there (FormActivate runs only once either way).
        if (!Activated) QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
}

void TfrmMain::FormShow() {
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    ui->pageMain->setCurrentWidget(ui->tabGeneral);
    RunGuarded([this] { BuildReopenMenu(); });
}

void TfrmMain::FormActivate() {
    if (Activated) return;
    // Set first: the quick start window's closing activates this window again.
    Activated = true;
    RunGuarded([this] {
        if (Settings().GetQuickStart())
            ShowQuickStart();
        else
            NewProject();
    });
}

void TfrmMain::ShowQuickStart() {
    ::ShowQuickStart(*this);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A build is never ended half-way: the window closes once it has ended, cancelled or not.
    if (buildRunner->Running()) {
        event->ignore();
        if (closeAfterBuild) return;
        const TMsgAnswer answer = ConfirmOrCancel(kBuildRunningQuestion);
        if (answer == TMsgAnswer::Cancel) return;
        closeAfterBuild = true;
        if (answer == TMsgAnswer::Yes) buildRunner->Cancel();
        return;
    }
    fileColumns->Flush();
    // A save that was asked for and failed keeps the window open with the edits; the author
    // may answer No on the next attempt to drop them.
    if (Modified && Confirm(kSaveQuestion) && !RunGuarded([this] { SaveAsNeeded(); })) {
        event->ignore();
        return;
    }
    WriteCleanup();
    tabFilesExit();
    event->accept();
}

void TfrmMain::WriteCleanup() {
    if (UndeletedTempFiles.empty()) return;
    StartCleanup(UndeletedTempFiles);
    UndeletedTempFiles.clear();
}

TBuildResult TfrmMain::RunBuild(const TBuildParameters& parameters) {
    const TBuildResult result = buildRunner->Run(parameters);
    for (const std::string& path : result.undeleted)
        if (std::find(UndeletedTempFiles.begin(), UndeletedTempFiles.end(), path) ==
            UndeletedTempFiles.end())
            UndeletedTempFiles.push_back(path);
    // The close asked for while the build ran happens now, once the command has finished.
    if (closeAfterBuild) QTimer::singleShot(0, this, [this] { close(); });
    return result;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->imgProjectIcon && event->type() == QEvent::KeyPress) {
        // The keyboard's way to the icon: Space or Enter picks, Delete restores the default.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunGuarded([this] { PickIcon(); });
            return true;
        }
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            RunGuarded([this] { ResetIcon(); });
            return true;
        }
    }
    if (watched == ui->imgProjectIcon && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            RunGuarded([this] { PickIcon(); });
        else if (mouse->button() == Qt::RightButton)
            RunGuarded([this] { ResetIcon(); });
        return true;
    }
    if (watched == ui->lsFiles->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!DraggedFiles(drag->mimeData(), ".swf").empty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const auto files = DraggedFiles(drop->mimeData(), ".swf");
            if (!files.empty()) {
                drop->acceptProposedAction();
                RunGuarded([&] { AddDroppedFiles(files); });
            }
            return true;
        }
    }
    if (event->type() == QEvent::Resize &&
        (watched == ui->palGuideGeneral || watched == ui->palGuideConfiguration ||
         watched == ui->palGuideInstaller)) {
        // Wrapped labels get the height their text needs at the width they have; the page
        // layout alone would size them for a wider line and cut their last paragraphs off.
        for (QLabel* text : static_cast<QWidget*>(watched)->findChildren<QLabel*>())
            if (text->wordWrap()) text->setMinimumHeight(text->heightForWidth(text->width()));
    }
    return QMainWindow::eventFilter(watched, event);
}

void OpenCommandLineProject(TfrmMain& window, const QStringList& arguments) {
    if (arguments.size() < 2) return;
    // A project named on the command line replaces the quick start; further arguments are
    // ignored, and the path is not tested (a missing file loads the defaults under it).
    window.Activated = true;
    // Made absolute here, where the working folder is the one the name was typed in, so that
    // the title, the recent list and Save name the same file later.
    const std::string path = AbsoluteProjectPath(arguments.at(1).toStdString());
    RunGuarded([&] { window.LoadProject(path); });
}

// ---------------------------------------------------------------- project state

void TfrmMain::SetModify() {
    Modified = true;
    ui->actSave->setEnabled(true);
    ssModified->setText("Modified");
}

std::string TfrmMain::ProjectTitle(const std::string& file) const {
    // A project still carrying the program's own name, or none, is told by its file instead,
    // so that the title never reads "Glimmerdrome - Glimmerdrome".
    std::string name = ui->txtProjectName->text().toStdString();
    if (name.empty() || name == kAppTitle) name = file.empty() ? "Untitled" : ExtractFileName(file);
    return std::string(kAppTitle) + " - " + name;
}

void TfrmMain::ClearModified(const std::string& title) {
    Modified = false;
    ssModified->clear();
    ui->actSave->setEnabled(false);
    setWindowTitle(Q(title));
}

void TfrmMain::ShowIconPicture(const std::string& path) {
    const QString file = Q(path);
    const std::string extension = LowerAscii(ExtractFileExt(path));
    if (extension != ".ico" && extension != ".gif") {
        const std::string shown = extension.empty() ? "" : ExtractFileExt(path).substr(1);
        throw std::runtime_error("Unknown picture file extension (." + shown + ")");
    }
    // An icon file carries several pictures; the box shows the one nearest 32 pixels.
    QImageReader reader(file);
    QImage best;
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        const QImage image = reader.read();
        if (image.isNull()) continue;
        if (best.isNull() || std::abs(image.width() - 32) < std::abs(best.width() - 32) ||
            (image.width() == best.width() && image.depth() > best.depth()))
            best = image;
        if (reader.format() == "gif") break;
    }
    if (best.isNull()) throw std::runtime_error("The picture of \"" + path + "\" cannot be read");
    ui->imgProjectIcon->setPixmap(
        QPixmap::fromImage(best.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TfrmMain::LoadProject(const std::string& path) {
    TSCL document;
    document.Load(path);
    struct TRelease {
        TSCL& doc;
        ~TRelease() { doc.Release(); }
    } release{document};
    // Names relative to the project file (a project folder copied elsewhere, the example
    // project) mean here what they mean to the build: files beside the project.
    const std::string folder = ExtractFileDir(AbsoluteProjectPath(path));
    for (std::string* name : {&document.ReadmeFile, &document.LicenseFile, &document.Icon})
        *name = ResolveAgainst(folder, *name);
    for (std::string& file : document.Files)
        file = ResolveAgainst(folder, file);

    ui->txtProjectName->setText(Q(document.ProjectName));
    ui->txtVersion->setText(Q(document.Version));
    ui->txtAuthor->setText(Q(document.Author));
    ui->txtEmail->setText(Q(document.Email));
    ui->txtHomepage->setText(Q(document.Homepage));
    ui->txtInterval->setValue(std::clamp(document.Interval, kIntervalMin, kIntervalMax));
    ui->txtReadme->setText(Q(document.ReadmeFile));
    ui->txtLicense->setText(Q(document.LicenseFile));
    ui->chkMute->setChecked(document.Mute);
    ui->cboxSwitch->setCurrentIndex(document.SwitchType >= 0 &&
                                            document.SwitchType < ui->cboxSwitch->count()
                                        ? document.SwitchType
                                        : -1);
    ui->txtInterval->setEnabled(document.SwitchType == 1);

    if (!document.Icon.empty() && FileExists(document.Icon)) {
        ShowIconPicture(document.Icon);
        IconFile = document.Icon;
    }

    ui->chkEnableUserModify->setChecked(document.EnableUserModify);
    auto choose = [](QComboBox* box, int index) {
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
    };
    choose(ui->cboxStyle, document.DisplayStyle);
    choose(ui->cboxRunType, document.RunType);
    ui->cboxBackground->setColor(StringToColor(document.BackgroundColor));

    const bool standard = document.InstallMode != 0;
    ui->rbStandard->setChecked(standard);
    ui->rbQuick->setChecked(!standard);
    ApplyInstallModeRule();

    FileList = document.Files;
    // The panes belong to the project that is closing, even where both list the same movie.
    ClearFilePanes();
    RefreshFileList();

    ClearModified(ProjectTitle(path));
    ProjectFile = path;
    Settings().AddRecentFile(path);
}

void TfrmMain::SaveProject(const std::string& path) {
    if (Settings().GetBackupAfterSave()) BackupFile(path);
    TSCL document;
    document.Load(path);
    struct TRelease {
        TSCL& doc;
        ~TRelease() { doc.Release(); }
    } release{document};

    document.ProjectName = ui->txtProjectName->text().toStdString();
    document.Version = ui->txtVersion->text().toStdString();
    document.Author = ui->txtAuthor->text().toStdString();
    document.Email = ui->txtEmail->text().toStdString();
    document.Homepage = ui->txtHomepage->text().toStdString();
    document.Interval = ui->txtInterval->value();
    document.ReadmeFile = ui->txtReadme->text().toStdString();
    document.LicenseFile = ui->txtLicense->text().toStdString();
    document.Mute = ui->chkMute->isChecked();
    document.SwitchType = ui->cboxSwitch->currentIndex();
    document.Icon = IconFile;
    document.EnableUserModify = ui->chkEnableUserModify->isChecked();
    document.DisplayStyle = ui->cboxStyle->currentIndex();
    document.RunType = ui->cboxRunType->currentIndex();
    document.BackgroundColor = ColorToString(ui->cboxBackground->color());
    document.InstallMode = ui->rbQuick->isChecked() ? 0 : 1;
    document.Files = FileList;
    document.Save();

    ClearModified(ProjectTitle(path));
    Settings().AddRecentFile(path);
}

void TfrmMain::NewProject() {
    ui->txtProjectName->setText("Glimmerdrome");
    ui->txtVersion->setText("1.00");
    ui->txtAuthor->setText(Q(LogonUserName()));
    ui->txtEmail->clear();
    ui->txtHomepage->clear();
    ui->txtReadme->clear();
    ui->txtLicense->clear();

    ui->txtInterval->setValue(50);
    ui->txtInterval->setEnabled(false);
    ui->chkMute->setChecked(false);
    ui->cboxSwitch->setCurrentIndex(0);
    ui->cboxStyle->setCurrentIndex(0);
    ui->cboxRunType->setCurrentIndex(0);
    ui->cboxBackground->setColor(0);
    ui->chkEnableUserModify->setChecked(true);
    ApplyIntervalRule();

    IconFile = DefaultIconFile();
    if (FileExists(IconFile))
        ShowIconPicture(IconFile);
    else
        ui->imgProjectIcon->setPixmap(QPixmap::fromImage(Tdm::ProgramIconImage(32)));

    ui->rbQuick->setChecked(true);
    ui->rbStandard->setChecked(false);
    ApplyInstallModeRule();

    FileList.clear();
    ClearFilePanes();
    RefreshFileList();

    ClearModified(std::string(kAppTitle) + " - Untitled");
    ui->pageMain->setCurrentWidget(ui->tabGeneral);
    ProjectFile.clear();
}

// ---------------------------------------------------------------- the file list

void TfrmMain::RefreshFileList() {
    const int generation = ++refreshGeneration;
    QTreeWidget* list = ui->lsFiles;
    list->clear();
    int64_t total = 0;
    const bool upper = ui->actViewFileName->isChecked();
    // A command run while the rows are built may shorten FileList, so the bound is read anew.
    for (size_t i = 0; i < FileList.size(); ++i) {
        const std::string path = FileList[i];
        std::string name = path;
        const bool present = FileExists(path);
        if (present) {
            name = FileDisplayName(path);
            const int32_t size = FileSizeOf(path);
            if (size > 0) total += size;
        }
        auto* row = new QTreeWidgetItem();
        row->setText(1, upper ? Q(name).toUpper() : Q(path));
        row->setText(2, Q(ShellTypeName(path)));
        row->setData(0, Qt::UserRole, Q(path));
        // A movie that has gone shows before the build fails on it.
        row->setIcon(0, present ? ShellSmallIcon(path) : MissingFileIcon());
        const QString tip = present ? Q(path) : Q(MissingFileText(path));
        for (int column = 0; column < 3; ++column)
            row->setToolTip(column, tip);
        list->addTopLevelItem(row);
        // A long list stays responsive while it fills.
        QCoreApplication::processEvents();
        // A refresh started meanwhile has rebuilt the whole list already.
        if (generation != refreshGeneration) return;
    }
    // The panes describe a listed file or none.
    if (!shownFile.empty() &&
        std::find(FileList.begin(), FileList.end(), shownFile) == FileList.end())
        ClearFilePanes();
    ui->labTotalItems->setText(QString("Totle %1 Files").arg(list->topLevelItemCount()));
    // The total is kept in 64 bits and shown at most as the largest 32-bit count, so that a
    // list of large files does not wrap round to a negative size.
    const int32_t shown = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    ui->labTotalSize->setText(Q("Totle " + SizeToKBText(shown)));
}

bool TfrmMain::SwapFiles(int a, int b) {
    const int count = static_cast<int>(FileList.size());
    if (a < 0 || b < 0 || a >= count || b >= count || a == b) return false;
    std::swap(FileList[a], FileList[b]);
    return true;
}

int TfrmMain::FileRowCount() {
    return ui->lsFiles->topLevelItemCount();
}

std::vector<int> TfrmMain::SelectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < ui->lsFiles->topLevelItemCount(); ++i)
        if (ui->lsFiles->topLevelItem(i)->isSelected()) rows.push_back(i);
    return rows;
}

void TfrmMain::SelectRows(const std::vector<int>& rows) {
    ui->lsFiles->clearSelection();
    for (int row : rows)
        if (auto* item = ui->lsFiles->topLevelItem(row)) item->setSelected(true);
}

void TfrmMain::AddFiles() {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Open;
    request.filter = "Flash (*.swf)|*.swf";
    request.multiple = true;
    request.mustExist = true;
    request.initialFolder = lastFlashFolder;
    const auto chosen = RunFileDialog(this, request);
    if (chosen.empty()) return;
    lastFlashFolder = ExtractFileDir(chosen.front());
    FileList.insert(FileList.end(), chosen.begin(), chosen.end());
    RefreshFileList();
    SetModify();
}

void TfrmMain::AddDroppedFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    FileList.insert(FileList.end(), paths.begin(), paths.end());
    RefreshFileList();
    SetModify();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (DraggedFiles(event->mimeData(), ProjectFileExtension).size() == 1)
        event->acceptProposedAction();
    else
        QMainWindow::dragEnterEvent(event);
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const auto projects = DraggedFiles(event->mimeData(), ProjectFileExtension);
    if (projects.size() != 1) return QMainWindow::dropEvent(event);
    event->acceptProposedAction();
    const std::string path = projects.front();
    // Opened after the drop has finished, so the save question is not asked inside it.
    QTimer::singleShot(0, this, [this, path] { RunGuarded([&] { OpenDroppedProject(path); }); });
}

void TfrmMain::OpenDroppedProject(const std::string& path) {
    CloseCommand();
    LoadProject(path);
}

void TfrmMain::RemoveFiles() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    // Rows and FileList share their order, so each selected row names its own entry, even
    // when two entries differ only in letter case (distinct files on this system). Removing
    // from the bottom up keeps the positions above valid.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const int row = *it;
        const std::string path =
            ui->lsFiles->topLevelItem(row)->data(0, Qt::UserRole).toString().toStdString();
        if (row < static_cast<int>(FileList.size()) && FileList[row] == path) {
            FileList.erase(FileList.begin() + row);
            continue;
        }
        const std::string wanted = LowerAscii(path);
        auto found = std::find_if(FileList.begin(), FileList.end(), [&](const std::string& entry) {
            return LowerAscii(entry) == wanted;
        });
        if (found != FileList.end()) FileList.erase(found);
    }
    RefreshFileList();
    SetModify();
}

void TfrmMain::MoveSelection(bool up) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) return;
    const int count = static_cast<int>(FileList.size());
    std::vector<bool> selected(count, false);
    for (int row : rows)
        if (row < count) selected[row] = true;
    // A block of adjacent rows moves as one: each selected row trades places with an
    // unselected neighbour, and a block already at the end stays where it is.
    if (up) {
        for (int i = 1; i < count; ++i)
            if (selected[i] && !selected[i - 1] && SwapFiles(i, i - 1)) {
                selected[i - 1] = true;
                selected[i] = false;
            }
    } else {
        for (int i = count - 2; i >= 0; --i)
            if (selected[i] && !selected[i + 1] && SwapFiles(i, i + 1)) {
                selected[i + 1] = true;
                selected[i] = false;
            }
    }
    RefreshFileList();
    SetModify();
    // The moved rows stay selected, so the command can be repeated.
    std::vector<int> moved;
    for (int i = 0; i < count; ++i)
        if (selected[i]) moved.push_back(i);
    SelectRows(moved);
}

void TfrmMain::MoveUp() {
    MoveSelection(true);
}
void TfrmMain::MoveDown() {
    MoveSelection(false);
}

void TfrmMain::ToggleView() {
    // Both view commands swap the two checks, so choosing the checked one switches views.
    const bool fileName = ui->actViewFileName->isChecked();
    ui->actViewFileName->setChecked(ui->actViewFullPath->isChecked());
    ui->actViewFullPath->setChecked(fileName);
    RefreshFileList();
}

void TfrmMain::SelectAllFiles() {
    ui->lsFiles->selectAll();
}

void TfrmMain::ShowFilesContextMenu(const QPoint& position) {
    filesMenu->popup(ui->lsFiles->viewport()->mapToGlobal(position));
}

void TfrmMain::SelectionChanged() {
    // Report each newly selected row once, as the list view's select-item event does.
    std::vector<std::string> now;
    for (QTreeWidgetItem* item : ui->lsFiles->selectedItems()) {
        const std::string path = item->data(0, Qt::UserRole).toString().toStdString();
        now.push_back(path);
        if (std::find(selectedPaths.begin(), selectedPaths.end(), path) == selectedPaths.end())
            lsFilesSelectItem(item, true);
    }
    selectedPaths = now;
}

// ---------------------------------------------------------------- file panes and preview

void TfrmMain::lsFilesSelectItem(QTreeWidgetItem* item, bool selected) {
    if (!selected || !item) return;
    const int index = ui->lsFiles->indexOfTopLevelItem(item);
    if (index < 0 || index >= static_cast<int>(FileList.size())) return;
    const std::string path = FileList[index];
    if (!FileExists(path)) return;
    RunGuarded([&] {
        const std::time_t when = FileDateOf(path);
        shownFile = path;
        ssFileDate->setText(when < 0 ? QString() : Q(DateTimeToText(when)));
        ssFileNameIcon->setPixmap(ShellSmallIcon(path).pixmap(16, 16));
        ssFileName->setText(Q(FileDisplayName(path)));
        if (LowerAscii(ExtractFileExt(path)) == ".swf") {
            // A file that is no movie shows no size rather than numbers made up from its bytes.
            const auto size = FlashFrameSize(path);
            ssDimension->setText(size ? QString("%1X%2").arg(size->first).arg(size->second)
                                      : QString());
        }
        if (flashPreview) LoadPreview(path);
    });
}

void TfrmMain::tabFilesEnter() {
    // One preview for the whole session: its player starts once, and every later movie shows
    // without waiting for it again.
    if (flashPreview) return;
    auto* preview = new TFlashPreview(ui->palPreview);
    if (!ui->palPreview->layout()) {
        auto* layout = new QVBoxLayout(ui->palPreview);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    ui->palPreview->layout()->addWidget(preview);
    flashPreview = preview;
}

void TfrmMain::tabFilesExit() {
    // The movie halts while the page is away; the player stays warm for the next visit.
    if (flashPreview) static_cast<TFlashPreview*>(flashPreview)->Stop();
    // Deselecting makes a later click on the same row a new selection, so it plays again.
    if (!ui->lsFiles->selectedItems().isEmpty())
        ui->lsFiles->selectedItems().first()->setSelected(false);
}

void TfrmMain::LoadPreview(const std::string& path) {
    if (flashPreview) static_cast<TFlashPreview*>(flashPreview)->LoadMovie(Q(path));
}

// ---------------------------------------------------------------- pickers

void TfrmMain::PickIcon() {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::OpenPicture;
    request.filter = "Icon File (*.ico)|*.ico|Gif File (*.gif)|*.gif";
    request.mustExist = true;
    const auto chosen = RunFileDialog(this, request);
    if (!chosen.empty()) {
        // A picture that cannot be shown ends the pick before anything changes.
        ShowIconPicture(chosen.front());
        IconFile = chosen.front();
    }
    SetModify();
}

void TfrmMain::ResetIcon() {
    IconFile = DefaultIconFile();
    if (FileExists(IconFile)) ShowIconPicture(IconFile);
}

void TfrmMain::PickTextFile(QLineEdit* edit) {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Open;
    request.filter = "Text Files (*.txt)|*.txt";
    const std::string current = edit->text().toStdString();
    if (!current.empty()) {
        request.initialFolder = ExtractFileDir(current);
        request.fileName = ExtractFileName(current);
    }
    const auto chosen = RunFileDialog(this, request);
    if (!chosen.empty()) edit->setText(Q(chosen.front()));
}

void TfrmMain::PickReadme() {
    PickTextFile(ui->txtReadme);
}
void TfrmMain::PickLicense() {
    PickTextFile(ui->txtLicense);
}

// ---------------------------------------------------------------- file commands

void TfrmMain::SaveAsNeeded() {
    if (!ProjectFile.empty())
        Save();
    else
        SaveAs();
}

void TfrmMain::NewCommand() {
    // A failed save ends the command here, before the edits it was to keep are dropped.
    if (Modified && Confirm(kSaveQuestion)) SaveAs();
    NewProject();
}

void TfrmMain::OpenCommand() {
    CloseCommand();
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Open;
    request.filter = kProjectFilter;
    const auto chosen = RunFileDialog(this, request);
    if (!chosen.empty()) LoadProject(chosen.front());
}

void TfrmMain::ReopenCommand(const std::string& path) {
    // A project that has gone is not opened as an empty one under its old name: the author
    // hears that it is missing and may take it off the list.
    if (!FileExists(path)) {
        if (Confirm(MissingRecentProjectText(path))) {
            Settings().RemoveRecentFile(path);
            BuildReopenMenu();
        }
        return;
    }
    CloseCommand();
    LoadProject(path);
    ui->pageMain->setCurrentWidget(ui->tabGeneral);
}

void TfrmMain::Save() {
    if (!ProjectFile.empty())
        SaveProject(ProjectFile);
    else
        SaveAs();
}

void TfrmMain::SaveAs() {
    TFileDialogRequest request;
    request.kind = TFileDialogKind::Save;
    request.filter = kProjectFilter;
    request.mustExist = false;
    request.fileName = ProjectFile.empty() ? "Untitled" : ExtractFileName(ProjectFile);
    if (!ProjectFile.empty()) request.initialFolder = ExtractFileDir(ProjectFile);
    const auto chosen = RunFileDialog(this, request);
    if (chosen.empty()) return;
    ProjectFile = EnsureProjectExtension(chosen.front());
    SaveProject(ProjectFile);
}

void TfrmMain::CloseCommand() {
    // A save that fails ends Close (and Open, Reopen and a dropped project, which start with
    // it) before the edits are dropped; the caller reports the failure.
    if (Modified && Confirm(kSaveQuestion)) SaveAsNeeded();
    BuildReopenMenu();
    NewProject();
}

void TfrmMain::BuildReopenMenu() {
    ui->mnuReopen->clear();
    TRecentFiles recent;
    Settings().ReadRecentFiles(recent);
    for (int i = 0; i < 9; ++i) {
        const QString path = Q(recent[i]).trimmed();
        if (path.isEmpty()) break;
        // An "&" in a path is shown as itself, not taken as a keyboard accelerator.
        QAction* entry =
            ui->mnuReopen->addAction(QString("%1 %2").arg(i).arg(Q(recent[i]).replace("&", "&&")));
        entry->setObjectName(QString("mnuReopen%1").arg(i));
        entry->setStatusTip(Q(recent[i]));
        entry->setToolTip(Q(recent[i]));
        const std::string target = recent[i];
        connect(entry, &QAction::triggered, this,
                [this, target] { RunGuarded([&] { ReopenCommand(target); }); });
    }
    ui->mnuReopen->setEnabled(!ui->mnuReopen->isEmpty());
}

// ---------------------------------------------------------------- other commands

void TfrmMain::ShowOptionsCommand() {
    ShowOptions(this, Settings());
    ui->tbMain->setVisible(Settings().GetShowToolbar());
}

void TfrmMain::SetMainEnabled(bool enabled) {
    setEnabled(enabled);
}
