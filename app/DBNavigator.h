#pragma once

#include <QWidget>

class QToolButton;
class DataSource;

// The record navigator: first, previous, next, last and delete for the rows of a data source,
// each button enabled from the position in the rows. Delete asks nothing; it is a cached change.
class DBNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit DBNavigator(QWidget* parent = nullptr);

    void setDataSource(DataSource* source);

    QToolButton* nbFirst;
    QToolButton* nbPrior;
    QToolButton* nbNext;
    QToolButton* nbLast;
    QToolButton* nbDelete;

signals:
    // A button did its work; the window recomputes what depends on the rows.
    void clicked();

private:
    QToolButton* addButton(const QString& name, const QString& glyph, const QString& hint);
    void run(void (*step)(DataSource*));
    void updateButtons();

    DataSource* m_source = nullptr;
};
