#pragma once

#include <array>
#include <cstdint>
#include <span>

// The picture of the instrument's 98 x 64 screen inside a one-pixel frame and a blank ring,
// one byte per cell (1 = ink, 0 = background), stored column by column.
class ScreenBuffer
{
public:
    static constexpr int Width = 102;
    static constexpr int Height = 68;
    static constexpr int ScreenWidth = 98;
    static constexpr int ScreenHeight = 64;
    static constexpr int ReplySize = ScreenWidth * ScreenHeight / 8;

    ScreenBuffer() { clear(); }

    // The frame cells hold 1, every other cell 0.
    void clear();

    // Writes every screen cell from a DEV_CMD_SCREEN reply: byte k holds column k mod 98 of
    // the 8-row page k div 98, bit 0 being the page's top row.
    void loadScreenReply(std::span<const std::uint8_t, ReplySize> reply);

    std::uint8_t cell(int x, int y) const { return m_cells[index(x, y)]; }
    const std::array<std::uint8_t, Width * Height>& cells() const { return m_cells; }

private:
    static constexpr int index(int x, int y) { return x * Height + y; }

    std::array<std::uint8_t, Width * Height> m_cells{};
};
