// Measures the split procedures against the practical limit, plain write() calls with
// fsync and rename into the same folder, and the whole path (read + split into 10)
// against `split -n 10` followed by `sync`.
//
//   split_bench [folder] [MiB]      (default: $TMPDIR or /tmp, 1024 MiB)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix_files.hpp"
#include "platform/system_clock.hpp"
#include "split/procedures.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using ywf::ByteArray;
using ywf::ByteView;

double seconds(const std::function<void()>& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long statusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}

// Resets the peak resident size so that VmHWM covers only what follows.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The practical limit: the same bytes in the same pieces, written with write(), fsync()
// and rename() into the same folder.
void rawWrite(const std::string& path, ByteView bytes) {
    const std::string temp = path + ".raw-tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::exit(2);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::exit(2);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0)
        std::exit(2);
    const int dir = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Empties the folder and lets the disk settle, so one measurement does not pay for the
// write-back or the freeing of blocks left behind by the one before.
void clearFolder(const std::filesystem::path& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    ::sync();
}

// Runs `a` and `b` `rounds` times each, alternating which goes first, and returns their
// median times.
std::pair<double, double> alternate(int rounds, const std::function<void()>& prepare,
                                    const std::function<void()>& a,
                                    const std::function<void()>& b) {
    std::vector<double> ta, tb;
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < 2; ++k) {
            const bool firstA = (r % 2 == 0) == (k == 0);
            prepare();
            (firstA ? ta : tb).push_back(seconds(firstA ? a : b));
        }
    }
    return {median(ta), median(tb)};
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path base =
        std::filesystem::path(argc > 1 ? argv[1] : (tmp ? tmp : "/tmp")) / "ywf-split-bench";
    const std::size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024;
    const std::size_t size = mib << 20;
    const int rounds = 5;
    const std::filesystem::path out = base / "out";
    clearFolder(out);

    ywf::PosixFileService files;
    ywf::ToolState state;
    state.sourceBytes = ByteArray::uninitialised(size);
    for (std::size_t i = 0; i < size; ++i)
        state.sourceBytes.data()[i] = std::uint8_t(i * 131 + (i >> 20));
    state.outputFolder = out.string() + "/";
    state.sourceName = "source.bin";
    const ByteView all = state.sourceBytes.view();
    const long bufferKiB = static_cast<long>(size >> 10);

    std::printf("buffer: %zu MiB in memory; folder %s\n", mib, base.c_str());

    // Equal parts into 10, against raw writes of the same ten slices.
    long peakKiB = 0;
    const std::size_t part = size / 10;
    const auto [split, rawSplit] = alternate(
        rounds, [&] { clearFolder(out); },
        [&] {
            state.workSlots[ywf::splitCount] = 10;
            state.workSlots[ywf::partSize] = static_cast<std::int32_t>(part);
            resetPeak();
            if (ywf::splitEqualParts(state, files)) std::exit(3);
            peakKiB = std::max(peakKiB, statusKiB("VmHWM:"));
        },
        [&] {
            for (int i = 0; i < 10; ++i) {
                const std::size_t len = i == 9 ? size - part * 9 : part;
                rawWrite((out / ("raw" + std::to_string(i))).string(), all.subspan(part * i, len));
            }
        });
    const double totalMiB = double(size) / double(1 << 20);
    std::printf(
        "splitEqualParts x10: %.2f s, %.0f MiB/s | raw write+fsync+rename: %.2f s, "
        "%.0f MiB/s | ratio %.3f\n",
        split, totalMiB / split, rawSplit, totalMiB / rawSplit, rawSplit / split);
    std::printf("peak resident during the split: %ld MiB for a %ld MiB buffer (+%ld MiB)\n",
                peakKiB >> 10, bufferKiB >> 10, (peakKiB - bufferKiB) >> 10);

    // An MP3 cut of the middle half, against a raw write of the same half. The cut keeps
    // the segment in place afterwards, so each run starts from a fresh copy (not timed).
    ywf::SystemClock clock;
    ywf::ToolState cut;
    cut.outputFolder = state.outputFolder;
    cut.sourceName = state.sourceName;
    const auto [segment, rawSegment] = alternate(
        rounds,
        [&] {
            cut.sourceBytes = ByteArray::copyOf(all);
            clearFolder(out);
        },
        [&] {
            cut.workSlots[ywf::markStart] = static_cast<std::int32_t>(size / 4);
            cut.workSlots[ywf::markEnd] = static_cast<std::int32_t>(size / 4 + size / 2);
            if (ywf::cutMp3Segment(cut, files, clock)) std::exit(3);
        },
        [&] { rawWrite((out / "rawhalf").string(), all.subspan(size / 4 - 1, size / 2)); });
    cut.sourceBytes.clear();
    std::printf(
        "cutMp3Segment of half: %.2f s, %.0f MiB/s | raw: %.2f s, %.0f MiB/s | "
        "ratio %.3f\n",
        segment, totalMiB / 2 / segment, rawSegment, totalMiB / 2 / rawSegment,
        rawSegment / segment);

    // The whole path from a file on disk: read it whole and split it into 10, against
    // `split -n 10` and `sync` on the same file (both from a warm page cache).
    const std::filesystem::path source = base / "source.bin";
    rawWrite(source.string(), all);
    state.sourceBytes.clear();
    const std::string command =
        "split -n 10 '" + source.string() + "' '" + (out / "part.").string() + "' && sync";
    const auto [whole, coreutils] = alternate(
        rounds, [&] { clearFolder(out); },
        [&] {
            ywf::ToolState s;
            ywf::ReadResult read = files.readWholeFile(source.string());
            if (!read.ok()) std::exit(4);
            s.sourceBytes = std::move(read.bytes);
            s.outputFolder = out.string() + "/";
            s.sourceName = "source.bin";
            s.workSlots[ywf::splitCount] = 10;
            s.workSlots[ywf::partSize] = static_cast<std::int32_t>(s.sourceBytes.size() / 10);
            if (ywf::splitEqualParts(s, files)) std::exit(3);
        },
        [&] {
            if (std::system(command.c_str()) != 0) std::exit(5);
        });
    std::printf("read + split into 10: %.2f s | split -n 10 + sync: %.2f s | ratio %.3f\n", whole,
                coreutils, coreutils / whole);
    std::filesystem::remove_all(base);
    return 0;
}
