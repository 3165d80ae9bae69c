#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <cstdint>

class QPalette;

// Colours are kept as 32-bit numbers 0x00BBGGRR (red in the low byte), the form the settings
// file stores. A number whose high byte is 0x80 names a system colour by its index.
struct NamedColorNumber
{
    std::uint32_t value;
    const char* name;
};

inline constexpr std::array<NamedColorNumber, 16> StandardColorNumbers{{
    {0x000000, "black"},
    {0x000080, "maroon"},
    {0x008000, "green"},
    {0x008080, "olive"},
    {0x800000, "navy"},
    {0x800080, "purple"},
    {0x808000, "teal"},
    {0x808080, "gray"},
    {0xC0C0C0, "silver"},
    {0x0000FF, "red"},
    {0x00FF00, "lime"},
    {0x00FFFF, "yellow"},
    {0xFF0000, "blue"},
    {0xFF00FF, "fuchsia"},
    {0xFFFF00, "aqua"},
    {0xFFFFFF, "white"},
}};

// Index of the colour in StandardColorNumbers, or -1 when it is not one of them.
int standardColorIndex(std::uint32_t colorNumber);

// The RGB value to paint with; system colours are looked up in the palette.
QRgb colorNumberToRgb(std::uint32_t colorNumber, const QPalette& palette);
