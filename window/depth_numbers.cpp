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
    while (i < n && isDigit(text[i])) {
        ascii.push_back(static_cast<char>(text[i++]));
        digits = true;
    }
    if (i < n && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < n && isDigit(text[i])) {
            ascii.push_back(static_cast<char>(text[i++]));
            digits = true;
        }
    }
    if (found) *found = digits;
    if (!digits) return 0.0;
    bool positiveExponent = true;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            positiveExponent = text[j] == u'+';
            exponent.push_back(static_cast<char>(text[j++]));
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) exponent.push_back(static_cast<char>(text[j++]));
            ascii += exponent;
        }
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinity or zero.
        const bool nonZero = ascii.find_first_of("123456789") < ascii.find_first_of("eE");
        value = (nonZero && positiveExponent) ? std::numeric_limits<double>::infinity() : 0.0;
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
    char buf[64];
    std::to_chars_result res{};
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        const long long whole = static_cast<long long>(value);
        res = std::to_chars(buf, buf + sizeof buf, whole);
    } else {
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    }
    return Text(buf, res.ptr);
}

}  // namespace malvorn
