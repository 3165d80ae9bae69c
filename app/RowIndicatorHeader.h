#pragma once

#include <QHeaderView>

// The row indicator of a data-aware grid: a narrow vertical header that marks the current row
// with a triangle.
class RowIndicatorHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit RowIndicatorHeader(QWidget* parent);

    void setCurrentRow(int row);
    int currentRow() const { return m_currentRow; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int m_currentRow = -1;
};
