#include "snapshot/ColorSwatchComboBox.h"

#include "snapshot/ColorNumber.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSignalBlocker>

namespace {

constexpr QSize SwatchSize(96, 14);

QIcon swatch(std::uint32_t colorNumber)
{
    QPixmap pixmap(SwatchSize);
    pixmap.fill(QColor::fromRgb(colorNumberToRgb(colorNumber, QPalette())));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

ColorSwatchComboBox::ColorSwatchComboBox(QWidget* parent) : QComboBox(parent)
{
    setIconSize(SwatchSize);
    for (const NamedColorNumber& c : StandardColorNumbers) {
        addItem(swatch(c.value), QString(), QVariant::fromValue(c.value));
        setItemData(count() - 1, QString::fromLatin1(c.name), Qt::AccessibleTextRole);
    }
    setColor(0);
    connect(this, &QComboBox::currentIndexChanged, this, &ColorSwatchComboBox::pick);
}

void ColorSwatchComboBox::setColor(std::uint32_t colorNumber)
{
    const QSignalBlocker blocker(this);
    m_color = colorNumber;
    setCurrentIndex(standardColorIndex(colorNumber));
}

void ColorSwatchComboBox::pick(int index)
{
    if (index < 0)
        return;
    m_color = StandardColorNumbers[std::size_t(index)].value;
    emit colorChanged();
}
