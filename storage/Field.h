#pragma once

#include "storage/FieldValue.h"

#include <QObject>
#include <QString>

#include <functional>

class CachedDataSet;

// A field object of a cached dataset: one column of its rows, read and written on the dataset's
// current row (or on the row a bound control is drawing), with its presentation settings.
class TField : public QObject
{
    Q_OBJECT

public:
    // Sender, text to fill, display flag (true when asked for display, false for editing).
    using GetTextHandler = std::function<void(TField* Sender, QString& Text, bool DisplayText)>;

    TField(CachedDataSet* dataSet, const QString& objectName, const QString& fieldName,
           FieldKind kind);

    CachedDataSet* DataSet() const { return m_dataSet; }
    const QString& FieldName() const { return m_fieldName; }
    FieldKind Kind() const { return m_kind; }
    int Index() const { return m_index; }

    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void SetDisplayLabel(const QString& label);
    // Width of the field's column in characters.
    int DisplayWidth() const { return m_displayWidth; }
    void SetDisplayWidth(int characters) { m_displayWidth = characters; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    // A read-only field cannot be changed through a bound control; the program may still set it.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    Qt::Alignment Alignment() const;
    void SetOnGetText(GetTextHandler handler) { m_onGetText = std::move(handler); }

    const FieldValue& Value() const;
    bool IsNull() const;
    // Null reads as 0 (or empty); text fields give their number when they hold one.
    int32_t AsInteger() const;
    double AsFloat() const;
    double AsDateTime() const;
    QByteArray AsBytes() const;
    // CHAR values lose their trailing characters below code 33 when read; text bytes are
    // Windows-1251.
    QString AsString() const;
    QString DisplayText() const;
    QString Text() const;

    // Setters need the dataset in edit or insert state.
    void SetValue(const FieldValue& value);
    void Clear() { SetValue(FieldValue()); }
    void SetAsInteger(int32_t value) { SetValue(FieldValue(int64_t(value))); }
    void SetAsFloat(double value) { SetValue(FieldValue(value)); }
    void SetAsDateTime(double oleDate) { SetValue(FieldValue(oleDate)); }
    void SetAsBytes(const QByteArray& bytes) { SetValue(FieldValue(bytes)); }
    // Stores the text as Windows-1251 bytes (empty text as null); raises StorageError, changing
    // nothing, when the code page cannot hold a character of it.
    void SetAsString(const QString& text);

signals:
    void DisplayLabelChanged();

private:
    friend class CachedDataSet;
    QString DefaultText() const;

    CachedDataSet* m_dataSet;
    QString m_fieldName;
    FieldKind m_kind;
    int m_index = -1;
    QString m_displayLabel;
    int m_displayWidth = 10;
    bool m_visible = true;
    bool m_readOnly = false;
    GetTextHandler m_onGetText;
};
