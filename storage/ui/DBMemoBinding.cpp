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

TDBMemoBinding::TDBMemoBinding(QPlainTextEdit* editor, TDataSource* source,
                               const QString& fieldName, QObject* parent)
    : QObject(parent), m_editor(editor), m_source(source), m_fieldName(fieldName)
{
    editor->installEventFilter(this);
    connect(editor, &QPlainTextEdit::textChanged, this, &TDBMemoBinding::EditorTextChanged);
    connect(source, &TDataSource::DataSetChanged, this, &TDBMemoBinding::LoadFromField);
    connect(source, &TDataSource::CursorMoved, this, &TDBMemoBinding::LoadFromField);
    connect(source, &TDataSource::RecordChanged, this, [this](TField* field) {
        if (!field || field == Field())
            LoadFromField();
    });
    connect(source, &TDataSource::StateChanged, this, [this](TDataSetState state) {
        // An edit cancelled elsewhere takes the typed text with it.
        if (state != TDataSetState::Edit && state != TDataSetState::Insert && m_modified)
            LoadFromField();
    });
    source->DataSet()->AddRecordUpdater(this, [this] { UpdateRecord(); });
    LoadFromField();
}

TDBMemoBinding::~TDBMemoBinding()
{
    if (m_source)
        m_source->DataSet()->RemoveRecordUpdater(this);
}

TField* TDBMemoBinding::Field() const
{
    return m_source->DataSet()->FindField(m_fieldName);
}

bool TDBMemoBinding::PostEdit()
{
    TCachedDataSet* dataSet = m_source->DataSet();
    if (dataSet->State() != TDataSetState::Edit && dataSet->State() != TDataSetState::Insert)
        return true;
    if (m_editor && !Windows1251::canHold(m_editor->toPlainText())) {
        emit TextRejected(Windows1251::refusalMessage(m_editor->toPlainText()));
        return false;
    }
    dataSet->Post();
    return true;
}

bool TDBMemoBinding::eventFilter(QObject* watched, QEvent* event)
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

void TDBMemoBinding::LoadFromField()
{
    if (!m_editor || !m_source)
        return;
    const TField* field = Field();
    const TCachedDataSet* dataSet = m_source->DataSet();
    // A redraw while the user types must not take the typed text away.
    if (m_modified && dataSet->State() == TDataSetState::Edit)
        return;
    const bool hasRow = field && dataSet->Active() &&
                        (dataSet->RecordCount() > 0 || dataSet->State() == TDataSetState::Insert);
    const QString text = hasRow ? FromStored(field->AsString()) : QString();
    m_loading = true;
    if (m_editor->toPlainText() != text)
        m_editor->setPlainText(text);
    m_loading = false;
    m_modified = false;
}

void TDBMemoBinding::EditorTextChanged()
{
    if (m_loading || m_modified)
        return;
    TCachedDataSet* dataSet = m_source->DataSet();
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

void TDBMemoBinding::UpdateRecord()
{
    if (!m_modified || !m_editor)
        return;
    TField* field = Field();
    if (!field)
        return;
    field->SetAsString(ToStored(m_editor->toPlainText()));
    m_modified = false;
}
