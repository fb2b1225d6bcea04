#pragma once

#include "platform/services.hpp"

namespace ywf {

// Whole-file read and atomic whole-file write with POSIX I/O.
class PosixFileService final : public FileService {
  public:
    ReadResult readWholeFile(const std::string& path) override;
    // Writes into a temporary file in the target's folder, fsyncs it, renames it over the
    // target and fsyncs the folder. On any failure the temporary file is removed and an
    // existing target is untouched.
    bool writeWholeFile(const std::string& path, ByteView bytes) override;
};

}  // namespace ywf
