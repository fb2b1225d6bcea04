#include "app/rules.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/tool_state.hpp"

namespace ywf {
namespace {

std::vector<std::uint8_t> tenBytes() {
    return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
}

std::vector<std::uint8_t> asVector(ByteView v) {
    return {v.begin(), v.end()};
}

TEST(BytesMiddle, ClipsStartAndCount) {
    struct Case {
        std::int64_t start, count;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {1, 4, {1, 2, 3, 4}}, {0, 4, {1, 2, 3, 4}},  // a start below 1 counts as 1
        {-7, 2, {1, 2}},      {3, 2, {3, 4}},
        {8, 100, {8, 9, 10}},  // count clipped to what is left
        {1, -5, {}},           // negative count
        {11, 1, {}},           // start past the end
        {10, 1, {10}},        {5, 0, {}},
    };
    const auto bytes = tenBytes();
    for (const Case& c : cases) {
        EXPECT_EQ(asVector(bytesMiddle(bytes, c.start, c.count)), c.expected)
            << "start " << c.start << " count " << c.count;
    }
    EXPECT_TRUE(bytesMiddle(ByteView{}, 1, 5).empty());
}

TEST(BytesTail, ClipsCount) {
    const auto bytes = tenBytes();
    EXPECT_EQ(asVector(bytesTail(bytes, 15)), bytes);
    EXPECT_EQ(asVector(bytesTail(bytes, 10)), bytes);
    EXPECT_EQ(asVector(bytesTail(bytes, 2)), (std::vector<std::uint8_t>{9, 10}));
    EXPECT_TRUE(bytesTail(bytes, 0).empty());
    EXPECT_TRUE(bytesTail(bytes, -1).empty());
}

TEST(BytesToText, EndsAtFirstZero) {
    const std::vector<std::uint8_t> withZero = {'a', 'b', 0, 'c'};
    EXPECT_EQ(bytesToText(withZero), "ab");
    const std::vector<std::uint8_t> leadingZero = {0, 'a'};
    EXPECT_EQ(bytesToText(leadingZero), "");
    const std::vector<std::uint8_t> plain = {'x', 'y'};
    EXPECT_EQ(bytesToText(plain), "xy");
    EXPECT_EQ(bytesToText(ByteView{}), "");
    EXPECT_EQ(asVector(textToBytes("ab")), (std::vector<std::uint8_t>{'a', 'b'}));
}

TEST(TextHeadTail, ClipAtBothEnds) {
    EXPECT_EQ(textHead("abc", 0), "");
    EXPECT_EQ(textHead("abc", -1), "");
    EXPECT_EQ(textHead("abc", 2), "ab");
    EXPECT_EQ(textHead("abc", 5), "abc");
    EXPECT_EQ(textTail("abc", 0), "");
    EXPECT_EQ(textTail("abc", 5), "abc");
    EXPECT_EQ(textTail("abc", 1), "c");
    // A cut may fall inside a multi-byte character: bytes, not characters, are counted.
    EXPECT_EQ(textHead("A中B", 2), "A\xE4");
    EXPECT_EQ(textTail("A中B", 2),
              "\xAD"
              "B");
}

TEST(TextLengthAndEquals, CountBytesAndCompareExactly) {
    EXPECT_EQ(textLength(""), 0);
    EXPECT_EQ(textLength("中"), 3);
    EXPECT_EQ(textLength(std::string("ab\0cd", 5)), 2);
    EXPECT_TRUE(textEquals("mp3", "mp3"));
    EXPECT_FALSE(textEquals("mp3", "MP3"));
    EXPECT_TRUE(textEquals("", std::string()));
}

TEST(TextFindLast, StepsOverWholeCharacters) {
    struct Case {
        std::string text, sought;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"/a/b.mp3", "/", 3},
        {"a.b.mp3", ".", 4},
        {"noslash", "/", -1},
        {"", ".", -1},
        {"/音乐/歌.mp3", "/", 8},  // multi-byte characters right before the separator
        {"/音乐/歌.mp3", ".", 12},
        {"中.", ".", 4},
        {"ab", "", -1},
        {"xyxy", "xy", 3},
        // A continuation byte is never a match, even when the sought text is that byte.
        {"中", "\xAD", -1},
        {"a\xAD", "\xAD", 2},  // a stray continuation byte is a character of its own
    };
    for (const Case& c : cases) {
        EXPECT_EQ(textFindLast(c.text, c.sought), c.expected) << c.text << " / " << c.sought;
    }
}

TEST(DecimalText, NoPaddingAndSign) {
    EXPECT_EQ(decimalText(0), "0");
    EXPECT_EQ(decimalText(7), "7");
    EXPECT_EQ(decimalText(12), "12");
    EXPECT_EQ(decimalText(-45), "-45");
}

TEST(TextToNumber, ReadsTheLongestNumberPrefix) {
    struct Case {
        std::string text;
        double expected;
    };
    const std::vector<Case> cases = {
        {"  -3.5abc", -3.5}, {"１２", 12},  // full-width digits
        {"－３", -3},                       // full-width minus
        {"３abc", 3},        {"　7", 7},    // ideographic space
        {"abc", 0},          {"", 0},       {"1e3", 1000}, {"1d3", 1000},
        {"1D3", 1000},       {"2E-1", 0.2}, {"1e", 1},  // an exponent without digits is not read
        {"1e+", 1},          {"+4", 4},     {"-", 0},      {".5", 0.5},
        {"5.", 5},           {".", 0},      {"2.9", 2.9},  {"\t\n 8", 8},
        {"1,5", 1},          {"0x10", 0},   {"inf", 0},    {"1.99999995", 1.99999995},
        {"１．５", 1.5},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(textToNumber(c.text), c.expected) << "'" << c.text << "'";
    }
    EXPECT_TRUE(std::isinf(textToNumber("1e400")));
    EXPECT_GT(textToNumber("1e400"), 0);
    EXPECT_LT(textToNumber("-1e999999999999"), 0);
    EXPECT_EQ(textToNumber("1e-400"), 0.0);
    EXPECT_TRUE(std::isinf(textToNumber(std::string(400, '9'))));
    EXPECT_EQ(textToNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(WholeNumber, TruncatesAndKeepsLow32Bits) {
    EXPECT_EQ(toWholeNumber(2.9), 2);
    EXPECT_EQ(toWholeNumber(-2.9), -2);
    EXPECT_EQ(toWholeNumber(166.5), 166);
    EXPECT_EQ(toWholeNumber(2147483648.0), -2147483647 - 1);
    EXPECT_EQ(toWholeNumber(4294967296.0 + 5), 5);
    EXPECT_EQ(toWholeNumber(1e300), 0);
    EXPECT_EQ(toWholeNumber(NAN), 0);
    EXPECT_EQ(toWholeNumber(-INFINITY), 0);
}

TEST(RealComparison, ToleratesOneTenMillionthBelow) {
    EXPECT_TRUE(atLeast(2.0, 2.0));
    EXPECT_TRUE(atLeast(1.99999995, 2.0));
    EXPECT_TRUE(atLeast(1.99999991, 2.0));
    EXPECT_FALSE(atLeast(1.9999998, 2.0));
    EXPECT_FALSE(atLeast(1.5, 2.0));
}

TEST(ToolState, StartsEmptyAndClears) {
    ToolState state;
    EXPECT_FALSE(state.sourceLoaded());
    for (int s = 1; s <= 12; ++s) EXPECT_EQ(state.workSlots[static_cast<Slot>(s)], 0);
    EXPECT_FALSE(state.equalPartsToggle);
    state.sourcePath = "/x/a.txt";
    state.sourceBytes = ByteArray::fromText("");
    EXPECT_TRUE(state.sourceLoaded());  // an empty file still counts as loaded
    state.sourceBytes = ByteArray::fromText("abc");
    state.outputFolder = "/out/";
    state.workSlots[markStart] = 5;
    state.clearSource();
    EXPECT_FALSE(state.sourceLoaded());
    EXPECT_TRUE(state.sourceBytes.empty());
    EXPECT_EQ(state.outputFolder, "/out/");
    EXPECT_EQ(state.workSlots[markStart], 5);
    state.workSlots.store(partSize, 4294967296.0 + 9);
    EXPECT_EQ(state.workSlots[partSize], 9);
}

TEST(ByteArray, KeepRangeMovesInPlace) {
    ByteArray a = ByteArray::fromText("0123456789");
    a.keepRange(3, 4);
    EXPECT_EQ(bytesToText(a.view()), "3456");
    a.keepRange(0, 0);
    EXPECT_TRUE(a.empty());
}

}  // namespace
}  // namespace ywf
