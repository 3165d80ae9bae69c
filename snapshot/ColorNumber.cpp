#include "ColorNumber.h"

#include <QPalette>

namespace {

constexpr std::uint32_t SystemColorFlag = 0x80000000u;

struct SystemColorRole
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indexes of the settings file's origin, mapped onto the palette roles
// that play the same part on this desktop.
SystemColorRole systemColorRole(std::uint32_t index)
{
    using P = QPalette;
    switch (index) {
    case 0: return {P::Active, P::Mid};              // scroll bar
    case 1: return {P::Active, P::Dark};             // desktop
    case 2: return {P::Active, P::Highlight};        // active caption
    case 3: return {P::Inactive, P::Highlight};      // inactive caption
    case 4: return {P::Active, P::Window};           // menu
    case 5: return {P::Active, P::Base};             // window
    case 6: return {P::Active, P::Shadow};           // window frame
    case 7: return {P::Active, P::WindowText};       // menu text
    case 8: return {P::Active, P::Text};             // window text
    case 9: return {P::Active, P::HighlightedText};  // caption text
    case 10: return {P::Active, P::Light};           // active border
    case 11: return {P::Inactive, P::Light};         // inactive border
    case 12: return {P::Active, P::Dark};            // application workspace
    case 13: return {P::Active, P::Highlight};       // highlight
    case 14: return {P::Active, P::HighlightedText}; // highlight text
    case 15: return {P::Active, P::Button};          // button face
    case 16: return {P::Active, P::Dark};            // button shadow
    case 17: return {P::Disabled, P::Text};          // grey text
    case 18: return {P::Active, P::ButtonText};      // button text
    case 19: return {P::Inactive, P::HighlightedText};
    case 20: return {P::Active, P::Light};           // button highlight
    case 21: return {P::Active, P::Shadow};          // 3-D dark shadow
    case 22: return {P::Active, P::Midlight};        // 3-D light
    case 23: return {P::Active, P::ToolTipText};     // info text
    case 24: return {P::Active, P::ToolTipBase};     // info background
    case 26: return {P::Active, P::Link};            // hot light
    case 27: return {P::Active, P::Highlight};       // gradient active caption
    case 28: return {P::Inactive, P::Highlight};     // gradient inactive caption
    case 29: return {P::Active, P::Highlight};       // menu highlight
    case 30: return {P::Active, P::Window};          // menu bar
    default: return {P::Active, P::Window};
    }
}

} // namespace

int StandardColorIndex(std::uint32_t colorNumber)
{
    for (std::size_t i = 0; i < StandardColorNumbers.size(); ++i) {
        if (StandardColorNumbers[i].value == colorNumber)
            return int(i);
    }
    return -1;
}

QRgb ColorNumberToRgb(std::uint32_t colorNumber, const QPalette& palette)
{
    if ((colorNumber & 0xFF000000u) == SystemColorFlag) {
        const SystemColorRole r = systemColorRole(colorNumber & 0xFFu);
        return palette.color(r.group, r.role).rgb();
    }
    return qRgb(int(colorNumber & 0xFF), int((colorNumber >> 8) & 0xFF),
                int((colorNumber >> 16) & 0xFF));
}
