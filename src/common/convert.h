// Number conversions with the toolkit's rules: whole numbers from text accept surrounding blanks, a
// sign and a fraction, and round halves to the even neighbour; what does not convert, or does not
// fit, gives nothing, so that callers choose their own fallback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnolux {

// Every conversion here reads and writes numbers the same whatever the locale.

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double v);

// The number a text holds ("12", " 12 ", "-3", "12.5"); nothing for empty text, letters or junk.
std::optional<double> ParseNumber(std::string_view text);

// Text to a whole number of the 32-bit range, rounding halves to even; nothing when it does not
// convert or does not fit.
std::optional<std::int32_t> ToInt32(std::string_view text);

// Text to a whole number in 64 bits, rounding halves to even; a number beyond that range gives the
// nearest end of it. Nothing when it does not convert.
std::optional<std::int64_t> ToInt64Clamped(std::string_view text);

// Text to a whole number, or `fallback` when it does not convert.
std::int32_t ToInt32Or(std::string_view text, std::int32_t fallback);

// A number as plain decimal text.
std::string Dec(std::int64_t v);

// "###0.00": at least one integer digit, exactly two decimals, no grouping.
std::string FormatFixed2(double v);

// Number of characters (code points) of a UTF-8 text, and its first n characters.
std::size_t Utf8Length(std::string_view text);
std::string Utf8Left(std::string_view text, std::size_t n);
std::string LowerCase(std::string_view text);  // ASCII and Latin-1 letters of UTF-8 text

}  // namespace tarnolux
