#pragma once

#include <array>
#include <cstdint>

#include "app/bytes.hpp"
#include "app/rules.hpp"

namespace ywf {

// The numbered working slots. Every access names one of these fixed numbers.
enum Slot : int {
    markStart = 1,
    markEnd = 2,
    hotkeyBack = 3,
    hotkeyForward = 4,
    hotkeyMarkStart = 5,
    hotkeyMarkEnd = 6,
    playPercent = 7,
    seekPercent = 8,
    splitCount = 9,
    partSize = 10,
    partIndex = 11,
    nameSeparatorPos = 12,
};

// Twelve signed 32-bit slots numbered 1 to 12, all 0 at start-up.
class WorkSlots {
  public:
    std::int32_t& operator[](Slot slot) { return values_[static_cast<std::size_t>(slot) - 1]; }
    std::int32_t operator[](Slot slot) const { return values_[static_cast<std::size_t>(slot) - 1]; }
    // Stores a value computed in floating point by the whole-number rule.
    void store(Slot slot, double value) { (*this)[slot] = toWholeNumber(value); }
    static constexpr std::size_t size() { return 12; }

  private:
    std::array<std::int32_t, 12> values_{};
};

// The tool state: one process-wide instance, shared by every handler through the Tool
// context. GUI thread only.
struct ToolState {
    Text sourcePath;                // full path of the loaded file; empty means unloaded
    ByteArray sourceBytes;          // the whole loaded file
    Text outputFolder;              // the chosen output folder, ending in '/'
    Text sourceName;                // the file-name part of sourcePath
    WorkSlots workSlots;            // see Slot
    bool equalPartsToggle = false;  // mirror of the equal-parts check box

    // Back to the unloaded state: sourcePath and sourceBytes emptied, nothing else.
    void clearSource() {
        sourcePath.clear();
        sourceBytes.clear();
    }
    bool sourceLoaded() const { return !sourcePath.empty(); }
    // Releases everything the state holds; run once by the exit routine.
    void release() {
        clearSource();
        outputFolder.clear();
        outputFolder.shrink_to_fit();
        sourceName.clear();
        sourceName.shrink_to_fit();
        workSlots = WorkSlots{};
    }
};

}  // namespace ywf
