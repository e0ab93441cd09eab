#include "QtShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>
#include <QUrl>

namespace {
QMimeType MimeOf(const std::string& path) {
    static QMimeDatabase database;
    const QString file = QString::fromStdString(path);
    const QFileInfo info(file);
    return info.exists() ? database.mimeTypeForFile(info)
                         : database.mimeTypeForFile(file, QMimeDatabase::MatchExtension);
}
} // namespace

std::string TQtShell::TypeName(const std::string& path) {
    const QMimeType mime = MimeOf(path);
    QString name = mime.isValid() && !mime.isDefault() ? mime.comment() : QString();
    if (name.isEmpty()) return THeadlessShell::TypeName(path);
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    return name.left(79).toStdString();
}

std::string TQtShell::DisplayName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

bool TQtShell::Open(const std::string& target) {
    const QString text = QString::fromStdString(target);
    const QUrl url =
        text.contains("://") || text.startsWith("mailto:") ? QUrl(text) : QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

QIcon ShellSmallIcon(const std::string& path) {
    static QHash<QString, QIcon> cache;
    const QMimeType mime = MimeOf(path);
    const QString key = mime.name();
    if (auto found = cache.find(key); found != cache.end()) return *found;
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    cache.insert(key, icon);
    return icon;
}
