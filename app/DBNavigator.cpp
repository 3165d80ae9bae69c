#include "app/DBNavigator.h"

#include "app/ErrorDisplay.h"
#include "storage/DataSource.h"
#include "storage/Field.h"

#include <QHBoxLayout>
#include <QToolButton>

DBNavigator::DBNavigator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    nbFirst =
        addButton(QStringLiteral("nbFirst"), QStringLiteral("|◀"), QStringLiteral("Первая запись"));
    nbPrior = addButton(QStringLiteral("nbPrior"), QStringLiteral("◀"),
                        QStringLiteral("Предыдущая запись"));
    nbNext = addButton(QStringLiteral("nbNext"), QStringLiteral("▶"),
                       QStringLiteral("Следующая запись"));
    nbLast = addButton(QStringLiteral("nbLast"), QStringLiteral("▶|"),
                       QStringLiteral("Последняя запись"));
    nbDelete = addButton(QStringLiteral("nbDelete"), QStringLiteral("−"),
                         QStringLiteral("Удалить запись"));

    connect(nbFirst, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->DataSet()->First(); }); });
    connect(nbPrior, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->DataSet()->Prior(); }); });
    connect(nbNext, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->DataSet()->Next(); }); });
    connect(nbLast, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->DataSet()->Last(); }); });
    connect(nbDelete, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->DataSet()->Delete(); }); });
    updateButtons();
}

QToolButton* DBNavigator::addButton(const QString& name, const QString& glyph, const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(glyph);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStatusTip(hint);
    button->setAccessibleName(hint);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout()->addWidget(button);
    return button;
}

void DBNavigator::setDataSource(DataSource* source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::DataSetChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &DataSource::StateChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &DataSource::RecordChanged, this, &DBNavigator::updateButtons);
        connect(m_source->DataSet(), &CachedDataSet::AfterScroll, this,
                &DBNavigator::updateButtons);
    }
    updateButtons();
}

void DBNavigator::run(void (*step)(DataSource*))
{
    if (!m_source || !m_source->DataSet()->Active())
        return;
    ErrorDisplay::guard([&] { step(m_source); });
    updateButtons();
    emit Clicked();
}

void DBNavigator::updateButtons()
{
    const CachedDataSet* set = m_source ? m_source->DataSet() : nullptr;
    const bool active = set && set->Active();
    const bool empty = !active || set->IsEmpty();
    const int row = active ? set->RecNo() : -1;
    const int count = active ? set->RecordCount() : 0;
    nbFirst->setEnabled(!empty && row > 0);
    nbPrior->setEnabled(!empty && row > 0);
    nbNext->setEnabled(!empty && row < count - 1);
    nbLast->setEnabled(!empty && row < count - 1);
    nbDelete->setEnabled(!empty);
}
