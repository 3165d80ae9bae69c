#include "storage/Field.h"

#include "common/Windows1251.h"
#include "storage/CachedDataSet.h"
#include "storage/ResultTexts.h"
#include "storage/StorageError.h"

#include <cmath>

Field::Field(CachedDataSet* dataSet, const QString& objectName, const QString& fieldName,
             FieldKind kind)
    : QObject(dataSet), m_dataSet(dataSet), m_fieldName(fieldName), m_kind(kind)
{
    setObjectName(objectName);
}

void Field::setDisplayLabel(const QString& label)
{
    if (label == m_displayLabel)
        return;
    m_displayLabel = label;
    emit displayLabelChanged();
}

Qt::Alignment Field::alignment() const
{
    const bool numeric = m_kind == FieldKind::Integer || m_kind == FieldKind::Float;
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

const FieldValue& Field::value() const
{
    return m_dataSet->currentValue(this);
}

bool Field::isNull() const
{
    return value().isNull();
}

int32_t Field::asInteger() const
{
    const FieldValue& stored = value();
    if (const auto integer = stored.integer())
        return static_cast<int32_t>(*integer);
    if (const auto real = stored.real())
        return std::isfinite(*real) ? static_cast<int32_t>(std::llround(*real)) : 0;
    if (const auto* bytes = stored.bytes())
        return bytes->trimmed().toInt();
    return 0;
}

double Field::asFloat() const
{
    const FieldValue& stored = value();
    if (const auto integer = stored.integer())
        return static_cast<double>(*integer);
    if (const auto real = stored.real())
        return *real;
    if (const auto* bytes = stored.bytes())
        return bytes->trimmed().toDouble();
    return 0.0;
}

double Field::asDateTime() const
{
    return asFloat();
}

QByteArray Field::asBytes() const
{
    const FieldValue& stored = value();
    if (const auto* bytes = stored.bytes())
        return *bytes;
    if (stored.isNull())
        return QByteArray();
    return defaultText().toLatin1();
}

QString Field::asString() const
{
    const FieldValue& stored = value();
    if (const auto* bytes = stored.bytes())
        return Windows1251::decode(*bytes);
    return defaultText();
}

QString Field::displayText() const
{
    if (!m_onGetText)
        return defaultText();
    QString text;
    m_onGetText(const_cast<Field*>(this), text, true);
    return text;
}

QString Field::text() const
{
    if (!m_onGetText)
        return defaultText();
    QString text;
    m_onGetText(const_cast<Field*>(this), text, false);
    return text;
}

QString Field::defaultText() const
{
    const FieldValue& stored = value();
    if (stored.isNull())
        return QString();
    if (const auto* bytes = stored.bytes())
        return Windows1251::decode(*bytes);
    if (const auto integer = stored.integer())
        return QString::number(*integer);
    const double real = *stored.real();
    if (m_kind == FieldKind::DateTime)
        return ResultTexts::dateText(real) + ' ' + ResultTexts::timeText(real);
    return QString::number(real, 'g', 15);
}

void Field::setValue(const FieldValue& value)
{
    m_dataSet->setCurrentValue(this, value);
}

void Field::setAsString(const QString& text)
{
    if (!Windows1251::canHold(text))
        throw StorageError(Windows1251::refusalMessage(text).toStdString());
    if (text.isEmpty()) {
        clear();
        return;
    }
    switch (m_kind) {
    case FieldKind::Integer:
        setAsInteger(text.trimmed().toInt());
        break;
    case FieldKind::Float:
    case FieldKind::DateTime:
        setAsFloat(text.trimmed().toDouble());
        break;
    case FieldKind::String:
    case FieldKind::Blob:
        setAsBytes(Windows1251::encode(text));
        break;
    }
}
