#include "storage/Field.h"

#include "common/Windows1251.h"
#include "storage/CachedDataSet.h"
#include "storage/ResultTexts.h"
#include "storage/StorageError.h"

#include <cmath>

TField::TField(CachedDataSet* dataSet, const QString& objectName, const QString& fieldName,
               FieldKind kind)
    : QObject(dataSet), m_dataSet(dataSet), m_fieldName(fieldName), m_kind(kind)
{
    setObjectName(objectName);
}

void TField::SetDisplayLabel(const QString& label)
{
    if (label == m_displayLabel)
        return;
    m_displayLabel = label;
    emit DisplayLabelChanged();
}

Qt::Alignment TField::Alignment() const
{
    const bool numeric = m_kind == FieldKind::Integer || m_kind == FieldKind::Float;
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

const FieldValue& TField::Value() const
{
    return m_dataSet->CurrentValue(this);
}

bool TField::IsNull() const
{
    return Value().IsNull();
}

int32_t TField::AsInteger() const
{
    const FieldValue& value = Value();
    if (const auto integer = value.Integer())
        return static_cast<int32_t>(*integer);
    if (const auto real = value.Real())
        return std::isfinite(*real) ? static_cast<int32_t>(std::llround(*real)) : 0;
    if (const auto* bytes = value.Bytes())
        return bytes->trimmed().toInt();
    return 0;
}

double TField::AsFloat() const
{
    const FieldValue& value = Value();
    if (const auto integer = value.Integer())
        return static_cast<double>(*integer);
    if (const auto real = value.Real())
        return *real;
    if (const auto* bytes = value.Bytes())
        return bytes->trimmed().toDouble();
    return 0.0;
}

double TField::AsDateTime() const
{
    return AsFloat();
}

QByteArray TField::AsBytes() const
{
    const FieldValue& value = Value();
    if (const auto* bytes = value.Bytes())
        return *bytes;
    if (value.IsNull())
        return QByteArray();
    return DefaultText().toLatin1();
}

QString TField::AsString() const
{
    const FieldValue& value = Value();
    if (const auto* bytes = value.Bytes())
        return Windows1251::decode(*bytes);
    return DefaultText();
}

QString TField::DisplayText() const
{
    if (!m_onGetText)
        return DefaultText();
    QString text;
    m_onGetText(const_cast<TField*>(this), text, true);
    return text;
}

QString TField::Text() const
{
    if (!m_onGetText)
        return DefaultText();
    QString text;
    m_onGetText(const_cast<TField*>(this), text, false);
    return text;
}

QString TField::DefaultText() const
{
    const FieldValue& value = Value();
    if (value.IsNull())
        return QString();
    if (const auto* bytes = value.Bytes())
        return Windows1251::decode(*bytes);
    if (const auto integer = value.Integer())
        return QString::number(*integer);
    const double real = *value.Real();
    if (m_kind == FieldKind::DateTime)
        return ResultTexts::DateText(real) + ' ' + ResultTexts::TimeText(real);
    return QString::number(real, 'g', 15);
}

void TField::SetValue(const FieldValue& value)
{
    m_dataSet->SetCurrentValue(this, value);
}

void TField::SetAsString(const QString& text)
{
    if (!Windows1251::canHold(text))
        throw StorageError(Windows1251::refusalMessage(text).toStdString());
    if (text.isEmpty()) {
        Clear();
        return;
    }
    switch (m_kind) {
    case FieldKind::Integer:
        SetAsInteger(text.trimmed().toInt());
        break;
    case FieldKind::Float:
    case FieldKind::DateTime:
        SetAsFloat(text.trimmed().toDouble());
        break;
    case FieldKind::String:
    case FieldKind::Blob:
        SetAsBytes(Windows1251::encode(text));
        break;
    }
}
