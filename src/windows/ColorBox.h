#pragma once
// The colour picker of the configuration pages: a drop-down of the basic colours, the extended
// colours, the system colours, the default colour and a custom colour chosen in a colour dialog.
//
// Colours are 32-bit values in the project file's form: 00BBGGRR for a plain colour, 800000xx for
// the system colour with index xx, 20000000 for the default colour and 1FFFFFFF for none.

#include <QColor>
#include <QComboBox>
#include <cstdint>
#include <functional>
#include <optional>

class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget* parent = nullptr);

    uint32_t color() const;
    // Selects the entry of that value; a value without an entry becomes the custom entry's colour.
    void setColor(uint32_t value);

    // The colour a value stands for on this desktop (system colours through the palette).
    static QColor ToQColor(uint32_t value);
    static uint32_t FromQColor(const QColor& color);

    // Asks for the custom colour; replaced by tests so that no dialog opens. An empty answer
    // means the author cancelled.
    static std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)>&
    CustomColorPicker();

    static constexpr uint32_t DefaultColor = 0x20000000;
    static constexpr uint32_t NoColor = 0x1FFFFFFF;

signals:
    void colorChanged(uint32_t value);

private:
    void EntryActivated(int index);
    void SetCustomEntry(uint32_t value);
    void ApplyIndex(int index);

    int lastIndex = -1;
    bool pickingCustom = false;
};
