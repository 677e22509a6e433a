// SPDX-License-Identifier: MIT
#pragma once

// The search for names that contain a text, over the prepared names of a
// footprint index: many names a step, with SSE2 or, where the processor has
// it, AVX2. The index's own; not installed.

#include <QtGlobal>

#include <cstddef>
#include <string_view>

namespace physprops::core::scan
{
// The prepared names as the index keeps them.
struct CNames
{
    const char* pBase;
    const std::size_t* pOffsets; // entry i spans [pOffsets[i], pOffsets[i + 1] - 1)
    const quint8* pSides;        // an entry of side 0 (no entry) is never hit
};

// Writes the entries of [nFirst, nLast) whose names contain text (not empty,
// without a zero byte), in list order, at pOut; returns their count.
std::size_t SelectContaining(const CNames& names, std::string_view text, std::size_t nFirst,
                             std::size_t nLast, quint32* pOut);
} // namespace physprops::core::scan
