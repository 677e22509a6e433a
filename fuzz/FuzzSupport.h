// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// A broken expectation is a finding like a crash: say what and stop, so the
// fuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                           \
    do                                                                                             \
    {                                                                                              \
        if (!(cond))                                                                               \
        {                                                                                          \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz
{
// Bytes of the character at s[i] as the matcher counts them: a lead byte and
// the continuation bytes that follow it; anything else is one byte.
inline std::size_t CharLen(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t nWant = 1;
    if (c >= 0xF0 && c <= 0xF7)
        nWant = 4;
    else if (c >= 0xE0 && c < 0xF0)
        nWant = 3;
    else if (c >= 0xC0 && c < 0xE0)
        nWant = 2;
    std::size_t nLen = 1;
    while (nLen < nWant && i + nLen < s.size() &&
           (static_cast<unsigned char>(s[i + nLen]) & 0xC0) == 0x80)
        ++nLen;
    return nLen;
}

// The wildcard rules written down directly ('*' any run of characters, '?'
// one character, anything else itself), solved by a table over
// (name position, pattern position) instead of a clever walk.
inline bool WildcardMatches(std::string_view pattern, std::string_view name)
{
    const std::size_t n = name.size();
    const std::size_t m = pattern.size();
    // ok[i * (m + 1) + j]: name from i matches pattern from j. One table
    // kept for the process: the filter target asks thousands of times per input.
    static thread_local std::vector<std::uint8_t> ok;
    ok.assign((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint8_t&
    { return ok[i * (m + 1) + j]; };
    at(n, m) = 1;
    for (std::size_t i = n + 1; i-- > 0;)
    {
        const std::size_t nNext = i < n ? i + CharLen(name, i) : n; // past the character at i
        for (std::size_t j = m; j-- > 0;)
        {
            const char p = pattern[j];
            if (p == '*')
                at(i, j) = at(i, j + 1) || (i < n && at(nNext, j));
            else if (i == n)
                at(i, j) = 0;
            else if (p == '?')
                at(i, j) = at(nNext, j + 1);
            else
                at(i, j) = p == name[i] && at(i + 1, j + 1);
        }
    }
    return at(0, 0) != 0;
}
} // namespace fuzz
