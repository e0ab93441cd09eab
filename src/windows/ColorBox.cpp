#include "ColorBox.h"

#include <QApplication>
#include <QColorDialog>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace {

struct TNamedColor {
    const char* name;
    uint32_t value;
};

// Basic and extended colours first, the way authors look for them, then the desktop's own.
const TNamedColor kPlainColors[] = {
    {"Black", 0x00000000}, {"Maroon", 0x00000080},      {"Green", 0x00008000},
    {"Olive", 0x00008080}, {"Navy", 0x00800000},        {"Purple", 0x00800080},
    {"Teal", 0x00808000},  {"Gray", 0x00808080},        {"Silver", 0x00C0C0C0},
    {"Red", 0x000000FF},   {"Lime", 0x0000FF00},        {"Yellow", 0x0000FFFF},
    {"Blue", 0x00FF0000},  {"Fuchsia", 0x00FF00FF},     {"Aqua", 0x00FFFF00},
    {"White", 0x00FFFFFF}, {"Money Green", 0x00C0DCC0}, {"Sky Blue", 0x00F0CAA6},
    {"Cream", 0x00F0FBFF}, {"Med Gray", 0x00A4A0A0},
};

const TNamedColor kSystemColors[] = {
    {"Default", 0x20000000},
    {"Active Border", 0x8000000A},
    {"Active Caption", 0x80000002},
    {"Application Workspace", 0x8000000C},
    {"Background", 0x80000001},
    {"Button Face", 0x8000000F},
    {"Button Highlight", 0x80000014},
    {"Button Shadow", 0x80000010},
    {"Button Text", 0x80000012},
    {"Caption Text", 0x80000009},
    {"Gradient Active Caption", 0x8000001B},
    {"Gradient Inactive Caption", 0x8000001C},
    {"Gray Text", 0x80000011},
    {"Highlight Background", 0x8000000D},
    {"Highlight Text", 0x8000000E},
    {"Hot Light", 0x8000001A},
    {"Inactive Border", 0x8000000B},
    {"Inactive Caption", 0x80000003},
    {"Inactive Caption Text", 0x80000013},
    {"Info Background", 0x80000018},
    {"Info Text", 0x80000017},
    {"Menu Background", 0x80000004},
    {"Menu Bar", 0x8000001E},
    {"Menu Highlight", 0x8000001D},
    {"Menu Text", 0x80000007},
    {"Scroll Bar", 0x80000000},
    {"3D Dark Shadow", 0x80000015},
    {"3D Light", 0x80000016},
    {"Window Background", 0x80000005},
    {"Window Frame", 0x80000006},
    {"Window Text", 0x80000008},
};

constexpr int kCustomIndex = 0;

QColor SystemColor(int index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 0:
        return palette.color(QPalette::Button);
    case 1:
        return palette.color(QPalette::Dark);
    case 2:
        return palette.color(QPalette::Highlight);
    case 3:
        return palette.color(QPalette::Mid);
    case 4:
        return palette.color(QPalette::Window);
    case 5:
        return palette.color(QPalette::Base);
    case 6:
        return palette.color(QPalette::Shadow);
    case 7:
        return palette.color(QPalette::WindowText);
    case 8:
        return palette.color(QPalette::Text);
    case 9:
        return palette.color(QPalette::HighlightedText);
    case 10:
        return palette.color(QPalette::Window);
    case 11:
        return palette.color(QPalette::Window);
    case 12:
        return palette.color(QPalette::Mid);
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15:
        return palette.color(QPalette::Button);
    case 16:
        return palette.color(QPalette::Dark);
    case 17:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette.color(QPalette::ButtonText);
    case 19:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 20:
        return palette.color(QPalette::Light);
    case 21:
        return palette.color(QPalette::Shadow);
    case 22:
        return palette.color(QPalette::Midlight);
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    case 26:
        return palette.color(QPalette::Link);
    case 27:
        return palette.color(QPalette::Highlight).lighter(140);
    case 28:
        return palette.color(QPalette::Midlight);
    case 29:
        return palette.color(QPalette::Highlight);
    case 30:
        return palette.color(QPalette::Window);
    default:
        return palette.color(QPalette::Window);
    }
}

