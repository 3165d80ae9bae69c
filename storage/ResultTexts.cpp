#include "storage/ResultTexts.h"

#include "common/OleDate.h"

#include <cmath>

namespace ResultTexts {

namespace {
constexpr double NewtonsPerKgf = 9.80665;
constexpr double QuarterPi = 0.78539816339744830963;
} // namespace

QString measurandName(int32_t measurandCode)
{
    switch (measurandCode) {
    case 0:
        return QStringLiteral("Натяжение");
    case 1:
        return QStringLiteral("Напряжение");
    default:
        return QStringLiteral("?");
    }
}

QString measurandUnit(int32_t measurandCode, int32_t loadUnitCode)
{
    if (measurandCode == 0 && loadUnitCode == 0)
        return QStringLiteral("кгс");
    if (measurandCode == 0 && loadUnitCode == 1)
        return QStringLiteral("Н");
    if (measurandCode == 1 && loadUnitCode == 0)
        return QStringLiteral("кгс/см2");
    if (measurandCode == 1 && loadUnitCode == 1)
        return QStringLiteral("МПа");
    return QStringLiteral("?");
}

QString reinfKindName(int32_t kindCode)
{
    switch (kindCode) {
    case 0:
        return QStringLiteral("стержневая");
    case 1:
        return QStringLiteral("канатная");
    case 2:
        return QStringLiteral("арматура 1");
    case 3:
        return QStringLiteral("арматура 2");
    default:
        return QStringLiteral("?");
    }
}

std::optional<double> shownForce(std::optional<double> f, int32_t diameter, int32_t measurandCode,
                                 int32_t loadUnitCode)
{
    if (!f)
        return std::nullopt;
    const double v = *f;
    double shown = -1.0;
    if (measurandCode == 0) {
        if (loadUnitCode == 0)
            shown = v;
        else if (loadUnitCode == 1)
            shown = NewtonsPerKgf * v;
    } else if (measurandCode == 1) {
        const double area = (QuarterPi * diameter) * diameter;
        if (!std::isnan(area) && area > 0) {
            if (loadUnitCode == 0)
                shown = v / (0.01 * area);
            else if (loadUnitCode == 1)
                shown = (NewtonsPerKgf * v) / area;
        }
    }
    if (!(shown >= 0) || std::isinf(shown))
        return std::nullopt;
    return shown;
}

QString forceText(std::optional<double> f, int32_t diameter, int32_t measurandCode,
                  int32_t loadUnitCode)
{
    if (!f)
        return QString();
    const std::optional<double> shown = shownForce(f, diameter, measurandCode, loadUnitCode);
    if (!shown)
        return QStringLiteral("?");
    return QString::number(std::trunc(*shown), 'f', 0);
}

QString dateText(double oleDate)
{
    const OleDate::Parts p = OleDate::toParts(oleDate);
    if (!p.valid)
        return {};
    return QStringLiteral("%1.%2.%3")
        .arg(p.day, 2, 10, QChar('0'))
        .arg(p.month, 2, 10, QChar('0'))
        .arg(p.year, 4, 10, QChar('0'));
}

QString timeText(double oleDate)
{
    const OleDate::Parts p = OleDate::toParts(oleDate);
    if (!p.valid)
        return {};
    return QStringLiteral("%1:%2:%3")
        .arg(p.hour, 2, 10, QChar('0'))
        .arg(p.minute, 2, 10, QChar('0'))
        .arg(p.second, 2, 10, QChar('0'));
}

} // namespace ResultTexts
