#pragma once

#include "storage/CachedDataSet.h"

#include <cstdint>
#include <unordered_map>

// The results dataset: a cached dataset that finds a result by date-time and number through a
// hash index over its visible rows instead of scanning them.
class ResultDataSet : public CachedDataSet
{
    Q_OBJECT

public:
    ResultDataSet(QObject* parent, const QString& name);

    // Finds the first visible row, in dataset order, whose MSR_DATE equals msrDate exactly and
    // whose MSR_NUMBER (signed) equals msrNumber (unsigned); null reads as 0. Leaves the cursor on
    // it, or past the last row when there is none.
    bool locateResult(double msrDate, uint32_t msrNumber);

protected:
    void rowsReset() override;
    void rowAppended(CachedRow* row) override;
    void rowHidden(CachedRow* row) override;

private:
    struct Key
    {
        uint64_t dateBits;
        int64_t number;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash
    {
        size_t operator()(const Key& key) const noexcept;
    };

    bool keyOf(const CachedRow* row, Key& key) const;
    void buildIndex();

    Field* m_dateField = nullptr;
    Field* m_numberField = nullptr;
    std::unordered_multimap<Key, CachedRow*, KeyHash> m_index;
    bool m_indexValid = false;
};
