#pragma once

// The rules for texts, byte arrays and whole numbers that every handler follows.
// Texts are UTF-8 byte strings; lengths and positions count bytes and positions are
// 1-based. Every position and count is clipped, so no input reads outside a value.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/bytes.hpp"

namespace ywf {

using Text = std::string;

// Length in bytes before the first zero byte.
std::int32_t textLength(std::string_view text);
// Byte-for-byte, case-sensitive comparison (each side ends at its first zero byte).
bool textEquals(std::string_view a, std::string_view b);
// The first n bytes; n <= 0 gives the empty text, n above the length the whole text.
Text textHead(std::string_view text, std::int32_t n);
// The last n bytes; n <= 0 gives the empty text, n above the length the whole text.
Text textTail(std::string_view text, std::int32_t n);
// 1-based byte position of the last occurrence of `sought`, or -1. The text is scanned
// character by character: a byte inside a multi-byte UTF-8 sequence is never matched.
std::int32_t textFindLast(std::string_view text, std::string_view sought);

std::int32_t bytesLength(ByteView bytes);
// Bytes from 1-based `start` on, at most `count` of them; a view into `bytes`.
ByteView bytesMiddle(ByteView bytes, std::int64_t start, std::int64_t count);
// The last `count` bytes; a view into `bytes`.
ByteView bytesTail(ByteView bytes, std::int64_t count);
// The bytes before the first zero byte (a view: the text of a byte array).
ByteView bytesToTextView(ByteView bytes);
Text bytesToText(ByteView bytes);
ByteView textToBytes(std::string_view text);

// Decimal digits with a leading minus for negatives and no leading zeros.
Text decimalText(std::int64_t n);
// Reads a decimal real after folding full-width forms; see rules.cpp for the grammar.
double textToNumber(std::string_view text);

// The whole-number rule: truncate toward zero to 64 bits, keep the low 32 bits.
// Values beyond the 64-bit range (and NaN) give 0 instead of undefined behaviour.
std::int32_t toWholeNumber(double x);
// x >= bound with a tolerance of 1e-07 below the bound.
bool atLeast(double x, double bound);

}  // namespace ywf
