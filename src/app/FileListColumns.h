#pragma once
// The file list's columns: the icon and "Type" columns keep their widths and "Name" takes the
// rest of the view, so long paths get the room. Dragging the border between "Name" and "Type"
// moves width from one to the other; the "Type" width the author leaves is handed to a store
// (a moment after the drag, not at every pixel of it), so the next start lays the list out
// the same way.

#include <QObject>
#include <functional>

class QTimer;
class QTreeView;

class TFileListColumns : public QObject {
    Q_OBJECT
public:
    static constexpr int IconColumn = 0;
    static constexpr int NameColumn = 1;
    static constexpr int TypeColumn = 2;
    static constexpr int IconWidth = 20;
    static constexpr int MinimumNameWidth = 80;
    static constexpr int MinimumTypeWidth = 40;
    // Room for a type name such as "Shockwave Flash file"; the rest goes to the names.
    static constexpr int DefaultTypeWidth = 140;

    TFileListColumns(QTreeView* list, int typeWidth, std::function<void(int)> store);
    ~TFileListColumns() override;

    int typeWidth() const { return type; }
    // Hands a pending width to the store at once. Nothing is stored on destruction: the
    // store may be gone by then, so the owner flushes while it still is there.
    void Flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fit();
    void SectionResized(int column, int oldWidth, int newWidth);

    QTreeView* list;
    std::function<void(int)> store;
    QTimer* storeTimer;
    int type;
    bool fitting = false;
};
