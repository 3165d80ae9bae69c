#include "storage/ui/DBMemoBinding.h"

#include "common/Windows1251.h"
#include "storage/DataSource.h"
#include "storage/Field.h"
#include "storage/StorageError.h"

#include <QEvent>
#include <QPlainTextEdit>

namespace {
// Project files hold Windows line breaks; the editor works with \n.
QString fromStored(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString toStored(QString text)
{
    return text.replace('\n', QStringLiteral("\r\n"));
}
} // namespace

DBMemoBinding::DBMemoBinding(QPlainTextEdit* editor, DataSource* source, const QString& fieldName,
                             QObject* parent)
    : QObject(parent), m_editor(editor), m_source(source), m_fieldName(fieldName)
{
    editor->installEventFilter(this);
    connect(editor, &QPlainTextEdit::textChanged, this, &DBMemoBinding::editorTextChanged);
    connect(source, &DataSource::dataSetChanged, this, &DBMemoBinding::loadFromField);
    connect(source, &DataSource::cursorMoved, this, &DBMemoBinding::loadFromField);
    connect(source, &DataSource::recordChanged, this, [this](Field* changed) {
        if (!changed || changed == field())
            loadFromField();
    });
    connect(source, &DataSource::stateChanged, this, [this](DataSetState state) {
        // An edit cancelled elsewhere takes the typed text with it.
        if (state != DataSetState::Edit && state != DataSetState::Insert && m_modified)
            loadFromField();
    });
    source->dataSet()->addRecordUpdater(this, [this] { updateRecord(); });
    loadFromField();
}

DBMemoBinding::~DBMemoBinding()
{
    if (m_source)
        m_source->dataSet()->removeRecordUpdater(this);
}

Field* DBMemoBinding::field() const
{
    return m_source->dataSet()->findField(m_fieldName);
}

bool DBMemoBinding::postEdit()
{
    CachedDataSet* dataSet = m_source->dataSet();
    if (dataSet->state() != DataSetState::Edit && dataSet->state() != DataSetState::Insert)
        return true;
    if (m_editor && !Windows1251::canHold(m_editor->toPlainText())) {
        emit textRejected(Windows1251::refusalMessage(m_editor->toPlainText()));
        return false;
    }
    dataSet->post();
    return true;
}

bool DBMemoBinding::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::FocusOut) {
        try {
            postEdit();
        } catch (const StorageError& error) {
            emit textRejected(QString::fromUtf8(error.what()));
        }
    }
    return QObject::eventFilter(watched, event);
}

void DBMemoBinding::loadFromField()
{
    if (!m_editor || !m_source)
        return;
    const Field* bound = field();
    const CachedDataSet* dataSet = m_source->dataSet();
    // A redraw while the user types must not take the typed text away.
    if (m_modified && dataSet->state() == DataSetState::Edit)
        return;
    const bool hasRow = bound && dataSet->active() &&
                        (dataSet->recordCount() > 0 || dataSet->state() == DataSetState::Insert);
    const QString text = hasRow ? fromStored(bound->asString()) : QString();
    m_loading = true;
    if (m_editor->toPlainText() != text)
        m_editor->setPlainText(text);
    m_loading = false;
    m_modified = false;
}

void DBMemoBinding::editorTextChanged()
{
    if (m_loading || m_modified)
        return;
    CachedDataSet* dataSet = m_source->dataSet();
    Field* bound = field();
    if (!bound || bound->readOnly() || !dataSet->active() || dataSet->recordCount() == 0)
        return;
    try {
        dataSet->edit();
    } catch (const StorageError& error) {
        emit textRejected(QString::fromUtf8(error.what()));
        return;
    }
    m_modified = true;
}

void DBMemoBinding::updateRecord()
{
    if (!m_modified || !m_editor)
        return;
    Field* bound = field();
    if (!bound)
        return;
    bound->setAsString(toStored(m_editor->toPlainText()));
    m_modified = false;
}
