#pragma once

// The three procedures that write the tool's output files. Each writes slices of the
// loaded bytes directly, without copying them, and stops at the first output that could
// not be written, returning its path; std::nullopt means every output was written.

#include <optional>
#include <string>

#include "app/tool_state.hpp"
#include "platform/services.hpp"

namespace ywf {

using WriteOutcome = std::optional<std::string>;  // the path that failed, if any

// outputFolder, then the prefix, then sourceName, joined with nothing between them.
std::string outputPathFor(const ToolState& state, const std::string& prefix);

// splitCount parts of partSize bytes; the last part takes the remainder.
WriteOutcome splitEqualParts(ToolState& state, FileService& files);
// The source text (the bytes before the first zero byte) in two at splitCount bytes.
WriteOutcome splitTextInTwo(ToolState& state, FileService& files);
// The bytes between the marks, under the current clock second. The loaded bytes are
// replaced by the segment only once it has been written, so a failed write leaves the
// loaded file whole for a retry.
WriteOutcome cutMp3Segment(ToolState& state, FileService& files, Clock& clock);

}  // namespace ywf
