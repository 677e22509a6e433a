// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// Bytes of the UTF-8 character that starts at pText[i] (i < nLen): a lead
// byte and the continuation bytes that follow it, never past nLen. A byte
// that starts no sequence, or a sequence cut short, counts what is there,
// so a walk over any bytes always moves on.
inline std::size_t Utf8CharLen(const char* pText, std::size_t i, std::size_t nLen)
{
    const auto c = static_cast<unsigned char>(pText[i]);
    std::size_t nWant = 1;
    if (c >= 0xF0 && c <= 0xF7)
        nWant = 4;
    else if (c >= 0xE0 && c < 0xF0)
        nWant = 3;
    else if (c >= 0xC0 && c < 0xE0)
        nWant = 2;
    std::size_t nCharLen = 1;
    while (nCharLen < nWant && i + nCharLen < nLen &&
           (static_cast<unsigned char>(pText[i + nCharLen]) & 0xC0) == 0x80)
        ++nCharLen;
    return nCharLen;
}
