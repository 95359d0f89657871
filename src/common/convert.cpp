#include "common/convert.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tarnolux {

double RoundHalfEven(double v) { return std::nearbyint(v); }  // the default rounding mode: to even

// Locale-free throughout: a desktop whose locale writes "12,5" still reads and writes "12.5".
std::optional<double> ParseNumber(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    if (b == e) return std::nullopt;
    std::string_view s = text.substr(b, e - b);
    // Only plain decimals: no hexadecimal, no infinities, no "nan".
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E')) return std::nullopt;
    if (s.front() == '+') {
        s.remove_prefix(1);
        if (s.empty() || s.front() == '-' || s.front() == '+') return std::nullopt;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int64_t> ToInt64Clamped(std::string_view text) {
    const auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    const double r = RoundHalfEven(*v);
    // 2^63 is exactly representable; anything at or beyond it is the largest value.
    if (r >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

std::optional<std::int32_t> ToInt32(std::string_view text) {
    auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    const double r = RoundHalfEven(*v);
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::int32_t ToInt32Or(std::string_view text, std::int32_t fallback) { return ToInt32(text).value_or(fallback); }

std::string Dec(std::int64_t v) { return std::to_string(v); }

std::string FormatFixed2(double v) {
    char buf[400];  // room for the largest double in fixed notation
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    if (ec != std::errc()) return "0.00";
    return std::string(buf, end);
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string Utf8Left(std::string_view text, std::size_t n) {
    std::size_t count = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n) break;
            ++count;
        }
    }
    return std::string(text.substr(0, i));
}

std::string LowerCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size()) {
            // U+00C0..U+00DE (but not U+00D7) lower by 0x20 in their second byte.
            unsigned char d = static_cast<unsigned char>(text[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97) d = static_cast<unsigned char>(d + 0x20);
            out += static_cast<char>(c);
            out += static_cast<char>(d);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace tarnolux
