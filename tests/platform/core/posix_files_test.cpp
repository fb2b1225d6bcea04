#include "platform/posix_files.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "fakes/temp_dir.hpp"

namespace ywf {
namespace {

using fakes::TempDir;

ByteView view(const std::string& s) {
    return ByteView(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

TEST(PosixFiles, ReadsWholeFilesAndEmptyOnes) {
    TempDir dir;
    PosixFileService files;
    std::string content(100000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31);
    ReadResult r = files.readWholeFile(dir.write("a.bin", content));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.bytes.data()), r.bytes.size()), content);
    ReadResult e = files.readWholeFile(dir.write("empty", ""));
    EXPECT_TRUE(e.ok());
    EXPECT_TRUE(e.bytes.empty());
}

TEST(PosixFiles, ReadFailures) {
    TempDir dir;
    PosixFileService files;
    EXPECT_EQ(files.readWholeFile("").error, ReadError::cannotRead);
    EXPECT_EQ(files.readWholeFile(dir.path("missing")).error, ReadError::cannotRead);
    EXPECT_EQ(files.readWholeFile(dir.folder()).error, ReadError::cannotRead);  // a folder
    // A FIFO with no writer: refused at once instead of blocking the open.
    const std::string fifo = dir.path("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(files.readWholeFile(fifo).error, ReadError::cannotRead);
}

TEST(PosixFiles, RefusesFilesOfTwoGibibytesOrMore) {
    TempDir dir;
    const std::string path = dir.path("huge.mp3");
    ASSERT_EQ(::truncate(dir.write("huge.mp3", "").c_str(), 0x80000000LL), 0);  // sparse
    PosixFileService files;
    EXPECT_EQ(files.readWholeFile(path).error, ReadError::tooLarge);
}

TEST(PosixFiles, WritesCreateAndReplaceWithoutLeavingTemporaries) {
    TempDir dir;
    PosixFileService files;
    const std::string path = dir.path("out.txt");
    ASSERT_TRUE(files.writeWholeFile(path, view("first")));
    ASSERT_TRUE(files.writeWholeFile(path, view("2nd")));
    EXPECT_EQ(TempDir::read(path), "2nd");
    ASSERT_TRUE(files.writeWholeFile(dir.path("empty"), ByteView{}));
    EXPECT_EQ(TempDir::read(dir.path("empty")), "");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"empty", "out.txt"}));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// Each failure is reported, keeps an existing target's content and leaves no temporary
// file behind. Permissions alone do not make a write fail for root, so none of these
// cases relies on them.
TEST(PosixFiles, FailedWritesAreReportedAndHarmless) {
    TempDir dir;
    PosixFileService files;
    dir.write("afile", "I am a file");
    const std::string longName(300, 'n');
    const std::vector<std::string> targets = {
        dir.path("missing/out.txt"),  // a missing folder
        dir.path("afile/out.txt"),    // a path component that is a file
        dir.path(longName),           // a name that is too long
        dir.folder(),                 // a folder, not a file name
    };
    for (const std::string& target : targets) {
        EXPECT_FALSE(files.writeWholeFile(target, view("data"))) << target;
    }
    ::mkdir(dir.path("sub").c_str(), 0755);
    EXPECT_FALSE(files.writeWholeFile(dir.path("sub"), view("data")));  // an existing folder
    EXPECT_EQ(TempDir::read(dir.path("afile")), "I am a file");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"afile", "sub"}));
}

TEST(PosixFiles, AWriteCutShortByAFileSizeLimitKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.write("target.bin", "old content");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit limit {
            4096, 4096
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        PosixFileService files;
        const std::string big(100000, 'x');
        const bool ok = files.writeWholeFile(path, view(big));
        ::_exit(ok ? 1 : 0);  // 0: the failure was reported
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(TempDir::read(path), "old content");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"target.bin"}));
}

}  // namespace
}  // namespace ywf
