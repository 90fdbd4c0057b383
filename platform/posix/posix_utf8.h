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
//
// Names are short and mix ASCII with other scripts ("file_0003_文件.txt"):
// eight units are looked at together, their leading ASCII ones written in
// one store, and the run of other units after them one by one, before the
// next eight.
inline char* encodeUtf8(TextView text, char* out) {
    const char16_t* p = text.data();
    const char16_t* const e = p + text.size();
    // One unit that is not ASCII; false for a surrogate.
    auto other = [&out](char16_t c) {
        if (c < 0x800) {
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            out += 2;
        } else if (c < 0xD800 || c > 0xDFFF) {
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            out += 3;
        } else {
            return false;
        }
        return true;
    };
#if defined(__SSE2__)
    while (e - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
        const unsigned ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())));
        // All eight are stored; only the ASCII ones are kept. The room for
        // the whole text leaves space for the other bytes.
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        if (ascii == 0xFFFF) {
            out += 8;
            p += 8;
            continue;
        }
        // Two mask bits a unit: the count of leading ASCII units.
        const int lead = __builtin_ctz(~ascii) / 2;
        out += lead;
        p += lead;
        do {
            if (!other(*p)) return nullptr;
        } while (++p < e && *p >= 0x80);
    }
#else
    // Four ASCII units at a time.
    while (e - p >= 4) {
        std::uint64_t four;
        std::memcpy(&four, p, sizeof four);
        if ((four & 0xFF80FF80FF80FF80ULL) != 0) break;
        for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(p[k]);
        out += 4;
        p += 4;
    }
#endif
    while (p < e) {
        const char16_t c = *p++;
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (!other(c)) {
            return nullptr;
        }
    }
    return out;
}

// Writes toUtf8(text) at `out`, which has room for maxUtf8Bytes(text.size())
// bytes, and returns the end of what it wrote: the encoder above, or
// toUtf8 itself for text holding a surrogate.
inline char* writeUtf8(TextView text, char* out) {
    if (char* end = encodeUtf8(text, out)) return end;
    const std::string bytes = toUtf8(text);  // never longer than the room
    std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}

}  // namespace malvorn::posix
