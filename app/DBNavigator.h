#pragma once

#include <QWidget>

class QToolButton;
class TDataSource;

// The record navigator: first, previous, next, last and delete for the rows of a data source,
// each button enabled from the position in the rows. Delete asks nothing; it is a cached change.
class TDBNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);

    QToolButton* nbFirst;
    QToolButton* nbPrior;
    QToolButton* nbNext;
    QToolButton* nbLast;
    QToolButton* nbDelete;

signals:
    // A button did its work; the window recomputes what depends on the rows.
    void Clicked();

private:
    QToolButton* addButton(const QString& name, const QString& glyph, const QString& hint);
    void run(void (*step)(TDataSource*));
    void updateButtons();

    TDataSource* m_source = nullptr;
};
