#include "FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
IFileDialogs* installed = nullptr;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}
} // namespace

std::string TQtFileDialogs::QtFilter(const std::string& filter) {
    const auto parts = Split(filter, '|');
    std::string result;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (!result.empty()) result += ";;";
        std::string description = parts[i];
        std::string patterns = parts[i + 1];
        for (char& c : patterns)
            if (c == ';') c = ' ';
        // Qt reads the patterns from the last parentheses; add them when the text has none.
        if (description.find('(') == std::string::npos) description += " (" + patterns + ")";
        result += description;
    }
    return result;
}

std::vector<std::string> TQtFileDialogs::Run(QWidget* parent, const TFileDialogRequest& request) {
    QFileDialog dialog(parent);
    const QStringList filters = QString::fromStdString(QtFilter(request.filter)).split(";;");
    dialog.setNameFilters(filters);
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (request.kind == TFileDialogKind::Folder) {
        dialog.setNameFilters({});
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else if (request.kind == TFileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The program adds the project extension itself and replaces without asking.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles
                                            : (request.mustExist ? QFileDialog::ExistingFile
                                                                 : QFileDialog::AnyFile));
    }
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted) return {};
    std::vector<std::string> chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen.push_back(
            QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()).toStdString());
    return chosen;
}

std::vector<std::string> TScriptedFileDialogs::Run(QWidget*, const TFileDialogRequest& request) {
    requests.push_back(request);
    if (answers.empty()) return {};
    auto answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

void InstallFileDialogs(IFileDialogs* dialogs) {
    installed = dialogs;
}

IFileDialogs& CurrentFileDialogs() {
    static TQtFileDialogs qtDialogs;
    return installed ? *installed : qtDialogs;
}

std::vector<std::string> RunFileDialog(QWidget* parent, const TFileDialogRequest& request) {
    return CurrentFileDialogs().Run(parent, request);
}

TFileDialogsScope::TFileDialogsScope(IFileDialogs& dialogs) : previous(installed) {
    installed = &dialogs;
}
TFileDialogsScope::~TFileDialogsScope() {
    installed = previous;
}
