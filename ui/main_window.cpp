#include "ui/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QWindow>

#include "app/texts.hpp"
#include "ui/caption_button.hpp"
#include "ui/number_edit.hpp"

namespace ywf {
namespace {

QString qs(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QColor toQColor(std::uint32_t colour) {
    if (colour == kDefaultColour) return QGuiApplication::palette().color(QPalette::Button);
    return QColor(int(colour & 0xFFu), int((colour >> 8) & 0xFFu), int((colour >> 16) & 0xFFu));
}

// Radio buttons and the check box keep the default (button-face) background whatever
// colour the window surface takes.
void keepDefaultBackground(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, toQColor(kDefaultColour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename W>
W* place(W* widget, const char* objectName, int left, int top, int width, int height) {
    widget->setObjectName(qs(objectName));
    widget->setGeometry(left, top, width, height);
    widget->setFocusPolicy(Qt::StrongFocus);
    return widget;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(qs(texts::windowCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setAutoFillBackground(true);
    setCentralWidget(client_);

    buildMenu();
    buildControls(client_);
    setBackgroundColour(kDefaultColour);
    fitOuterFrame();
    edit1_->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenu() {
    // Captions exactly as stored: they carry no '&', so nothing is underlined.
    fileMenu_ = menuBar()->addMenu(qs("f文件(和f)"));
    fileMenu_->setObjectName(QStringLiteral("fileMenu"));
    struct Row {
        const char* caption;
        const char* shortcut;
    };
    const Row rows[4] = {{"p播放(和p)", "Ctrl+P"},
                         {"t停止(和t)", "Ctrl+T"},
                         {"z暂停(和z)", "Ctrl+K"},
                         {"j继续播放(和j)", "Ctrl+J"}};
    for (std::size_t i = 0; i < playbackActions_.size(); ++i) {
        QAction* a = fileMenu_->addAction(qs(rows[i].caption));
        a->setShortcut(QKeySequence(QString::fromLatin1(rows[i].shortcut)));
        a->setShortcutContext(Qt::WindowShortcut);
        playbackActions_[i] = a;
    }
    aboutMenu_ = menuBar()->addMenu(qs("g关于(和g)"));
    aboutMenu_->setObjectName(QStringLiteral("aboutMenu"));
    helpAction_ = aboutMenu_->addAction(qs("s说明(和s)"));
}

void MainWindow::buildControls(QWidget* client) {
    edit1_ = place(new NumberEdit(client), "编辑框1", 150, 8, 80, 32);
    edit1_->setAccessibleName(qs("份数或长度（数字）"));
    {
        QPalette palette = edit1_->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        edit1_->setPalette(palette);
    }
    QList<QKeySequence> reserved;
    for (QAction* a : playbackActions_) reserved << a->shortcut();
    edit1_->setReservedKeys(reserved);

    check1_ = place(new QCheckBox(qs("等份切割"), client), "选择框1", 265, 8, 80, 32);
    radio1_ = place(new QRadioButton(qs("MP3文件"), client), "单选框1", 73, 73, 80, 24);
    radio2_ = place(new QRadioButton(qs("TXT文件"), client), "单选框2", 227, 73, 80, 24);
    radio1_->setChecked(true);
    radioGroup_ = {radio1_, radio2_};
    for (QWidget* w : {static_cast<QWidget*>(check1_), static_cast<QWidget*>(radio1_),
                       static_cast<QWidget*>(radio2_)}) {
        keepDefaultBackground(w);
    }
    for (QRadioButton* r : radioGroup_) r->installEventFilter(this);

    button1_ = place(new CaptionButton(qs("打开文件..."), client), "按钮1", 35, 138, 80, 32);
    button2_ = place(new CaptionButton(qs("截取/切割"), client), "按钮2", 150, 138, 80, 32);
    button3_ = place(new CaptionButton(qs("取消已调入文件"), client), "按钮3", 265, 138, 80, 32);
    button4_ = place(new CaptionButton(qs("联系我"), client), "按钮4", 35, 8, 80, 32);

    tabOrder_ = {edit1_, check1_, radio1_, radio2_, button1_, button2_, button3_, button4_};
    for (QWidget* w : tabOrder_) {
        if (w != edit1_) w->setAccessibleName(static_cast<QAbstractButton*>(w)->text());
    }
    for (std::size_t i = 0; i + 1 < tabOrder_.size(); ++i) {
        setTabOrder(tabOrder_[i], tabOrder_[i + 1]);
    }

    label1_ = new FeedbackLabel("标签1", this);
    label2_ = new FeedbackLabel("标签2", this);
}

// Outer size 380 x 250 with the frame included, centred on the screen. The frame's size
// is known only once a window manager has framed the window; without one (a bare X
// server, the offscreen platform) the window itself is 380 x 250.
void MainWindow::fitOuterFrame() {
    QMargins frame;
    if (QWindow* handle = windowHandle()) frame = handle->frameMargins();
    const QSize inner(kOuterWidth - frame.left() - frame.right(),
                      kOuterHeight - frame.top() - frame.bottom());
    if (size() != inner || minimumSize() != inner || maximumSize() != inner) {
        setFixedSize(inner);
    }
    const QRect screenArea = screen()->geometry();
    move(screenArea.x() + (screenArea.width() - kOuterWidth) / 2,
         screenArea.y() + (screenArea.height() - kOuterHeight) / 2);
    if (!frame.isNull()) frameFitted_ = true;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!frameFitted_) fitOuterFrame();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!frameFitted_ && windowHandle() && !windowHandle()->frameMargins().isNull()) {
        fitOuterFrame();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (willBeDestroyed_) willBeDestroyed_();
    }
    event->accept();
}

// Tab and Shift+Tab walk the eight tab stops in their fixed order, wrapping around and
// skipping the disabled ones.
bool MainWindow::focusNextPrevChild(bool next) {
    const int count = int(tabOrder_.size());
    int index = -1;
    for (int i = 0; i < count; ++i) {
        if (tabOrder_[std::size_t(i)]->hasFocus()) index = i;
    }
    if (index < 0) index = next ? -1 : count;
    for (int step = 1; step <= count; ++step) {
        const int i = ((index + (next ? step : -step)) % count + count) % count;
        QWidget* w = tabOrder_[std::size_t(i)];
        if (w->isEnabled() && w->isVisible()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::NoModifier) {
            for (QRadioButton* r : radioGroup_) {
                if (watched != r) continue;
                switch (key->key()) {
                    case Qt::Key_Right:
                    case Qt::Key_Down:
                        return moveRadioChoice(r, true);
                    case Qt::Key_Left:
                    case Qt::Key_Up:
                        return moveRadioChoice(r, false);
                    default:
                        break;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// The arrow keys in the radio group: the button reached becomes checked, takes the
// focus, and its click handler runs (through its clicked signal).
bool MainWindow::moveRadioChoice(QRadioButton* from, bool forward) {
    const int count = int(radioGroup_.size());
    int index = 0;
    while (index < count && radioGroup_[std::size_t(index)] != from) ++index;
    for (int step = 1; step < count; ++step) {
        const int i = ((index + (forward ? step : -step)) % count + count) % count;
        QRadioButton* to = radioGroup_[std::size_t(i)];
        if (to->isEnabled() && to->isVisible()) {
            to->setFocus(Qt::OtherFocusReason);
            to->click();
            return true;
        }
    }
    return true;  // nowhere to go: the key is still the group's
}

QWidget* MainWindow::control(Control c) const {
    switch (c) {
        case Control::button1:
            return button1_;
        case Control::button2:
            return button2_;
        case Control::button3:
            return button3_;
        case Control::button4:
            return button4_;
        case Control::radio1:
            return radio1_;
        case Control::radio2:
            return radio2_;
        case Control::check1:
            return check1_;
        case Control::edit1:
            return edit1_;
    }
    return nullptr;
}

QAbstractButton* MainWindow::button(Control c) const {
    return c == Control::edit1 ? nullptr : static_cast<QAbstractButton*>(control(c));
}

QAction* MainWindow::action(MenuItem item) const {
    return playbackActions_[static_cast<std::size_t>(item)];
}

void MainWindow::setMenuItemEnabled(MenuItem item, bool enabled) {
    action(item)->setEnabled(enabled);
}

bool MainWindow::isMenuItemEnabled(MenuItem item) const {
    return action(item)->isEnabled();
}

void MainWindow::setControlEnabled(Control c, bool enabled) {
    control(c)->setEnabled(enabled);
}

void MainWindow::setChecked(Control c, bool checked) {
    QAbstractButton* b = button(c);
    if (!b) return;
    // Qt refuses to uncheck the checked button of an exclusive group; the handlers set
    // each radio button's state explicitly, so the group rule is lifted for the moment.
    const bool exclusive = b->autoExclusive();
    if (!checked && exclusive) b->setAutoExclusive(false);
    b->setChecked(checked);
    if (!checked && exclusive) b->setAutoExclusive(true);
}

bool MainWindow::isChecked(Control c) const {
    const QAbstractButton* b = button(c);
    return b && b->isChecked();
}

std::string MainWindow::editText() const {
    return edit1_->text().toStdString();
}

void MainWindow::setBackgroundColour(std::uint32_t colour) {
    background_ = colour;
    QPalette palette = client_->palette();
    palette.setColor(QPalette::Window, toQColor(colour));
    client_->setPalette(palette);
}

}  // namespace ywf
