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
            [this] { run([](DataSource* s) { s->dataSet()->first(); }); });
    connect(nbPrior, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->dataSet()->prior(); }); });
    connect(nbNext, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->dataSet()->next(); }); });
    connect(nbLast, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->dataSet()->last(); }); });
    connect(nbDelete, &QToolButton::clicked, this,
            [this] { run([](DataSource* s) { s->dataSet()->deleteRecord(); }); });
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
        connect(m_source, &DataSource::dataSetChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &DataSource::stateChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &DataSource::recordChanged, this, &DBNavigator::updateButtons);
        connect(m_source->dataSet(), &CachedDataSet::afterScroll, this,
                &DBNavigator::updateButtons);
    }
    updateButtons();
}

void DBNavigator::run(void (*step)(DataSource*))
{
    if (!m_source || !m_source->dataSet()->active())
        return;
    ErrorDisplay::guard([&] { step(m_source); });
    updateButtons();
    emit clicked();
}

void DBNavigator::updateButtons()
{
    const CachedDataSet* set = m_source ? m_source->dataSet() : nullptr;
    const bool active = set && set->active();
    const bool empty = !active || set->isEmpty();
    const int row = active ? set->recNo() : -1;
    const int count = active ? set->recordCount() : 0;
    nbFirst->setEnabled(!empty && row > 0);
    nbPrior->setEnabled(!empty && row > 0);
    nbNext->setEnabled(!empty && row < count - 1);
    nbLast->setEnabled(!empty && row < count - 1);
    nbDelete->setEnabled(!empty);
}
