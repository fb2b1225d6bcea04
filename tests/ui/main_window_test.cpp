// The real main window under Qt's offscreen platform: its description, keyboard
// behaviour, menu, colours and accessibility.

#include "ui/main_window.hpp"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

namespace ywf {
namespace {

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { window = std::make_unique<MainWindow>(); }

    // Shows the window and makes it the active one, so keys and shortcuts reach it.
    void showActive() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QWidget* named(const char* name) const { return window->findChild<QWidget*>(qs(name)); }
    QString focusName() const {
        QWidget* f = QApplication::focusWidget();
        return f ? f->objectName() : QStringLiteral("(none)");
    }

    std::unique_ptr<MainWindow> window;
};

struct ControlRow {
    const char* name;
    const char* kind;
    const char* caption;
    QRect geometry;
    bool checked;
};

const ControlRow kControls[] = {
    {"编辑框1", "QLineEdit", "", {150, 8, 80, 32}, false},
    {"选择框1", "QCheckBox", "等份切割", {265, 8, 80, 32}, false},
    {"单选框1", "QRadioButton", "MP3文件", {73, 73, 80, 24}, true},
    {"单选框2", "QRadioButton", "TXT文件", {227, 73, 80, 24}, false},
    {"按钮1", "QPushButton", "打开文件...", {35, 138, 80, 32}, false},
    {"按钮2", "QPushButton", "截取/切割", {150, 138, 80, 32}, false},
    {"按钮3", "QPushButton", "取消已调入文件", {265, 138, 80, 32}, false},
    {"按钮4", "QPushButton", "联系我", {35, 8, 80, 32}, false},
};

TEST_F(MainWindowTest, ControlsHaveTheirKindCaptionGeometryAndStartState) {
    showActive();
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        QWidget* w = named(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(row.kind));
        EXPECT_EQ(w->geometry(), row.geometry);  // client coordinates, below the menu bar
        EXPECT_EQ(w->parentWidget(), window->centralWidget());
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(w->isEnabled());
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_EQ(b->text(), qs(row.caption));
            EXPECT_EQ(b->isChecked(), row.checked);
        } else {
            EXPECT_EQ(static_cast<QLineEdit*>(w)->text(), QString());
        }
    }
    // The radio buttons form one automatic group; the check box flips itself.
    EXPECT_TRUE(static_cast<QRadioButton*>(named("单选框1"))->autoExclusive());
    EXPECT_TRUE(static_cast<QCheckBox*>(named("选择框1"))->isCheckable());
    // The edit box starts with the focus.
    EXPECT_EQ(focusName(), qs("编辑框1"));
}

TEST_F(MainWindowTest, HiddenLabelsAreEventSinksOutsideTheWidgetTree) {
    for (const char* name : {"标签1", "标签2"}) {
        SCOPED_TRACE(name);
        QObject* label = window->findChild<QObject*>(qs(name));
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(label->isWidgetType());  // never shown, never focused
    }
    EXPECT_EQ(static_cast<FeedbackSink*>(&window->feedbackLabel1()), &window->label1());
    EXPECT_EQ(static_cast<FeedbackSink*>(&window->feedbackLabel2()), &window->label2());
}

TEST_F(MainWindowTest, WindowIsFixedCentredAndCaptioned) {
    showActive();
    EXPECT_EQ(window->windowTitle(), qs("音文分段器"));
    // No window manager frames the window here, so the window itself is the outer size.
    EXPECT_EQ(window->frameGeometry().size(), QSize(380, 250));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const QRect screen = window->screen()->geometry();
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(screen.x() + (screen.width() - 380) / 2,
                                                        screen.y() + (screen.height() - 250) / 2));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    // The controls fit in the client area below the menu bar.
    EXPECT_GE(window->centralWidget()->height(), 138 + 32);
}

