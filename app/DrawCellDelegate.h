#pragma once

#include <QStyledItemDelegate>
#include <functional>

// Lets the owner of a grid draw cells over the grid's own drawing, the way a string grid's
// draw-cell event does.
class DrawCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using DrawCell = std::function<void(QPainter* painter, int col, int row, const QRect& rect)>;

    DrawCellDelegate(DrawCell drawCell, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    DrawCell m_drawCell;
};
