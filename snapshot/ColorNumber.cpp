#include "snapshot/ColorNumber.h"

#include <QPalette>

namespace {

constexpr std::uint32_t SystemColorFlag = 0x80000000u;

struct SystemColorRole
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indexes of the settings file's origin (scroll bar, desktop, captions,
// menu, window, ...), mapped in index order onto the palette roles that play the same part.
constexpr std::array<SystemColorRole, 31> SystemColorRoles{{
    {QPalette::Active, QPalette::Mid},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Inactive, QPalette::Highlight},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::Base},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::WindowText},
    {QPalette::Active, QPalette::Text},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Light},
    {QPalette::Inactive, QPalette::Light},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Button},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Disabled, QPalette::Text},
    {QPalette::Active, QPalette::ButtonText},
    {QPalette::Inactive, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Light},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::Midlight},
    {QPalette::Active, QPalette::ToolTipText},
    {QPalette::Active, QPalette::ToolTipBase},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::Link},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Inactive, QPalette::Highlight},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Active, QPalette::Window},
}};

} // namespace

int standardColorIndex(std::uint32_t colorNumber)
{
    for (std::size_t i = 0; i < StandardColorNumbers.size(); ++i) {
        if (StandardColorNumbers[i].value == colorNumber)
            return int(i);
    }
    return -1;
}

QRgb colorNumberToRgb(std::uint32_t colorNumber, const QPalette& palette)
{
    if ((colorNumber & 0xFF000000u) == SystemColorFlag) {
        const std::uint32_t index = colorNumber & 0xFFu;
        const SystemColorRole r =
            index < SystemColorRoles.size() ? SystemColorRoles[index] : SystemColorRoles[4];
        return palette.color(r.group, r.role).rgb();
    }
    return qRgb(int(colorNumber & 0xFF), int((colorNumber >> 8) & 0xFF),
                int((colorNumber >> 16) & 0xFF));
}