TEST_F(MainWindowTest, MenuBarHoldsTheItemsAsStoredWithTheirShortcuts) {
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), qs("f文件(和f)"));
    EXPECT_EQ(bar[1]->text(), qs("g关于(和g)"));

    struct Row {
        const char* caption;
        const char* shortcut;
    };
    const Row rows[] = {{"p播放(和p)", "Ctrl+P"},
                        {"t停止(和t)", "Ctrl+T"},
                        {"z暂停(和z)", "Ctrl+K"},
                        {"j继续播放(和j)", "Ctrl+J"}};
    const QList<QAction*> items = window->fileMenu()->actions();
    ASSERT_EQ(items.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(rows[i].caption);
        EXPECT_EQ(items[i], window->action(static_cast<MenuItem>(i)));
        EXPECT_EQ(items[i]->text(), qs(rows[i].caption));
        EXPECT_EQ(items[i]->shortcut().toString(QKeySequence::PortableText),
                  QString::fromLatin1(rows[i].shortcut));
        EXPECT_TRUE(items[i]->isEnabled());
        EXPECT_TRUE(items[i]->isVisible());
        EXPECT_FALSE(items[i]->isChecked());
    }
    const QList<QAction*> about = window->aboutMenu()->actions();
    ASSERT_EQ(about.size(), 1);
    EXPECT_EQ(about[0], window->helpAction());
    EXPECT_EQ(about[0]->text(), qs("s说明(和s)"));
    EXPECT_TRUE(about[0]->shortcut().isEmpty());
    for (QAction* a : bar + items + about) {
        EXPECT_FALSE(a->text().contains(QLatin1Char('&'))) << a->text().toStdString();
    }
}

TEST_F(MainWindowTest, TabWalksTheStopsInOrderWrapsAndSkipsDisabled) {
    showActive();
    const std::vector<const char*> order = {"编辑框1", "选择框1", "单选框1", "单选框2",
                                            "按钮1",   "按钮2",   "按钮3",   "按钮4"};
    for (std::size_t i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusName(), qs(order[i % order.size()])) << "after Tab " << i;
    }
    for (std::size_t i = order.size(); i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(focusName(), qs(order[i - 1])) << "after Shift+Tab";
    }

    // As after a file is loaded: the mode and equal-parts controls are skipped.
    window->setControlEnabled(Control::radio1, false);
    window->setControlEnabled(Control::radio2, false);
    window->setControlEnabled(Control::check1, false);
    named("编辑框1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), qs("按钮1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focusName(), qs("编辑框1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focusName(), qs("按钮4"));
}

TEST_F(MainWindowTest, ArrowKeysMoveTheRadioChoiceWithFocusAndClick) {
    showActive();
    auto* radio1 = static_cast<QRadioButton*>(named("单选框1"));
    auto* radio2 = static_cast<QRadioButton*>(named("单选框2"));
    QSignalSpy clicks1(radio1, &QAbstractButton::clicked);
    QSignalSpy clicks2(radio2, &QAbstractButton::clicked);

    struct Row {
        Qt::Key key;
        QRadioButton* from;
        QRadioButton* to;
    };
    const Row rows[] = {
        {Qt::Key_Down, radio1, radio2},  {Qt::Key_Right, radio2, radio1},  // forward, wrapping
        {Qt::Key_Right, radio1, radio2}, {Qt::Key_Left, radio2, radio1},   // backward, wrapping
        {Qt::Key_Left, radio1, radio2},  {Qt::Key_Up, radio2, radio1},
    };
    int expected1 = 0, expected2 = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(QTest::toString(row.key));
        row.from->setFocus();
        QTest::keyClick(row.from, row.key);
        EXPECT_TRUE(row.to->hasFocus());
        EXPECT_TRUE(row.to->isChecked());
        EXPECT_FALSE(row.from->isChecked());
        (row.to == radio1 ? expected1 : expected2)++;
        EXPECT_EQ(clicks1.count(), expected1);
        EXPECT_EQ(clicks2.count(), expected2);
    }
}

