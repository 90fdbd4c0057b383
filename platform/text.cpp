// SPDX-License-Identifier: MIT
#include "platform/text.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace malvorn {

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

// Both conversions write through a pointer into a result sized for the worst
// case and trimmed afterwards: they run for every name and every line of a
// listing, and appending a unit at a time costs a capacity check each.

namespace {

// Decodes the sequence at p (whose lead byte is not ASCII) strictly (no
// overlong forms, no surrogates, nothing above U+10FFFF); on any fault it
// escapes the lead byte alone and goes on with the next, the way
// surrogateescape does. Returns where the next sequence starts.
const unsigned char* decodeSequence(const unsigned char* p, const unsigned char* e, char16_t*& o) {
    const unsigned char b0 = *p;
    // The usual case first: three bytes whose lead allows any continuation
    // (not E0, whose next byte must rule out overlong forms, nor ED, whose
    // next byte must rule out surrogates).
    if (b0 >= 0xE1 && b0 <= 0xEF && b0 != 0xED && e - p >= 3 && isContinuation(p[1]) && isContinuation(p[2])) {
        *o++ = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        return p + 3;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    }
    bool ok = len > 0 && e - p >= len;
    for (int k = 1; ok && k < len; ++k) {
        const unsigned char b = p[k];
        if (!isContinuation(b))
            ok = false;
        else
            cp = (cp << 6) | (b & 0x3F);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
        *o++ = static_cast<char16_t>(0xDC00 + b0);  // an escaped byte
        return p + 1;
    }
    if (cp < 0x10000) {
        *o++ = static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    return p + len;
}

}  // namespace

void fromUtf8Into(std::string_view in, Text& out) {
    // Every byte gives at most one code unit (four bytes give two).
    out.resize(in.size());
    char16_t* const begin = out.data();
    char16_t* o = begin;
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const unsigned char* const e = p + in.size();
#if defined(__SSE2__)
    // Sixteen bytes at a time: their leading ASCII ones are widened in two
    // stores, then the run of other sequences after them is decoded. All
    // sixteen units are stored; there is room, since no byte before them
    // gave more than one unit.
    const __m128i zero = _mm_setzero_si128();
    while (e - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes, zero));
        const unsigned other = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (other == 0) {
            o += 16;
            p += 16;
            continue;
        }
        const int lead = __builtin_ctz(other);
        o += lead;
        p += lead;
        do p = decodeSequence(p, e, o);
        while (p < e && *p >= 0x80);
    }
#endif
    while (p < e) {
        if (*p < 0x80) {
            *o++ = *p++;
        } else {
            p = decodeSequence(p, e, o);
        }
    }
    out.resize(static_cast<std::size_t>(o - begin));
}

Text fromUtf8(std::string_view in) {
    Text out;
    fromUtf8Into(in, out);
    return out;
}

std::string toUtf8(TextView in) {
    // A code unit gives at most three bytes (a surrogate pair four for two).
    std::string out(in.size() * 3, '\0');
    char* o = out.data();
    const char16_t* p = in.data();
    const char16_t* const e = p + in.size();
    while (p < e) {
        char32_t cp = *p++;
        if (cp < 0x80) {
            *o++ = static_cast<char>(cp);
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && p < e && *p >= 0xDC00 && *p <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*p++ - 0xDC00);
        } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
            *o++ = static_cast<char>(cp - 0xDC00);  // an escaped byte
            continue;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = Replacement;
        }
        if (cp < 0x800) {
            *o++ = static_cast<char>(0xC0 | (cp >> 6));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (cp >> 12));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (cp >> 18));
            *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

Text forDisplay(TextView in) {
    Text out(in);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char16_t c = out[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out[i] = Replacement;
        }
    }
    return out;
}

Text decimal(long long value) {
    const std::string s = std::to_string(value);
    return Text(s.begin(), s.end());
}

}  // namespace malvorn
