#pragma once

#include <QComboBox>
#include <cstdint>

// A drop-down list of the 16 standard colours shown as swatches without names. It holds any
// colour number as its value; one outside the list shows no selection.
class ColorSwatchComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ColorSwatchComboBox(QWidget* parent = nullptr);

    std::uint32_t color() const { return m_color; }
    // Shows the colour without emitting colorChanged.
    void setColor(std::uint32_t colorNumber);

signals:
    // The user picked a colour.
    void colorChanged();

private:
    void pick(int index);

    std::uint32_t m_color = 0;
};