TEST_F(MainWindowTest, SetCheckedSetsEachButtonExplicitly) {
    window->setChecked(Control::radio2, true);
    EXPECT_TRUE(window->isChecked(Control::radio2));
    EXPECT_FALSE(window->isChecked(Control::radio1));
    // Unchecking the checked button of the group works, as the mode handlers expect.
    window->setChecked(Control::radio2, false);
    EXPECT_FALSE(window->isChecked(Control::radio2));
    window->setChecked(Control::radio1, true);
    EXPECT_TRUE(window->isChecked(Control::radio1));
    EXPECT_TRUE(static_cast<QRadioButton*>(named("单选框2"))->autoExclusive());

    window->setChecked(Control::check1, true);
    EXPECT_TRUE(window->isChecked(Control::check1));
    window->setChecked(Control::check1, false);
    EXPECT_FALSE(window->isChecked(Control::check1));
}

TEST_F(MainWindowTest, MenuShortcutsSelectEnabledItemsOnlyEvenFromTheEditBox) {
    showActive();
    auto* edit = static_cast<QLineEdit*>(named("编辑框1"));
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = 0; i < 4; ++i) {
        spies.push_back(std::make_unique<QSignalSpy>(window->action(static_cast<MenuItem>(i)),
                                                     &QAction::triggered));
    }
    const Qt::Key keys[4] = {Qt::Key_P, Qt::Key_T, Qt::Key_K, Qt::Key_J};

    for (QWidget* focus : {named("按钮2"), static_cast<QWidget*>(edit)}) {
        SCOPED_TRACE(focus->objectName().toStdString());
        for (auto& spy : spies) spy->clear();
        edit->setText(QStringLiteral("123"));
        edit->setCursorPosition(0);
        focus->setFocus();

        // MP3 mode: each shortcut selects its item once.
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(focus, keys[i], Qt::ControlModifier);
            for (int j = 0; j < 4; ++j) EXPECT_EQ(spies[j]->count(), j <= i ? 1 : 0);
        }
        // TXT mode: the items are disabled and their shortcuts do nothing at all.
        for (int i = 0; i < 4; ++i) window->setMenuItemEnabled(static_cast<MenuItem>(i), false);
        for (Qt::Key key : keys) QTest::keyClick(focus, key, Qt::ControlModifier);
        for (auto& spy : spies) EXPECT_EQ(spy->count(), 1);
        EXPECT_EQ(edit->text(), QStringLiteral("123"));  // Ctrl+K did not delete
        for (int i = 0; i < 4; ++i) window->setMenuItemEnabled(static_cast<MenuItem>(i), true);
    }
}

