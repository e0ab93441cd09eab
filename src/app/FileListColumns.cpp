#include "FileListColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

TFileListColumns::TFileListColumns(QTreeView* view, int typeWidth, std::function<void(int)> save)
    : QObject(view), list(view), store(std::move(save)), storeTimer(new QTimer(this)),
      type(std::max(MinimumTypeWidth, typeWidth)) {
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(std::min(IconWidth, MinimumTypeWidth));
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(IconColumn, QHeaderView::Fixed);
    list->setTextElideMode(Qt::ElideMiddle);
    storeTimer->setSingleShot(true);
    storeTimer->setInterval(500);
    connect(storeTimer, &QTimer::timeout, this, [this] {
        if (store) store(type);
    });
    connect(header, &QHeaderView::sectionResized, this, &TFileListColumns::SectionResized);
    list->viewport()->installEventFilter(this);
    Fit();
}

TFileListColumns::~TFileListColumns() = default;

void TFileListColumns::Flush() {
    if (!storeTimer->isActive()) return;
    storeTimer->stop();
    if (store) store(type);
}

bool TFileListColumns::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list->viewport() && event->type() == QEvent::Resize) Fit();
    return QObject::eventFilter(watched, event);
}

void TFileListColumns::Fit() {
    fitting = true;
    const int room = list->viewport()->width();
    list->setColumnWidth(IconColumn, IconWidth);
    list->setColumnWidth(TypeColumn, type);
    list->setColumnWidth(NameColumn, std::max(MinimumNameWidth, room - IconWidth - type));
    fitting = false;
}

void TFileListColumns::SectionResized(int column, int, int newWidth) {
    if (fitting) return;
    const int room = list->viewport()->width();
    if (column == NameColumn)
        // The border between the two moved: "Type" gives or takes what "Name" took or gave.
        type = std::max(MinimumTypeWidth, room - IconWidth - newWidth);
    else if (column == TypeColumn)
        type = std::max(MinimumTypeWidth, newWidth);
    else
        return;
    if (column == NameColumn) {
        fitting = true;
        list->setColumnWidth(TypeColumn, type);
        fitting = false;
    } else {
        Fit();
    }
    storeTimer->start();
}
