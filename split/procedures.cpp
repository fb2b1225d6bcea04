#include "split/procedures.hpp"

#include <algorithm>

namespace ywf {

std::string outputPathFor(const ToolState& state, const std::string& prefix) {
    return state.outputFolder + prefix + state.sourceName;
}

WriteOutcome splitEqualParts(ToolState& state, FileService& files) {
    WorkSlots& slots = state.workSlots;
    const ByteView bytes = state.sourceBytes.view();
    const std::int64_t length = bytesLength(bytes);
    const std::int32_t count = slots[splitCount];
    for (std::int32_t i = 1; i <= count; ++i) {
        slots[partIndex] = i;
        const std::string path = outputPathFor(state, decimalText(slots[partIndex]));
        const std::int64_t size = slots[partSize];
        const std::int64_t index = slots[partIndex];
        const bool last = slots[partIndex] == slots[splitCount];
        const ByteView part = last ? bytesTail(bytes, length - size * (index - 1))
                                   : bytesMiddle(bytes, (index - 1) * size + 1, size);
        if (!files.writeWholeFile(path, part)) return path;
        if (last) break;
    }
    return std::nullopt;
}

WriteOutcome splitTextInTwo(ToolState& state, FileService& files) {
    const ByteView text = bytesToTextView(state.sourceBytes.view());
    // textHead and textTail on the text's bytes, kept as views.
    const std::int64_t n = state.workSlots[splitCount];
    const ByteView head = n <= 0 ? ByteView{} : text.first(std::min<std::size_t>(n, text.size()));
    const ByteView tail = bytesTail(text, static_cast<std::int64_t>(text.size() - head.size()));
    const std::string first = outputPathFor(state, "1");
    if (!files.writeWholeFile(first, head)) return first;
    const std::string second = outputPathFor(state, "2");
    if (!files.writeWholeFile(second, tail)) return second;
    return std::nullopt;
}

WriteOutcome cutMp3Segment(ToolState& state, FileService& files, Clock& clock) {
    const WorkSlots& slots = state.workSlots;
    const ByteView bytes = state.sourceBytes.view();
    const std::int64_t start = slots[markStart];
    const std::int64_t count = std::int64_t(slots[markEnd]) - slots[markStart];
    const ByteView segment = bytesMiddle(bytes, start, count);
    const std::string path = outputPathFor(state, decimalText(clock.currentSecond()));
    if (!files.writeWholeFile(path, segment)) return path;
    state.sourceBytes.keepRange(static_cast<std::size_t>(segment.data() - bytes.data()),
                                segment.size());
    return std::nullopt;
}

}  // namespace ywf