TEST_F(MainWindowTest, EditBoxDropsTypedPrintablesButKeepsPastedText) {
    showActive();
    auto* edit = static_cast<QLineEdit*>(named("编辑框1"));
    edit->setFocus();

    QTest::keyClicks(edit, QStringLiteral("a.x +"));
    QTest::keyClick(edit, Qt::Key_Period);
    EXPECT_EQ(edit->text(), QString());
    QTest::keyClick(edit, Qt::Key_Minus);
    QTest::keyClick(edit, Qt::Key_1);
    QTest::keyClick(edit, Qt::Key_2);
    EXPECT_EQ(edit->text(), QStringLiteral("-12"));
    QTest::keyClicks(edit, QStringLiteral("3b"));
    EXPECT_EQ(edit->text(), QStringLiteral("-123"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("-12"));

    // Full-width digits typed through an input method are dropped like any other
    // character; ASCII digits in the same commit are kept.
    QInputMethodEvent commit;
    commit.setCommitString(qs("4５x"));
    QApplication::sendEvent(edit, &commit);
    EXPECT_EQ(edit->text(), QStringLiteral("-124"));

    // Pasting is not typing: the clipboard's text goes in as it is.
    edit->clear();
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    // Leaving the box does not reformat it, and hides its selection.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(MainWindowTest, EscapeDoesNotCloseAndEnterPressesNoButton) {
    showActive();
    int closes = 0;
    window->setWillBeDestroyedHandler([&] { ++closes; });
    for (const char* name : {"按钮1", "按钮2", "按钮3", "按钮4"}) {
        SCOPED_TRACE(name);
        auto* b = static_cast<QPushButton*>(named(name));
        EXPECT_FALSE(b->autoDefault());
        EXPECT_FALSE(b->isDefault());
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        b->setFocus();
        QTest::keyClick(b, Qt::Key_Return);
        QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(b, Qt::Key_Escape);
        EXPECT_EQ(clicks.count(), 0);
        EXPECT_TRUE(b->hasFocus());
        QTest::keyClick(b, Qt::Key_Space);  // Space presses the focused button
        EXPECT_EQ(clicks.count(), 1);
    }
    named("编辑框1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(focusName(), qs("编辑框1"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closes, 0);

    // Closing runs the will-be-destroyed event exactly once.
    window->close();
    window->close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, OnlyTheWindowSurfaceTakesTheBackgroundColour) {
    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    QWidget* client = window->centralWidget();
    EXPECT_EQ(window->backgroundColour(), kDefaultColour);
    EXPECT_EQ(client->palette().color(QPalette::Window), buttonFace);

    struct Row {
        std::uint32_t value;
        QColor colour;
    };
    const Row rows[] = {
        {0x00FFA8FF, QColor(255, 168, 255)}, {0x0000E080, QColor(128, 224, 0)},
        {0x0000D8D8, QColor(216, 216, 0)},   {0x00FF0090, QColor(144, 0, 255)},
        {0x00ECECEC, QColor(236, 236, 236)}, {0x00FF8800, QColor(0, 136, 255)},
        {kDefaultColour, buttonFace},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        window->setBackgroundColour(row.value);
        EXPECT_EQ(window->backgroundColour(), row.value);
        EXPECT_TRUE(client->autoFillBackground());
        EXPECT_EQ(client->palette().color(QPalette::Window), row.colour);
        for (const char* name : {"单选框1", "单选框2", "选择框1"}) {
            QWidget* w = named(name);
            EXPECT_TRUE(w->autoFillBackground()) << name;
            EXPECT_EQ(w->palette().color(QPalette::Window), buttonFace) << name;
        }
        EXPECT_EQ(named("编辑框1")->palette().color(QPalette::Base), QColor(Qt::white));
        EXPECT_EQ(named("编辑框1")->palette().color(QPalette::Text), QColor(Qt::black));
        EXPECT_EQ(window->menuBar()->palette().color(QPalette::Window),
                  window->palette().color(QPalette::Window));
    }
}

// Every object below `iface` in the accessibility tree.
void collect(QAccessibleInterface* iface, std::vector<QAccessibleInterface*>& out) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child) continue;
        out.push_back(child);
        collect(child, out);
    }
}

TEST_F(MainWindowTest, ControlsAreNamedForAssistiveTechnology) {
    showActive();
    struct Row {
        const char* name;
        const char* accessibleName;
        QAccessible::Role role;
    };
    const Row rows[] = {
        {"编辑框1", "份数或长度（数字）", QAccessible::EditableText},
        {"选择框1", "等份切割", QAccessible::CheckBox},
        {"单选框1", "MP3文件", QAccessible::RadioButton},
        {"单选框2", "TXT文件", QAccessible::RadioButton},
        {"按钮1", "打开文件...", QAccessible::Button},
        {"按钮2", "截取/切割", QAccessible::Button},
        {"按钮3", "取消已调入文件", QAccessible::Button},
        {"按钮4", "联系我", QAccessible::Button},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(named(row.name));
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name), qs(row.accessibleName));
        EXPECT_EQ(iface->role(), row.role);
        EXPECT_TRUE(iface->state().focusable);
    }
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(window.get());
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(QAccessible::Name), qs("音文分段器"));

    // The hidden labels appear nowhere in the tree; the menu items carry their captions
    // and shortcuts.
    std::vector<QAccessibleInterface*> all;
    collect(top, all);
    for (QAccessibleInterface* iface : all) {
        if (QObject* o = iface->object()) {
            EXPECT_NE(o->objectName(), qs("标签1"));
            EXPECT_NE(o->objectName(), qs("标签2"));
        }
    }
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(window->fileMenu());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->childCount(), 4);
    EXPECT_EQ(menu->child(0)->text(QAccessible::Name), qs("p播放(和p)"));
    EXPECT_EQ(menu->child(0)->text(QAccessible::Accelerator), QStringLiteral("Ctrl+P"));
}

}  // namespace
}  // namespace ywf
