#pragma once

#include "CachedDataSet.h"
#include "FieldValue.h"

#include <memory>

// One row of a cached dataset. original holds the values as last read or written while the row
// carries a change; a dropped row (appended, then deleted or reverted) waits to be compacted away.
struct TCachedRow
{
    std::unique_ptr<FieldValue[]> values;
    std::unique_ptr<FieldValue[]> original;
    TUpdateStatus status = TUpdateStatus::Unchanged;
    bool dropped = false;
    size_t position = 0;

    bool Visible() const { return !dropped && status != TUpdateStatus::Deleted; }
    const FieldValue* OldValues() const { return original ? original.get() : values.get(); }
};
