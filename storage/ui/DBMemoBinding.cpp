#include "storage/ui/DBMemoBinding.h"

#include "common/Windows1251.h"
#include "storage/DataSource.h"
#include "storage/Field.h"
#include "storage/StorageError.h"

#include <QEvent>
#include <QPlainTextEdit>

namespace {
// Project files hold Windows line breaks; the editor works with \n.
QString FromStored(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString ToStored(QString text)
{
    return text.replace('\n', QStringLiteral("\r\n"));
}
} // namespace

DBMemoBinding::DBMemoBinding(QPlainTextEdit* editor, DataSource* source, const QString& fieldName,
                             QObject* parent)
    : QObject(parent), m_editor(editor), m_source(source), m_fieldName(fieldName)
{
    editor->installEventFilter(this);
    connect(editor, &QPlainTextEdit::textChanged, this, &DBMemoBinding::EditorTextChanged);
    connect(source, &DataSource::DataSetChanged, this, &DBMemoBinding::LoadFromField);
    connect(source, &DataSource::CursorMoved, this, &DBMemoBinding::LoadFromField);
    connect(source, &DataSource::RecordChanged, this, [this](TField* field) {
        if (!field || field == Field())
            LoadFromField();
    });
    connect(source, &DataSource::StateChanged, this, [this](DataSetState state) {
        // An edit cancelled elsewhere takes the typed text with it.
        if (state != DataSetState::Edit && state != DataSetState::Insert && m_modified)
            LoadFromField();
    });
    source->DataSet()->AddRecordUpdater(this, [this] { UpdateRecord(); });
    LoadFromField();
}

DBMemoBinding::~DBMemoBinding()
{
    if (m_source)
        m_source->DataSet()->RemoveRecordUpdater(this);
}

TField* DBMemoBinding::Field() const
{
    return m_source->DataSet()->FindField(m_fieldName);
}

bool DBMemoBinding::PostEdit()
{
    CachedDataSet* dataSet = m_source->DataSet();
    if (dataSet->State() != DataSetState::Edit && dataSet->State() != DataSetState::Insert)
        return true;
    if (m_editor && !Windows1251::canHold(m_editor->toPlainText())) {
        emit TextRejected(Windows1251::refusalMessage(m_editor->toPlainText()));
        return false;
    }
    dataSet->Post();
    return true;
}

bool DBMemoBinding::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::FocusOut) {
        try {
            PostEdit();
        } catch (const StorageError& error) {
            emit TextRejected(QString::fromUtf8(error.what()));
        }
    }
    return QObject::eventFilter(watched, event);
}

void DBMemoBinding::LoadFromField()
{
    if (!m_editor || !m_source)
        return;
    const TField* field = Field();
    const CachedDataSet* dataSet = m_source->DataSet();
    // A redraw while the user types must not take the typed text away.
    if (m_modified && dataSet->State() == DataSetState::Edit)
        return;
    const bool hasRow = field && dataSet->Active() &&
                        (dataSet->RecordCount() > 0 || dataSet->State() == DataSetState::Insert);
    const QString text = hasRow ? FromStored(field->AsString()) : QString();
    m_loading = true;
    if (m_editor->toPlainText() != text)
        m_editor->setPlainText(text);
    m_loading = false;
    m_modified = false;
}

void DBMemoBinding::EditorTextChanged()
{
    if (m_loading || m_modified)
        return;
    CachedDataSet* dataSet = m_source->DataSet();
    TField* field = Field();
    if (!field || field->ReadOnly() || !dataSet->Active() || dataSet->RecordCount() == 0)
        return;
    try {
        dataSet->Edit();
    } catch (const StorageError& error) {
        emit TextRejected(QString::fromUtf8(error.what()));
        return;
    }
    m_modified = true;
}

void DBMemoBinding::UpdateRecord()
{
    if (!m_modified || !m_editor)
        return;
    TField* field = Field();
    if (!field)
        return;
    field->SetAsString(ToStored(m_editor->toPlainText()));
    m_modified = false;
}
