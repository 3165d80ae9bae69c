#pragma once

#include "CachedDataSet.h"
#include "FieldValue.h"

#include <memory>

// Value arrays and rows read by Open live in blocks of the dataset and are freed with them;
// those made one by one later (edits, appends) are freed on their own.
struct TValuesDelete
{
    bool owned = true;
    void operator()(FieldValue* values) const
    {
        if (owned)
            delete[] values;
    }
};
using TValueArray = std::unique_ptr<FieldValue[], TValuesDelete>;

inline TValueArray NewValueArray(size_t count)
{
    return TValueArray(new FieldValue[count]);
}

// One row of a cached dataset. original holds the values as last read or written while the row
// carries a change; a dropped row (appended, then deleted or reverted) waits to be compacted away.
struct TCachedRow
{
    TValueArray values;
    TValueArray original;
    TUpdateStatus status = TUpdateStatus::Unchanged;
    bool dropped = false;
    size_t position = 0;

    bool Visible() const { return !dropped && status != TUpdateStatus::Deleted; }
    const FieldValue* OldValues() const { return original ? original.get() : values.get(); }
};

inline void TRowDelete::operator()(TCachedRow* row) const
{
    if (owned)
        delete row;
}
