#pragma once

#include "storage/CachedDataSet.h"
#include "storage/FieldValue.h"

#include <memory>

// Value arrays and rows read by open() live in blocks of the dataset and are freed with them;
// those made one by one later (edits, appends) are freed on their own.
struct ValuesDelete
{
    void operator()(FieldValue* values) const { delete[] values; }
};
using ValueArray = MaybeOwned<FieldValue, ValuesDelete>;

inline ValueArray newValueArray(size_t count)
{
    return ValueArray(new FieldValue[count]);
}

// One row of a cached dataset. original holds the values as last read or written while the row
// carries a change; a dropped row (appended, then deleted or reverted) waits to be compacted away.
// Kept to 24 bytes: a project holds one per result.
struct CachedRow
{
    ValueArray values;
    ValueArray original;
    uint32_t position = 0;
    UpdateStatus status = UpdateStatus::Unchanged;
    bool dropped = false;

    bool visible() const { return !dropped && status != UpdateStatus::Deleted; }
    const FieldValue* oldValues() const { return original ? original.get() : values.get(); }
};
static_assert(sizeof(void*) != 8 || sizeof(CachedRow) == 24);

inline void RowDelete::operator()(CachedRow* row) const
{
    delete row;
}
