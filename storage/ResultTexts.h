#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Display texts of stored results that depend on the selected measurand and load unit.
namespace ResultTexts {

QString measurandName(int32_t measurandCode);
QString measurandUnit(int32_t measurandCode, int32_t loadUnitCode);
QString reinfKindName(int32_t kindCode);
// F in the selected measurand and unit at full precision, from f in kgf and the diameter in
// mm (null reads as 0); nothing for a null f or where the text is "?".
std::optional<double> shownForce(std::optional<double> f, int32_t diameter, int32_t measurandCode,
                                 int32_t loadUnitCode);
// f in kgf; diameter in mm (null reads as 0). Empty for a null f, "?" when nothing can be shown.
QString forceText(std::optional<double> f, int32_t diameter, int32_t measurandCode,
                  int32_t loadUnitCode);
// "dd.mm.yyyy" and "hh:mm:ss" of an OLE date.
QString dateText(double oleDate);
QString timeText(double oleDate);

} // namespace ResultTexts
