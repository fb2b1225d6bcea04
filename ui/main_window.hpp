#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>

#include "app/window.hpp"
#include "ui/feedback_label.hpp"

class QAbstractButton;
class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class QRadioButton;

namespace ywf {

class NumberEdit;

// The tool's one window, "音文分段器": the controls at their fixed client positions, the
// menu bar, the two hidden labels and the background colour. It implements the Window
// interface for the handlers and offers its widgets so that main() can bind their events.
// GUI thread only.
class MainWindow final : public QMainWindow, public Window {
    Q_OBJECT

  public:
    // The outer size, frame, title bar and menu bar included.
    static constexpr int kOuterWidth = 380;
    static constexpr int kOuterHeight = 250;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Window.
    void setMenuItemEnabled(MenuItem item, bool enabled) override;
    bool isMenuItemEnabled(MenuItem item) const override;
    void setControlEnabled(Control control, bool enabled) override;
    void setChecked(Control control, bool checked) override;
    bool isChecked(Control control) const override;
    std::string editText() const override;
    void setBackgroundColour(std::uint32_t colour) override;
    FeedbackSink& label1() override { return *label1_; }
    FeedbackSink& label2() override { return *label2_; }

    // The widgets whose events main() binds.
    QWidget* control(Control control) const;
    QAbstractButton* button(Control control) const;  // the buttons, radio buttons, box
    QAction* action(MenuItem item) const;
    QAction* helpAction() const { return helpAction_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* aboutMenu() const { return aboutMenu_; }
    FeedbackLabel& feedbackLabel1() { return *label1_; }
    FeedbackLabel& feedbackLabel2() { return *label2_; }

    // The last colour set (0x00BBGGRR or kDefaultColour).
    std::uint32_t backgroundColour() const { return background_; }

    // Runs once when the window is closed, before it goes away: the will-be-destroyed
    // event. No handler refuses the close.
    void setWillBeDestroyedHandler(std::function<void()> handler) {
        willBeDestroyed_ = std::move(handler);
    }

  protected:
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void buildControls(QWidget* client);
    void buildMenu();
    void fitOuterFrame();
    bool moveRadioChoice(QRadioButton* from, bool forward);

    // Every widget here is owned by Qt's parent tree. GUI thread only.
    NumberEdit* edit1_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QRadioButton* radio1_ = nullptr;
    QRadioButton* radio2_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
    QPushButton* button3_ = nullptr;
    QPushButton* button4_ = nullptr;
    QWidget* client_ = nullptr;
    FeedbackLabel* label1_ = nullptr;
    FeedbackLabel* label2_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* aboutMenu_ = nullptr;
    std::array<QAction*, 4> playbackActions_{};
    QAction* helpAction_ = nullptr;

    std::array<QWidget*, 8> tabOrder_{};  // the tab stops, in order
    std::array<QRadioButton*, 2> radioGroup_{};
    std::uint32_t background_ = kDefaultColour;
    std::function<void()> willBeDestroyed_;
    bool closing_ = false;
    bool frameFitted_ = false;
};

}  // namespace ywf
