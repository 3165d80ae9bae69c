#pragma once

#include "common/TMsrResult.h"

#include <cstdint>

class TMainDataModule;

// Adds downloaded results to the open project in the order the device sent them, skipping
// those it already holds, then sorts them in. Answers how many the project took. An empty
// array calls nothing. An error of the data module propagates after EndUpdate has balanced
// BeginUpdate.
int32_t importResults(TMainDataModule& dm, const TArrayOfMsrResult& results);
