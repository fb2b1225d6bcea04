#include "app/rules.hpp"

#include <charconv>
#include <cmath>

namespace ywf {
namespace {

std::string_view untilZero(std::string_view text) {
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// Length of the UTF-8 sequence that starts with `lead`; a stray or invalid byte counts
// as a character of its own, so the scan always moves on.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF8) return 4;
    return 1;
}

// Decodes the code point at `i` when it is a well-formed 3-byte sequence, else 0.
char32_t threeByteCodePoint(std::string_view s, std::size_t i) {
    if (i + 2 >= s.size()) return 0;
    const auto b0 = static_cast<unsigned char>(s[i]);
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    const auto b2 = static_cast<unsigned char>(s[i + 2]);
    if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return 0;
    return (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | char32_t(b2 & 0x3F);
}

// Full-width forms of the printable ASCII characters become those characters.
std::string foldFullWidth(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char32_t cp = threeByteCodePoint(s, i);
        char folded = 0;
        if (cp >= 0xFF01 && cp <= 0xFF5E) {
            folded = static_cast<char>(cp - 0xFF01 + 0x21);
        } else if (cp == 0xFFE5) {
            folded = '$';
        } else if (cp == 0xFFE3) {
            folded = '~';
        } else if (cp == 0x3000) {
            folded = ' ';
        } else if (cp == 0x2605 || cp == 0x2606) {
            folded = '*';
        }
        if (folded != 0) {
            out.push_back(folded);
            i += 3;
        } else {
            out.push_back(s[i]);
            ++i;
        }
    }
    return out;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Decimal order of magnitude of a canonical number text ("-12.5e300" gives 301), used
// only to tell overflow from underflow.
long long decimalOrder(const std::string& canonical) {
    const auto e = canonical.find('e');
    const std::string mantissa = canonical.substr(0, e);
    long long exponent = 0;
    if (e != std::string::npos) {
        const std::string digits = canonical.substr(e + 1);
        const bool negative = !digits.empty() && digits[0] == '-';
        for (char c : digits) {
            if (isDigit(c) && exponent < 1000000000LL) exponent = exponent * 10 + (c - '0');
        }
        if (negative) exponent = -exponent;
    }
    long long order = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    long long integerDigits = 0;
    for (char c : mantissa) {
        if (c == '.') {
            seenPoint = true;
        } else if (isDigit(c)) {
            if (!seenNonZero && c != '0') {
                seenNonZero = true;
                order = seenPoint ? -1 : 0;
            } else if (!seenNonZero && seenPoint) {
                --order;
            }
            if (seenNonZero && !seenPoint) ++integerDigits;
        }
    }
    if (integerDigits > 0) order = integerDigits;
    return order + exponent;
}

}  // namespace

std::int32_t textLength(std::string_view text) {
    return static_cast<std::int32_t>(untilZero(text).size());
}

bool textEquals(std::string_view a, std::string_view b) {
    return untilZero(a) == untilZero(b);
}

Text textHead(std::string_view text, std::int32_t n) {
    text = untilZero(text);
    if (n <= 0) return {};
    return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text textTail(std::string_view text, std::int32_t n) {
    text = untilZero(text);
    if (n <= 0) return {};
    const auto count = static_cast<std::size_t>(n);
    if (count >= text.size()) return Text(text);
    return Text(text.substr(text.size() - count));
}

std::int32_t textFindLast(std::string_view text, std::string_view sought) {
    text = untilZero(text);
    sought = untilZero(sought);
    if (sought.empty()) return -1;
    std::int32_t found = -1;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, sought.size(), sought) == 0) found = static_cast<std::int32_t>(i + 1);
        i += sequenceLength(static_cast<unsigned char>(text[i]));
    }
    return found;
}

std::int32_t bytesLength(ByteView bytes) {
    return static_cast<std::int32_t>(bytes.size());
}

ByteView bytesMiddle(ByteView bytes, std::int64_t start, std::int64_t count) {
    const auto length = static_cast<std::int64_t>(bytes.size());
    std::int64_t s0 = start - 1;
    if (s0 < 0) s0 = 0;
    if (s0 > length) s0 = length;
    if (count < 0) count = 0;
    if (count > length - s0) count = length - s0;
    return bytes.subspan(static_cast<std::size_t>(s0), static_cast<std::size_t>(count));
}

ByteView bytesTail(ByteView bytes, std::int64_t count) {
    if (count < 0) return {};
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (count > length) return bytes;
    return bytes.subspan(static_cast<std::size_t>(length - count));
}

ByteView bytesToTextView(ByteView bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == 0) return bytes.first(i);
    }
    return bytes;
}

Text bytesToText(ByteView bytes) {
    const ByteView text = bytesToTextView(bytes);
    return Text(reinterpret_cast<const char*>(text.data()), text.size());
}

ByteView textToBytes(std::string_view text) {
    text = untilZero(text);
    return ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

Text decimalText(std::int64_t n) {
    return std::to_string(n);
}

double textToNumber(std::string_view input) {
    const std::string s = foldFullWidth(untilZero(input));
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;

    // Collect the longest prefix that fits the grammar
    //   [sign] digits [. digits] [(e|E|d|D) [sign] digits]
    // in a canonical form that std::from_chars reads without regard to the locale.
    std::string canonical;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') canonical.push_back('-');
        ++i;
    }
    bool anyDigit = false;
    while (i < s.size() && isDigit(s[i])) {
        canonical.push_back(s[i++]);
        anyDigit = true;
    }
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < s.size() && isDigit(s[j])) fraction.push_back(s[j++]);
        if (anyDigit || !fraction.empty()) {
            canonical += '.';
            canonical += fraction.empty() ? "0" : fraction;
            anyDigit = true;
            i = j;
        }
    }
    if (!anyDigit) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        bool expDigit = false;
        while (j < s.size() && isDigit(s[j])) {
            exponent.push_back(s[j++]);
            expDigit = true;
        }
        if (expDigit) canonical += exponent;
    }

    double value = 0.0;
    const auto [ptr, ec] =
        std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: an overflowing number reads as infinite and an
        // underflowing one as zero, each with its sign.
        const bool negative = canonical.front() == '-';
        const double magnitude = decimalOrder(canonical) > 0 ? HUGE_VAL : 0.0;
        return negative ? -magnitude : magnitude;
    }
    (void)ptr;
    return value;
}

std::int32_t toWholeNumber(double x) {
    if (!(x > -9223372036854775808.0 && x < 9223372036854775808.0)) return 0;
    const auto wide = static_cast<std::int64_t>(x);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

bool atLeast(double x, double bound) {
    return x - bound >= -1e-07;
}

}  // namespace ywf
