// SPDX-License-Identifier: MIT
// Text to UTF-8 straight into a caller's buffer: the listing converts every
// name and every line, and a fresh string for each costs more than the
// conversion itself. Text without surrogates (nearly all of it) is encoded
// here; text with one is left to toUtf8, whose rules for escaped bytes and
// lone surrogates then apply unchanged.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace malvorn::posix {

// The most bytes a text of `units` code units can take.
constexpr std::size_t maxUtf8Bytes(std::size_t units) { return units * 3; }

// Writes the text at `out`, which has room for maxUtf8Bytes(text.size())
// bytes, and returns the end of what it wrote; or nullptr, having written
// nothing that counts, when the text holds a surrogate.
inline char* encodeUtf8(TextView text, char* out) {
    const char16_t* p = text.data();
    const char16_t* const e = p + text.size();
    while (p < e) {
#if defined(__SSE2__)
        // Eight units at a time while they are ASCII: the leading ASCII ones
        // of each eight are written in one store, the rest one by one.
        if (e - p >= 16) {
            // Sixteen at once when all are ASCII.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
            const __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(a, b));
                out += 16;
                p += 16;
                continue;
            }
        }
        if (e - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
            const unsigned ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())));
            // Two mask bits a unit; the count of leading ASCII units.
            const int lead = ascii == 0xFFFF ? 8 : __builtin_ctz(~ascii) / 2;
            if (lead > 0) {
                // All eight are stored; only the ASCII ones are kept. The
                // room for the whole text leaves space for the other bytes.
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
                out += lead;
                p += lead;
                continue;
            }
        }
#else
        // Four ASCII units at a time.
        if (e - p >= 4) {
            std::uint64_t four;
            std::memcpy(&four, p, sizeof four);
            if ((four & 0xFF80FF80FF80FF80ULL) == 0) {
                out[0] = static_cast<char>(p[0]);
                out[1] = static_cast<char>(p[1]);
                out[2] = static_cast<char>(p[2]);
                out[3] = static_cast<char>(p[3]);
                out += 4;
                p += 4;
                continue;
            }
        }
#endif
        const char16_t c = *p++;
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0xD800 || c > 0xDFFF) {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            return nullptr;
        }
    }
    return out;
}

// Appends the text to `out` as UTF-8; the same bytes as toUtf8 gives.
inline void appendUtf8(TextView text, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + maxUtf8Bytes(text.size()));
    if (char* end = encodeUtf8(text, out.data() + start)) {
        out.resize(static_cast<std::size_t>(end - out.data()));
    } else {
        out.resize(start);
        out += toUtf8(text);
    }
}

}  // namespace malvorn::posix
