#pragma once

#include "app/bytes.hpp"

namespace ywf {

// The two spoken cue clips, whole RIFF/WAVE files embedded in the binary.
ByteView markStartCue();  // confirms the start mark
ByteView markEndCue();    // confirms the end mark

}  // namespace ywf
