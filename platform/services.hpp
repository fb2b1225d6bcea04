#pragma once

// The platform services the handlers use, each a small interface with a real
// implementation and a fake for tests. All are called on the GUI thread unless a
// comment says otherwise.

#include <cstdint>
#include <optional>
#include <string>

#include "app/bytes.hpp"
#include "platform/feedback.hpp"

namespace ywf {

enum class ReadError {
    none,
    cannotRead,  // missing, no access, or a read error
    tooLarge,    // 2 GiB or more: beyond a byte array's 32-bit length
    noMemory,    // the memory to hold it could not be had
};

struct ReadResult {
    ReadError error = ReadError::none;
    ByteArray bytes;  // the whole file when error is none (empty for an empty file)
    bool ok() const { return error == ReadError::none; }
};

class FileService {
  public:
    virtual ~FileService() = default;
    virtual ReadResult readWholeFile(const std::string& path) = 0;
    // Creates or replaces the file atomically; false when it could not be written whole,
    // in which case an existing file of that name keeps its old content.
    virtual bool writeWholeFile(const std::string& path, ByteView bytes) = 0;
};

// The open-file dialog 通用对话框1. Title, filter and file name are kept between
// openings; the filter has the form "label|pattern".
class OpenFileDialog {
  public:
    virtual ~OpenFileDialog() = default;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setFilter(const std::string& filter) = 0;
    virtual std::string title() const = 0;
    virtual std::string filter() const = 0;
    virtual std::string fileName() const = 0;
    // Shows the modal dialog. True with fileName() set to the chosen full path, or false
    // on cancel with fileName() unchanged.
    virtual bool open() = 0;
};

class FolderDialog {
  public:
    virtual ~FolderDialog() = default;
    // The chosen folder's path (a trailing '/' only for the root), or "" when cancelled.
    virtual std::string chooseFolder(const std::string& title) = 0;
};

enum class MessageKind : int { warning = 48, information = 64 };

class MessageService {
  public:
    virtual ~MessageService() = default;
    // Application-modal, no owner; an empty title shows "信息：". Returns when dismissed.
    virtual void showMessage(const std::string& text, MessageKind kind,
                             const std::string& title) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // The second of the current local time, 0 to 59.
    virtual int currentSecond() = 0;
    // Milliseconds since some fixed moment (the system's tick count).
    virtual std::uint32_t tickCount() = 0;
};

class LinkOpener {
  public:
    virtual ~LinkOpener() = default;
    // Hands the link to the desktop; the result is deliberately not reported.
    virtual void openLink(const std::string& link) = 0;
};

// The MP3 player service and the sound from memory, sharing one audio output.
class Player {
  public:
    virtual ~Player() = default;
    // Discards the current player first, even for an empty path. Reports go to `sink`.
    virtual void playMp3(const std::string& path, std::int32_t startPercent,
                         FeedbackSink& sink) = 0;
    // 1 playing, -1 paused, 0 otherwise.
    virtual std::int32_t mp3PlayState() = 0;
    virtual void pauseMp3() = 0;
    virtual void resumeMp3() = 0;
    // Discards the current player and silences every cue still sounding.
    virtual void stopPlaying() = 0;
    // Plays a whole RIFF/WAVE file once over the MP3 and returns at once.
    virtual bool playSoundBytes(ByteView wav) = 0;
};

// System-wide hotkeys. Modifier codes: 1 Ctrl, 2 Shift, 4 Alt, sums for combinations.
// Key codes are those of the capital letters ('W' is 87).
class HotkeyService {
  public:
    virtual ~HotkeyService() = default;
    // 33000 + n for the n-th call of the process, or 0 when the combination is refused.
    // A press posts (identifier, 0) to `target`.
    virtual std::int32_t registerHotkey(FeedbackSink& target, std::int32_t modifierCode,
                                        std::int32_t keyCode) = 0;
    virtual bool unregisterHotkey(std::int32_t identifier) = 0;
};

}  // namespace ywf
