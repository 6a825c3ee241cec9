#pragma once

#include <cstdint>
#include <cstring>

namespace tolvane::le {

inline int16_t readInt16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return int16_t(uint16_t(b[0] | (b[1] << 8)));
}

inline int32_t readInt32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
}

inline void writeInt16(char *p, int16_t value)
{
    const auto v = uint16_t(value);
    p[0] = char(v & 0xff);
    p[1] = char(v >> 8);
}

inline void writeInt32(char *p, int32_t value)
{
    const auto v = uint32_t(value);
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xff);
}

template<typename Array>
void readText(const char *p, Array &text) { std::memcpy(text.data(), p, text.size()); }

template<typename Array>
void writeText(char *p, const Array &text) { std::memcpy(p, text.data(), text.size()); }

} // namespace tolvane::le
