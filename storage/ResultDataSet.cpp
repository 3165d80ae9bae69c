#include "storage/ResultDataSet.h"

#include "storage/CachedRow.h"
#include "storage/Field.h"

#include <bit>
#include <cmath>

namespace {
const QString DateField = QStringLiteral("MSR_DATE");
const QString NumberField = QStringLiteral("MSR_NUMBER");

double asReal(const FieldValue& value)
{
    if (const auto real = value.real())
        return *real;
    if (const auto integer = value.integer())
        return double(*integer);
    return 0.0;
}

int64_t asNumber(const FieldValue& value)
{
    if (const auto integer = value.integer())
        return int64_t(int32_t(*integer));
    if (const auto real = value.real())
        return std::isfinite(*real) ? int64_t(int32_t(std::llround(*real))) : 0;
    return 0;
}
} // namespace

ResultDataSet::ResultDataSet(QObject* parent, const QString& name) : CachedDataSet(parent, name) {}

size_t ResultDataSet::KeyHash::operator()(const Key& key) const noexcept
{
    uint64_t h = key.dateBits * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(key.number) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
    return static_cast<size_t>(h ^ (h >> 29));
}

bool ResultDataSet::keyOf(const CachedRow* row, Key& key) const
{
    double date = asReal(rowValue(row, m_dateField));
    if (std::isnan(date))
        return false;
    if (date == 0.0)
        date = 0.0; // -0.0 equals 0.0
    key.dateBits = std::bit_cast<uint64_t>(date);
    key.number = asNumber(rowValue(row, m_numberField));
    return true;
}

void ResultDataSet::buildIndex()
{
    m_dateField = fieldByName(DateField);
    m_numberField = fieldByName(NumberField);
    m_index.clear();
    m_index.reserve(rows().size());
    Key key{};
    for (const auto& row : rows())
        if (row->visible() && keyOf(row.get(), key))
            m_index.emplace(key, row.get());
    m_indexValid = true;
}

bool ResultDataSet::locateResult(double msrDate, uint32_t msrNumber)
{
    post();
    CachedRow* found = nullptr;
    if (!std::isnan(msrDate)) {
        if (!m_indexValid)
            buildIndex();
        const Key key{std::bit_cast<uint64_t>(msrDate == 0.0 ? 0.0 : msrDate), int64_t(msrNumber)};
        const auto [begin, end] = m_index.equal_range(key);
        for (auto it = begin; it != end; ++it)
            if (!found || it->second->position < found->position)
                found = it->second;
    }
    moveToRow(found);
    return found != nullptr;
}

void ResultDataSet::rowsReset()
{
    m_indexValid = false;
    m_index.clear();
}

void ResultDataSet::rowAppended(CachedRow* row)
{
    Key key{};
    if (m_indexValid && keyOf(row, key))
        m_index.emplace(key, row);
}

void ResultDataSet::rowHidden(CachedRow* row)
{
    Key key{};
    if (!m_indexValid || !keyOf(row, key))
        return;
    const auto [begin, end] = m_index.equal_range(key);
    for (auto it = begin; it != end; ++it)
        if (it->second == row) {
            m_index.erase(it);
            return;
        }
}
