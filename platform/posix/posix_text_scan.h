// SPDX-License-Identifier: MIT
// Searches over Text eight units at a time. The listing looks for the last
// separator of every path it writes or asks about, and compares every line's
// folder with the one before; a unit at a time that was a tenth of its work.
#pragma once

#include <cstddef>

#include "platform/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace malvorn::posix {

// Where the last `unit` in the text is, or TextView::npos.
inline std::size_t lastIndexOf(TextView text, char16_t unit) {
#if defined(__SSE2__)
    std::size_t n = text.size();
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
    for (; n >= 8; n -= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + n - 8));
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted)));
        // Two mask bits a unit; the highest set bit is the last unit found.
        if (hits != 0) return n - 8 + static_cast<std::size_t>(31 - __builtin_clz(hits)) / 2;
    }
    while (n > 0)
        if (text[--n] == unit) return n;
    return TextView::npos;
#else
    return text.rfind(unit);
#endif
}

// How many of the first `n` units of `a` and `b` are the same before the
// first that differs.
inline std::size_t sharedUnits(const char16_t* a, const char16_t* b, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(x, y)));
        if (same != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(~same)) / 2;
    }
#endif
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

}  // namespace malvorn::posix
