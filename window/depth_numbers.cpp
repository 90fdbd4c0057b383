// SPDX-License-Identifier: MIT
#include "window/depth_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace malvorn {

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0x3000; }

}  // namespace

double LeadingNumber(TextView text, bool* found) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    std::string ascii;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    bool digits = false;
    // The decimal magnitude of the digits before the exponent: the power of
    // ten of the first non-zero digit (when there is one).
    bool nonZero = false;
    long long magnitude = 0;
    long long place = -1;  // power of ten of the digit being read, less one
    while (i < n && isDigit(text[i])) {
        const char16_t c = text[i++];
        ascii.push_back(static_cast<char>(c));
        digits = true;
        if (nonZero) ++magnitude;
        if (c != u'0' && !nonZero) {
            nonZero = true;
            magnitude = 0;
        }
    }
    if (i < n && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < n && isDigit(text[i])) {
            const char16_t c = text[i++];
            ascii.push_back(static_cast<char>(c));
            digits = true;
            if (!nonZero && c != u'0') {
                nonZero = true;
                magnitude = place;
            }
            --place;
        }
    }
    if (found) *found = digits;
    if (!digits) return 0.0;
    long long exponentValue = 0;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        bool exponentNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            exponentNegative = text[j] == u'-';
            exponent.push_back(static_cast<char>(text[j++]));
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                // Held far beyond any double's range, where the direction
                // is all that still matters.
                if (exponentValue < 1'000'000'000) exponentValue = exponentValue * 10 + (text[j] - u'0');
                exponent.push_back(static_cast<char>(text[j++]));
            }
            ascii += exponent;
            if (exponentNegative) exponentValue = -exponentValue;
        }
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double. Which one is told by the
        // digits and the exponent together: "0.000…1" is tiny however many
        // digits it has, and "1000…0e-10" huge.
        value = (nonZero && magnitude + exponentValue > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::int32_t RoundToInt32(double value) {
    const double r = std::nearbyint(value);  // the default mode rounds halves to even
    if (!(r >= -2147483648.0)) return std::numeric_limits<std::int32_t>::min();
    if (r > 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

Text SteppedText(double value) {
    // An infinite value (a leading number beyond a double's range, stepped)
    // is written as the digits of the first power of ten past that range,
    // which reads back as the same infinity; "inf" would read back as 0.
    if (std::isinf(value)) return Text(value < 0 ? u"-1" : u"1") + Text(309, u'0');
    if (std::isnan(value)) return u"0";
    // Room for the digits of the largest double.
    char buf[400];
    std::to_chars_result res{};
    if (value == std::floor(value)) {
        // Integral: plain digits, however large.
        res = std::to_chars(buf, buf + sizeof buf, value == 0 ? 0.0 : value, std::chars_format::fixed);
    } else {
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    }
    return Text(buf, res.ptr);
}

}  // namespace malvorn
