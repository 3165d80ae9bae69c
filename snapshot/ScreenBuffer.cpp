#include "snapshot/ScreenBuffer.h"

void ScreenBuffer::clear()
{
    m_cells.fill(0);
    for (int x = 0; x < Width; ++x) {
        m_cells[index(x, 0)] = 1;
        m_cells[index(x, Height - 1)] = 1;
    }
    for (int y = 0; y < Height; ++y) {
        m_cells[index(0, y)] = 1;
        m_cells[index(Width - 1, y)] = 1;
    }
}

void ScreenBuffer::loadScreenReply(std::span<const std::uint8_t, ReplySize> reply)
{
    for (int k = 0; k < ReplySize; ++k) {
        const int x = k % ScreenWidth + 2;
        const int top = 8 * (k / ScreenWidth) + 2;
        for (int b = 0; b < 8; ++b)
            m_cells[index(x, top + b)] = (reply[k] >> b) & 1;
    }
}
