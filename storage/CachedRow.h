#pragma once

#include "storage/CachedDataSet.h"
#include "storage/FieldValue.h"

#include <memory>

// Value arrays and rows read by Open live in blocks of the dataset and are freed with them;
// those made one by one later (edits, appends) are freed on their own.
struct ValuesDelete
{
    void operator()(FieldValue* values) const { delete[] values; }
};
using ValueArray = MaybeOwned<FieldValue, ValuesDelete>;

inline ValueArray NewValueArray(size_t count)
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
    TUpdateStatus status = TUpdateStatus::Unchanged;
    bool dropped = false;

    bool Visible() const { return !dropped && status != TUpdateStatus::Deleted; }
    const FieldValue* OldValues() const { return original ? original.get() : values.get(); }
};
static_assert(sizeof(void*) != 8 || sizeof(CachedRow) == 24);

inline void RowDelete::operator()(CachedRow* row) const
{
    delete row;
}
