#include "app/DrawCellDelegate.h"

#include <QPainter>

DrawCellDelegate::DrawCellDelegate(DrawCell drawCell, QObject* parent)
    : QStyledItemDelegate(parent), m_drawCell(std::move(drawCell))
{
}

void DrawCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    m_drawCell(painter, index.column(), index.row(), option.rect);
    painter->restore();
}
