#pragma once

// Fakes of the main window and of every platform service, recording what the handlers
// did, for tests that run as plain C++ without a display.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/tool.hpp"
#include "platform/posix_files.hpp"

namespace ywf::fakes {

class FakeSink final : public FeedbackSink {
  public:
    void post(std::int32_t p1, std::int32_t p2) override { posts.emplace_back(p1, p2); }
    std::vector<std::pair<std::int32_t, std::int32_t>> posts;
};

class FakeWindow final : public Window {
  public:
    FakeWindow() {
        for (auto item : {MenuItem::play, MenuItem::stop, MenuItem::pause, MenuItem::resume})
            menu[item] = true;
        for (auto c : {Control::button1, Control::button2, Control::button3, Control::button4,
                       Control::radio1, Control::radio2, Control::check1, Control::edit1})
            enabled[c] = true;
        checked[Control::radio1] = true;
        checked[Control::radio2] = false;
        checked[Control::check1] = false;
    }
    void setMenuItemEnabled(MenuItem item, bool on) override {
        menu[item] = on;
        log.push_back(std::string(on ? "enable menu " : "disable menu ") + name(item));
    }
    bool isMenuItemEnabled(MenuItem item) const override { return menu.at(item); }
    void setControlEnabled(Control c, bool on) override {
        enabled[c] = on;
        log.push_back(std::string(on ? "enable " : "disable ") + name(c));
    }
    void setChecked(Control c, bool on) override {
        checked[c] = on;
        log.push_back(std::string(on ? "check " : "uncheck ") + name(c));
    }
    bool isChecked(Control c) const override { return checked.at(c); }
    std::string editText() const override { return edit; }
    void setBackgroundColour(std::uint32_t colour) override { background = colour; }
    FeedbackSink& label1() override { return sink1; }
    FeedbackSink& label2() override { return sink2; }

    static const char* name(MenuItem item) {
        switch (item) {
            case MenuItem::play:
                return "play";
            case MenuItem::stop:
                return "stop";
            case MenuItem::pause:
                return "pause";
            case MenuItem::resume:
                return "resume";
        }
        return "?";
    }
    static const char* name(Control c) {
        switch (c) {
            case Control::button1:
                return "按钮1";
            case Control::button2:
                return "按钮2";
            case Control::button3:
                return "按钮3";
            case Control::button4:
                return "按钮4";
            case Control::radio1:
                return "单选框1";
            case Control::radio2:
                return "单选框2";
            case Control::check1:
                return "选择框1";
            case Control::edit1:
                return "编辑框1";
        }
        return "?";
    }

    std::map<MenuItem, bool> menu;
    std::map<Control, bool> enabled;
    std::map<Control, bool> checked;
    std::string edit;
    std::uint32_t background = kDefaultColour;
    std::vector<std::string> log;
    FakeSink sink1, sink2;
};

// Reads and writes real files unless told to fail, so split tests check real bytes.
class FakeFiles final : public FileService {
  public:
    ReadResult readWholeFile(const std::string& path) override {
        reads.push_back(path);
        if (readError) {
            ReadResult r;
            r.error = *readError;
            return r;
        }
        return real.readWholeFile(path);
    }
    bool writeWholeFile(const std::string& path, ByteView bytes) override {
        writes.push_back(path);
        if (failWritesFrom && writes.size() >= *failWritesFrom) return false;
        return real.writeWholeFile(path, bytes);
    }
    PosixFileService real;
    std::optional<ReadError> readError;
    std::optional<std::size_t> failWritesFrom;  // the n-th write (1-based) and later fail
    std::vector<std::string> reads, writes;
};

class FakeOpenDialog final : public OpenFileDialog {
  public:
    void setTitle(const std::string& t) override { title_ = t; }
    void setFilter(const std::string& f) override { filter_ = f; }
    std::string title() const override { return title_; }
    std::string filter() const override { return filter_; }
    std::string fileName() const override { return fileName_; }
    bool open() override {
        ++openings;
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) answers.pop_front();
            return false;
        }
        fileName_ = *answers.front();
        answers.pop_front();
        return true;
    }
    std::deque<std::optional<std::string>> answers;  // nullopt: the user cancels
    int openings = 0;

  private:
    std::string title_, filter_, fileName_;
};

class FakeFolderDialog final : public FolderDialog {
  public:
    std::string chooseFolder(const std::string& title) override {
        titles.push_back(title);
        if (answers.empty()) return {};
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::string> answers;
    std::vector<std::string> titles;
};

struct Message {
    std::string text;
    MessageKind kind;
    std::string title;
};

class FakeMessages final : public MessageService {
  public:
    void showMessage(const std::string& text, MessageKind kind, const std::string& title) override {
        shown.push_back({text, kind, title});
        if (whileShown) whileShown();
    }
    std::vector<Message> shown;
    std::function<void()> whileShown;  // runs "inside" the modal box
};

class FakeClock final : public Clock {
  public:
    int currentSecond() override { return second; }
    std::uint32_t tickCount() override { return tick; }
    int second = 0;
    std::uint32_t tick = 1000;
};

class FakeLink final : public LinkOpener {
  public:
    void openLink(const std::string& link) override { opened.push_back(link); }
    std::vector<std::string> opened;
};

class FakePlayer final : public Player {
  public:
    void playMp3(const std::string& path, std::int32_t start, FeedbackSink& sink) override {
        calls.push_back("play " + path + " " + std::to_string(start));
        state = path.empty() ? 0 : 1;
        lastSink = &sink;
    }
    std::int32_t mp3PlayState() override {
        ++stateQueries;
        return state;
    }
    void pauseMp3() override {
        calls.push_back("pause");
        if (state == 1) state = -1;
    }
    void resumeMp3() override {
        calls.push_back("resume");
        if (state == -1) state = 1;
    }
    void stopPlaying() override {
        calls.push_back("stop");
        state = 0;
    }
    bool playSoundBytes(ByteView wav) override {
        sounds.emplace_back(wav.begin(), wav.end());
        return true;
    }
    std::int32_t state = 0;
    int stateQueries = 0;
    FeedbackSink* lastSink = nullptr;
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> sounds;
};

class FakeHotkeys final : public HotkeyService {
  public:
    std::int32_t registerHotkey(FeedbackSink& target, std::int32_t modifier,
                                std::int32_t key) override {
        ++count;
        registered.push_back({modifier, key});
        targets.push_back(&target);
        return refusedKeys.count(key) ? 0 : 33000 + count;
    }
    bool unregisterHotkey(std::int32_t id) override {
        released.push_back(id);
        return true;
    }
    int count = 0;
    std::map<std::int32_t, bool> refusedKeys;
    std::vector<std::pair<std::int32_t, std::int32_t>> registered;
    std::vector<FeedbackSink*> targets;
    std::vector<std::int32_t> released;
};

// A complete tool on fakes.
struct FakeTool {
    ToolState state;
    FakeWindow window;
    FakeFiles files;
    FakeOpenDialog openDialog;
    FakeFolderDialog folderDialog;
    FakeMessages messages;
    FakeClock clock;
    RandomGenerator random;
    FakeLink link;
    FakePlayer player;
    FakeHotkeys hotkeys;
    Platform platform{files,  openDialog, folderDialog, messages, clock,
                      random, link,       player,       hotkeys};
    Tool tool{state, window, platform};
};

}  // namespace ywf::fakes
