#include "split/procedures.hpp"

#include <gtest/gtest.h>

#include "fakes/fakes.hpp"
#include "fakes/temp_dir.hpp"

namespace ywf {
namespace {

using fakes::FakeClock;
using fakes::FakeFiles;
using fakes::TempDir;

class Procedures : public ::testing::Test {
  protected:
    void load(const std::string& bytes, const std::string& name = "a.mp3") {
        state.sourceBytes = ByteArray::fromText(bytes);
        state.outputFolder = dir.folder();
        state.sourceName = name;
    }
    std::string out(const std::string& prefix, const std::string& name = "a.mp3") {
        return TempDir::read(dir.path(prefix + name));
    }
    void equalParts(std::int32_t n) {
        state.workSlots[splitCount] = n;
        state.workSlots[partSize] = static_cast<std::int32_t>(state.sourceBytes.size() / n);
        ASSERT_EQ(splitEqualParts(state, files), std::nullopt);
    }

    TempDir dir;
    ToolState state;
    FakeFiles files;
    FakeClock clock;
};

TEST_F(Procedures, OutputPathIsAPlainJoin) {
    load("", "歌.mp3");
    EXPECT_EQ(outputPathFor(state, "12"), dir.folder() + "12歌.mp3");
}

TEST_F(Procedures, EqualPartsWithRemainderInTheLast) {
    load("0123456789");
    equalParts(3);
    EXPECT_EQ(out("1"), "012");
    EXPECT_EQ(out("2"), "345");
    EXPECT_EQ(out("3"), "6789");
    EXPECT_EQ(state.workSlots[partIndex], 3);
    EXPECT_EQ(dir.names().size(), 3u);
}

TEST_F(Procedures, EqualPartsEdges) {
    struct Case {
        std::string content;
        std::int32_t parts;
        std::vector<std::string> expected;  // by part number
    };
    const std::vector<Case> cases = {
        {"abc", 5, {"", "", "", "", "abc"}},  // more parts than bytes
        {"abcdef", 1, {"abcdef"}},
        {"", 3, {"", "", ""}},
        {"abcdef", 2, {"abc", "def"}},
    };
    for (const Case& c : cases) {
        TempDir d;
        ToolState s;
        s.sourceBytes = ByteArray::fromText(c.content);
        s.outputFolder = d.folder();
        s.sourceName = "f.txt";
        s.workSlots[splitCount] = c.parts;
        s.workSlots[partSize] = static_cast<std::int32_t>(c.content.size() / c.parts);
        ASSERT_EQ(splitEqualParts(s, files), std::nullopt);
        ASSERT_EQ(d.names().size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(TempDir::read(d.path(std::to_string(i + 1) + "f.txt")), c.expected[i])
                << c.content << " part " << i + 1;
        }
    }
}

TEST_F(Procedures, TwoDigitPartNumbersAndRejoining) {
    std::string content;
    for (int i = 0; i < 1000; ++i) content.push_back(static_cast<char>(i * 7));
    load(content);
    equalParts(12);
    EXPECT_TRUE(TempDir::exists(dir.path("12a.mp3")));
    std::string joined;
    for (int i = 1; i <= 12; ++i) joined += out(std::to_string(i));
    EXPECT_EQ(joined, content);
    EXPECT_EQ(out("12").size(), 1000u - 83 * 11);
}

TEST_F(Procedures, NoPartsForACountBelowOne) {
    load("abc");
    state.workSlots[splitCount] = 0;
    EXPECT_EQ(splitEqualParts(state, files), std::nullopt);
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(Procedures, TextSplitCases) {
    struct Case {
        std::string content;
        std::int32_t at;
        std::string first, second;
    };
    const std::vector<Case> cases = {
        {"hello world", 5, "hello", " world"},
        {"abcde", 5, "abcde", ""},  // at the length
        {"A\xD6\xD0"
         "B",
         2, "A\xD6",
         "\xD0"
         "B"},  // through a two-byte character
        {"A中B", 2, "A\xE4",
         "\xB8\xAD"
         "B"},                                    // through a UTF-8 character
        {std::string("ab\0cd", 5), 1, "a", "b"},  // only the text before the zero byte
        {std::string("\0xyz", 4), 1, "", ""},
    };
    for (const Case& c : cases) {
        TempDir d;
        ToolState s;
        s.sourceBytes = ByteArray::fromText(c.content);
        s.outputFolder = d.folder();
        s.sourceName = "t.txt";
        s.workSlots[splitCount] = c.at;
        ASSERT_EQ(splitTextInTwo(s, files), std::nullopt);
        EXPECT_EQ(TempDir::read(d.path("1t.txt")), c.first);
        EXPECT_EQ(TempDir::read(d.path("2t.txt")), c.second);
    }
}

TEST_F(Procedures, Mp3SegmentForEachRowOfTheMarks) {
    const std::string content = "0123456789";  // L = 10
    struct Case {
        std::int32_t start, end;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {3, 7, "2345"},  // [start-1, end-1)
        {1, 10, "012345678"},
        {1, 50, "0123456789"},  // end clipped to L
        {0, 4, "0123"},         // [0, end)
        {0, 10, "0123456789"},  // the whole file
        {0, 0, ""},
        {1, 1, ""},
        {7, 3, ""},  // end before start
        {11, 20, ""},
        {5, 5, ""},
    };
    for (const Case& c : cases) {
        TempDir d;
        ToolState s;
        s.sourceBytes = ByteArray::fromText(content);
        s.outputFolder = d.folder();
        s.sourceName = "a.mp3";
        s.workSlots[markStart] = c.start;
        s.workSlots[markEnd] = c.end;
        clock.second = 7;
        ASSERT_EQ(cutMp3Segment(s, files, clock), std::nullopt);
        EXPECT_EQ(TempDir::read(d.path("7a.mp3")), c.expected) << c.start << ".." << c.end;
        EXPECT_EQ(bytesToText(s.sourceBytes.view()), c.expected);  // now holds the segment
        EXPECT_EQ(s.workSlots[markStart], c.start);
    }
}

TEST_F(Procedures, Mp3SegmentNamedBySecondZero) {
    load("abc");
    clock.second = 0;
    ASSERT_EQ(cutMp3Segment(state, files, clock), std::nullopt);
    EXPECT_TRUE(TempDir::exists(dir.path("0a.mp3")));
}

TEST_F(Procedures, AFailedWriteIsReportedAndKeepsEverythingWhole) {
    load("0123456789");
    dir.write("2a.mp3", "old");
    files.failWritesFrom = 2;
    state.workSlots[splitCount] = 3;
    state.workSlots[partSize] = 3;
    EXPECT_EQ(splitEqualParts(state, files), dir.path("2a.mp3"));
    EXPECT_EQ(out("2"), "old");
    EXPECT_FALSE(TempDir::exists(dir.path("3a.mp3")));  // it stops at the first failure

    files.failWritesFrom = 1;
    files.writes.clear();
    state.workSlots[splitCount] = 4;
    EXPECT_EQ(splitTextInTwo(state, files), dir.path("1a.mp3"));

    state.workSlots[markStart] = 2;
    state.workSlots[markEnd] = 5;
    clock.second = 9;
    files.writes.clear();
    EXPECT_EQ(cutMp3Segment(state, files, clock), dir.path("9a.mp3"));
    EXPECT_EQ(bytesToText(state.sourceBytes.view()), "0123456789");  // still whole
}

}  // namespace
}  // namespace ywf
