#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Display texts of stored results that depend on the selected measurand and load unit.
namespace ResultTexts {

QString MeasurandName(int32_t measurandCode);
QString MeasurandUnit(int32_t measurandCode, int32_t loadUnitCode);
QString ReinfKindName(int32_t kindCode);
// f in kgf; diameter in mm (null reads as 0). Empty for a null f, "?" when nothing can be shown.
QString ForceText(std::optional<double> f, int32_t diameter, int32_t measurandCode,
                  int32_t loadUnitCode);
// "dd.mm.yyyy" and "hh:mm:ss" of an OLE date.
QString DateText(double oleDate);
QString TimeText(double oleDate);

} // namespace ResultTexts
