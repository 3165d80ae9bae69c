#include "app/RowIndicatorHeader.h"

#include <QPainter>
#include <QPolygon>

RowIndicatorHeader::RowIndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

void RowIndicatorHeader::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    m_currentRow = row;
    viewport()->update();
}

void RowIndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, palette().button());
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->drawLine(rect.topRight(), rect.bottomRight());
    if (logicalIndex == m_currentRow) {
        const QPoint c = rect.center();
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::ButtonText));
        painter->drawPolygon(QPolygon({QPoint(c.x() - 2, c.y() - 4), QPoint(c.x() + 2, c.y()),
                                       QPoint(c.x() - 2, c.y() + 4)}));
    }
    painter->restore();
}
