#pragma once

#include "storage/FieldValue.h"

#include <QObject>
#include <QString>

#include <functional>

class CachedDataSet;

// A field object of a cached dataset: one column of its rows, read and written on the dataset's
// current row (or on the row a bound control is drawing), with its presentation settings.
class Field : public QObject
{
    Q_OBJECT

public:
    // Sender, text to fill, display flag (true when asked for display, false for editing).
    using GetTextHandler = std::function<void(Field* Sender, QString& Text, bool DisplayText)>;

    Field(CachedDataSet* dataSet, const QString& objectName, const QString& fieldName,
          FieldKind kind);

    CachedDataSet* dataSet() const { return m_dataSet; }
    const QString& fieldName() const { return m_fieldName; }
    FieldKind kind() const { return m_kind; }
    int index() const { return m_index; }

    QString displayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void setDisplayLabel(const QString& label);
    // Width of the field's column in characters.
    int displayWidth() const { return m_displayWidth; }
    void setDisplayWidth(int characters) { m_displayWidth = characters; }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    // A read-only field cannot be changed through a bound control; the program may still set it.
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    Qt::Alignment alignment() const;
    void setOnGetText(GetTextHandler handler) { m_onGetText = std::move(handler); }

    const FieldValue& value() const;
    bool isNull() const;
    // Null reads as 0 (or empty); text fields give their number when they hold one.
    int32_t asInteger() const;
    double asFloat() const;
    double asDateTime() const;
    QByteArray asBytes() const;
    // CHAR values lose their trailing characters below code 33 when read; text bytes are
    // Windows-1251.
    QString asString() const;
    QString displayText() const;
    QString text() const;

    // Setters need the dataset in edit or insert state.
    void setValue(const FieldValue& value);
    void clear() { setValue(FieldValue()); }
    void setAsInteger(int32_t value) { setValue(FieldValue(int64_t(value))); }
    void setAsFloat(double value) { setValue(FieldValue(value)); }
    void setAsDateTime(double oleDate) { setValue(FieldValue(oleDate)); }
    void setAsBytes(const QByteArray& bytes) { setValue(FieldValue(bytes)); }
    // Stores the text as Windows-1251 bytes (empty text as null); raises StorageError, changing
    // nothing, when the code page cannot hold a character of it.
    void setAsString(const QString& text);

signals:
    void displayLabelChanged();

private:
    friend class CachedDataSet;
    QString defaultText() const;

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