QIcon Swatch(const QColor& color, bool crossed) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(crossed ? QBrush(Qt::white) : QBrush(color));
    painter.drawRect(1, 2, 13, 11);
    if (crossed) {
        painter.setPen(QColor(0xC0, 0x30, 0x30));
        painter.drawLine(2, 12, 13, 3);
    }
    return QIcon(pixmap);
}

} // namespace

QColor TColorBox::ToQColor(uint32_t value) {
    if ((value & 0xFF000000u) == 0x80000000u) return SystemColor(static_cast<int>(value & 0xFF));
    if (value == DefaultColor) return QApplication::palette().color(QPalette::Window);
    if (value == NoColor) return QColor(Qt::transparent);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

uint32_t TColorBox::FromQColor(const QColor& color) {
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
           (static_cast<uint32_t>(color.blue()) << 16);
}

std::function<std::optional<QColor>(QWidget*, const QColor&)>& TColorBox::CustomColorPicker() {
    static std::function<std::optional<QColor>(QWidget*, const QColor&)> picker =
        [](QWidget* parent, const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, parent, tr("Color"));
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
    return picker;
}

TColorBox::TColorBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(QSize(16, 16));
    setMaxVisibleItems(16);
    addItem(Swatch(Qt::black, false), tr("Custom..."), QVariant::fromValue<uint>(0));
    for (const auto& entry : kPlainColors)
        addItem(Swatch(ToQColor(entry.value), false), tr(entry.name),
                QVariant::fromValue<uint>(entry.value));
    insertSeparator(count());
    for (const auto& entry : kSystemColors)
        addItem(Swatch(ToQColor(entry.value), false), tr(entry.name),
                QVariant::fromValue<uint>(entry.value));
    setCurrentIndex(1); // black
    lastIndex = 1;
    connect(this, QOverload<int>::of(&QComboBox::activated), this, &TColorBox::EntryActivated);
}

uint32_t TColorBox::color() const {
    const int index = currentIndex();
    if (index < 0) return 0;
    return itemData(index).toUInt();
}

void TColorBox::SetCustomEntry(uint32_t value) {
    setItemData(kCustomIndex, QVariant::fromValue<uint>(value));
    setItemIcon(kCustomIndex, Swatch(ToQColor(value), value == NoColor));
}

void TColorBox::ApplyIndex(int index) {
    const uint32_t before = lastIndex >= 0 ? itemData(lastIndex).toUInt() : 0xFFFFFFFFu;
    const bool changed = index != lastIndex || before != itemData(index).toUInt();
    setCurrentIndex(index);
    lastIndex = index;
    if (changed) emit colorChanged(color());
}

void TColorBox::setColor(uint32_t value) {
    for (int i = 1; i < count(); ++i) {
        const QVariant data = itemData(i);
        if (data.isValid() && data.toUInt() == value && !itemText(i).isEmpty()) {
            const bool changed = i != lastIndex;
            setCurrentIndex(i);
            lastIndex = i;
            if (changed) emit colorChanged(value);
            return;
        }
    }
    const bool changed = lastIndex != kCustomIndex || itemData(kCustomIndex).toUInt() != value;
    SetCustomEntry(value);
    setCurrentIndex(kCustomIndex);
    lastIndex = kCustomIndex;
    if (changed) emit colorChanged(value);
}

void TColorBox::EntryActivated(int index) {
    if (index != kCustomIndex) {
        ApplyIndex(index);
        return;
    }
    if (pickingCustom) return;
    pickingCustom = true;
    const uint32_t previous = color();
    const int previousIndex = lastIndex;
    const auto chosen = CustomColorPicker()(this, ToQColor(lastIndex >= 0 ? previous : 0));
    pickingCustom = false;
    if (!chosen) {
        // A cancelled dialog leaves the colour as it was.
        setCurrentIndex(previousIndex);
        return;
    }
    const uint32_t value = FromQColor(*chosen);
    const bool changed = previousIndex != kCustomIndex || previous != value;
    SetCustomEntry(value);
    setCurrentIndex(kCustomIndex);
    lastIndex = kCustomIndex;
    if (changed) emit colorChanged(value);
}
