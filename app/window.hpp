#pragma once

#include <cstdint>
#include <string>

#include "platform/feedback.hpp"

namespace ywf {

// Controls of the main window that handlers switch, by their given names.
enum class Control {
    button1,  // 按钮1 "打开文件..."
    button2,  // 按钮2 "截取/切割"
    button3,  // 按钮3 "取消已调入文件"
    button4,  // 按钮4 "联系我"
    radio1,   // 单选框1 "MP3文件"
    radio2,   // 单选框2 "TXT文件"
    check1,   // 选择框1 "等份切割"
    edit1,    // 编辑框1
};

// The four playback items under "f文件(和f)", in menu order.
enum class MenuItem { play, stop, pause, resume };

// Window colour as 0x00BBGGRR; kDefaultColour stands for the system's button-face colour.
constexpr std::uint32_t kDefaultColour = 0xFF000000u;

// The main window as the handlers see it. The Qt window implements it; tests use a fake.
// GUI thread only.
class Window {
  public:
    virtual ~Window() = default;

    virtual void setMenuItemEnabled(MenuItem item, bool enabled) = 0;
    virtual bool isMenuItemEnabled(MenuItem item) const = 0;
    // TXT mode is exactly the disabled state of the Play item.
    bool isPlayItemDisabled() const { return !isMenuItemEnabled(MenuItem::play); }

    virtual void setControlEnabled(Control control, bool enabled) = 0;
    // For 单选框1, 单选框2 and 选择框1.
    virtual void setChecked(Control control, bool checked) = 0;
    virtual bool isChecked(Control control) const = 0;
    virtual std::string editText() const = 0;
    virtual void setBackgroundColour(std::uint32_t colour) = 0;

    // The hidden labels: 标签1 receives the player's position reports, 标签2 the hotkey
    // presses. Both deliver on the GUI thread.
    virtual FeedbackSink& label1() = 0;
    virtual FeedbackSink& label2() = 0;
};

}  // namespace ywf
