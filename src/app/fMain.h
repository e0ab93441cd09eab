#pragma once
// The main window: menus, toolbar, the four project pages, the file list and the status bar.
// The pages are the only long-lived copy of the project; LoadProject, SaveProject and
// NewProject move a whole project between them and a project file.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BuildJob.h"
#include "Config.h"
#include "ErrorBox.h"
#include "ResourceLocator.h"
#include "fQuickStart.h"

class QLabel;
class QMenu;
class QTreeWidgetItem;
namespace Ui {
class TfrmMain;
}

// Appends ".gldp" unless the path already ends with it in any letter case.
std::string EnsureProjectExtension(const std::string& path);

// The tooltip of a listed movie whose file has gone.
std::string MissingFileText(const std::string& path);

class TfrmMain;
// Start-up with the program's arguments: the first one after the program names a project to
// load instead of the quick start.
void OpenCommandLineProject(TfrmMain& window, const QStringList& arguments);

class TfrmMain : public QMainWindow, public IQuickStartHost {
    Q_OBJECT

public:
    // The running program's window. settings: the program's settings object; tests pass one
    // on a temporary folder.
    explicit TfrmMain(std::unique_ptr<TConfig> settings = nullptr, QWidget* parent = nullptr);
    // A window that takes the program's files from resources (tests point it at a folder).
    TfrmMain(const TResourceLocator& resources, std::unique_ptr<TConfig> settings,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    std::vector<std::string> FileList;
    bool Modified = false;
    std::string ProjectFile;
    std::string IconFile;
    bool Activated = false;
    // The preview control of the Files page; null until the page is first used, then kept.
    QWidget* flashPreview = nullptr;

    TConfig& Settings() override;
    const TResourceLocator& Resources() const { return resources; }
    Ui::TfrmMain& Form() { return *ui; }

    void SetModify();
    void LoadProject(const std::string& path) override;
    void SaveProject(const std::string& path);
    void NewProject() override;
    void RefreshFileList();
    bool SwapFiles(int a, int b);
    void BuildReopenMenu();
    std::string DefaultIconFile() const;

    // File commands.
    void NewCommand();
    void OpenCommand();
    void ReopenCommand(const std::string& path);
    void Save();
    void SaveAs();
    void CloseCommand();

    // File list commands.
    void AddFiles();
    // Flash files dropped on the list join it like Add Files; a dropped project file opens
    // like Open.
    void AddDroppedFiles(const std::vector<std::string>& paths);
    void OpenDroppedProject(const std::string& path);
    void RemoveFiles();
    void MoveUp();
    void MoveDown();
    void ToggleView();
    void SelectAllFiles();
    // Positions of the selected rows, top down.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);

    // Pickers of the pages.
    void PickIcon();
    void ResetIcon();
    void PickReadme();
    void PickLicense();
    // Shows the picture of an icon file in the icon box; throws when it cannot be shown.
    void ShowIconPicture(const std::string& path);

    void ShowOptionsCommand();
    void ShowQuickStart();
    QWidget* HostWindow() override { return this; }
    std::string HelpFile() override { return resources.HelpFile(); }
    // The first activation: quick start or a new project, once.
    void FormActivate();

    // For the build commands.
    int FileRowCount();
    bool ProjectModified() const { return Modified; }
    void SetMainEnabled(bool enabled);
    // Runs a build beside the window; the temporaries it could not delete join
    // UndeletedTempFiles.
    TBuildResult RunBuild(const TBuildParameters& parameters);
    class TBuildRunner& BuildRunner() {
        return *buildRunner;
    }
    // The author closed the window while a build ran; it closes once the build has ended.
    bool CloseAfterBuild() const { return closeAfterBuild; }

    // Temporary files that builds could not delete; the clean-up script removes them after the
    // program has ended.
    std::vector<std::string> UndeletedTempFiles;

public slots:
    // The Files page's selection and focus, which drive the file panes and the preview.
    void lsFilesSelectItem(QTreeWidgetItem* item, bool selected);
    void tabFilesEnter();
    void tabFilesExit();
    void LoadPreview(const std::string& path);
    void ShowHintInStatus(const QString& hint);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void ConnectActions();
    void ConnectEditors();
    void ApplyIntervalRule();
    void ApplyInstallModeRule();
    void ClearModified(const std::string& title);
    // "Glimmerdrome - " and what names the project saved as or loaded from file.
    std::string ProjectTitle(const std::string& file) const;
    void SaveAsNeeded();
    void PickTextFile(class QLineEdit* edit);
    void MoveSelection(bool up);
    void ShowFilesContextMenu(const QPoint& position);
    void SelectionChanged();
    void WriteCleanup();
    // Empties the selected file's date, size and name panes.
    void ClearFilePanes();

    // The build commands see the window through this adapter (the window's own fields carry
    // the names the adapter's operations have).
    std::unique_ptr<class TMainBuildHost> buildHost;
    std::unique_ptr<class TBuildRunner> buildRunner;
    bool closeAfterBuild = false;

    TResourceLocator resources;
    std::unique_ptr<Ui::TfrmMain> ui;
    std::unique_ptr<TConfig> settings;
    // Declared after the settings, so it is gone before they are.
    std::unique_ptr<class TFileListColumns> fileColumns;
    QLabel* ssStatus = nullptr;
    QLabel* ssFileDate = nullptr;
    QLabel* ssDimension = nullptr;
    QLabel* ssFileNameIcon = nullptr;
    QLabel* ssFileName = nullptr;
    QLabel* ssModified = nullptr;
    QMenu* filesMenu = nullptr;
    std::string lastFlashFolder;
    int refreshGeneration = 0;
    bool shown = false;
    std::vector<std::string> selectedPaths;
    // The file the date, size and name panes describe; empty while they are empty.
    std::string shownFile;
};
