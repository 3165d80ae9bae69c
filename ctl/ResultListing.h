// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ctl/CtlOutput.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

class TMainDataModule;

// Every result and every field of the open project, for programs rather than people.
namespace ResultListing {

// ISO 8601 "yyyy-MM-ddThh:mm:ss", with ".zzz" when the milliseconds are not zero.
QString isoDateTime(double oleDate);

// The results in the table's order, as UTF-8 tab-separated values with a header line, or as
// one JSON object, handed to write block by block as they are formed; a block that write
// refuses ends the listing.
void tsv(TMainDataModule& dataModule, const OutputWriter& write);
void json(TMainDataModule& dataModule, const OutputWriter& write);

// The identity row, the number of results, the first and last dates and the description.
QByteArray infoText(TMainDataModule& dataModule);
QByteArray infoJson(TMainDataModule& dataModule);

} // namespace ResultListing
