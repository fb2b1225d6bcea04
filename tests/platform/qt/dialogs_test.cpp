// The Qt dialogs, message boxes and link opener, driven under the offscreen platform.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QUrl>
#include <set>

#include "fakes/temp_dir.hpp"
#include "platform/qt/file_dialogs.hpp"
#include "platform/qt/link_opener.hpp"
#include "platform/qt/message_box.hpp"
#include "support/modal.hpp"

namespace ywf {
namespace {

using testing::whenModalShown;

// Every test here runs with Qt's dialog settings in a sandbox, as the tool does.
DialogSettingsSandbox* sandbox = nullptr;

class SandboxEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { sandbox = new DialogSettingsSandbox; }
    void TearDown() override {
        delete sandbox;
        sandbox = nullptr;
    }
};
const auto* const kSandbox = ::testing::AddGlobalTestEnvironment(new SandboxEnvironment);

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

TEST(QtNameFiltersTest, TranslatesLabelPatternPairs) {
    struct Row {
        const char* filter;
        QStringList expected;
    };
    const Row rows[] = {
        {"txt文件(*.txt)|*.txt", {QString::fromUtf8("txt文件(*.txt) (*.txt)")}},
        {"mp3文件(*.mp3)|*.mp3||", {QString::fromUtf8("mp3文件(*.mp3) (*.mp3)")}},
        {"Texts|*.txt;*.TXT", {"Texts (*.txt *.TXT)"}},
        {"A|*.a|B|*.b", {"A (*.a)", "B (*.b)"}},
        {"", {}},
        {"label only", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(qtNameFilters(row.filter), row.expected) << row.filter;
    }
}

QFileDialog* asFileDialog(QWidget* w) {
    return qobject_cast<QFileDialog*>(w);
}

// Puts `text` into the dialog's file-name box, with the focus there as when the user
// types, and presses Enter.
void typeAndAccept(QFileDialog* dialog, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

TEST(QtOpenFileDialogTest, OpensWithItsSettingsAndKeepsTheChosenPath) {
    fakes::TempDir dir;
    const std::string a = dir.write("a.txt", "A");
    dir.write("b.TXT", "B");
    dir.write("c.mp3", "C");
    QtOpenFileDialog component;
    component.setTitle("请选择您要切割的TXT文件");
    component.setFilter("txt文件(*.txt)|*.txt");
    EXPECT_EQ(component.fileName(), "");

    std::set<QString> listed;
    auto shown = whenModalShown(QString::fromUtf8("通用对话框1"), [&](QWidget* w) {
        QFileDialog* d = asFileDialog(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("请选择您要切割的TXT文件"));
        EXPECT_EQ(d->nameFilters(), QStringList{QString::fromUtf8("txt文件(*.txt) (*.txt)")});
        EXPECT_EQ(d->selectedNameFilter(), d->nameFilters().first());
        EXPECT_EQ(d->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(d->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(d->parentWidget(), nullptr);
        // Listing by the pattern ignores case: b.TXT is listed under *.txt.
        d->setDirectory(qs(dir.folder()));
        auto* view = d->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        ASSERT_NE(view, nullptr);
        const bool loaded =
            QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }, 5000);
        EXPECT_TRUE(loaded);
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
            listed.insert(view->model()->index(r, 0, view->rootIndex()).data().toString());
        }
        typeAndAccept(d, qs(a));
    });
    EXPECT_TRUE(component.open());
    EXPECT_TRUE(*shown);
    EXPECT_EQ(listed, (std::set<QString>{"a.txt", "b.TXT"}));
    EXPECT_EQ(component.fileName(), a);

    // The next opening starts with that path in its box; cancelling keeps it.
    component.setTitle("请选择您要截取的MP3文件");
    component.setFilter("mp3文件(*.mp3)|*.mp3");
    shown = whenModalShown(QString::fromUtf8("通用对话框1"), [&](QWidget* w) {
        QFileDialog* d = asFileDialog(w);
        EXPECT_EQ(d->windowTitle(), QString::fromUtf8("请选择您要截取的MP3文件"));
        EXPECT_EQ(d->directory().absolutePath(), qs(dir.folder()).chopped(1));
        EXPECT_EQ(d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), "a.txt");
        d->reject();
    });
    EXPECT_FALSE(component.open());
    EXPECT_TRUE(*shown);
    EXPECT_EQ(component.fileName(), a);
    EXPECT_EQ(component.title(), "请选择您要截取的MP3文件");
    EXPECT_EQ(component.filter(), "mp3文件(*.mp3)|*.mp3");

    // A file of another type typed in full is chosen all the same; the caller judges it.
    const std::string c = dir.path("c.mp3");
    shown = whenModalShown(QString::fromUtf8("通用对话框1"),
                           [&](QWidget* w) { typeAndAccept(asFileDialog(w), qs(c)); });
    component.setFilter("txt文件(*.txt)|*.txt");
    EXPECT_TRUE(component.open());
    EXPECT_EQ(component.fileName(), c);
}

TEST(DialogSettingsSandboxTest, QtFileDialogStateStaysInTheRunsPrivateFolder) {
    ASSERT_NE(sandbox, nullptr);
    ASSERT_FALSE(sandbox->path().isEmpty());
    QtOpenFileDialog component;
    auto shown = whenModalShown(QString::fromUtf8("通用对话框1"),
                                [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(component.open());
    EXPECT_TRUE(*shown);
    // Qt wrote its dialog state on closing; it went to the sandbox, which goes with the run.
    QFile conf(sandbox->path() + QStringLiteral("/QtProject.conf"));
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(conf.readAll().contains("[FileDialog]"));
}

TEST(QtFolderDialogTest, ReturnsTheFolderWithoutTrailingSlashOrEmptyOnCancel) {
    fakes::TempDir dir;
    std::filesystem::create_directory(dir.path("out"));
    dir.write("plain.txt", "x");
    QtFolderDialog folders;

    struct Row {
        std::string typed;  // empty: cancel
        std::string expected;
    };
    const Row rows[] = {
        {dir.path("out") + "/", dir.path("out")},
        {dir.path("out"), dir.path("out")},
        {"/", "/"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        auto shown = whenModalShown(QStringLiteral("folderDialog"), [&](QWidget* w) {
            QFileDialog* d = asFileDialog(w);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->windowTitle(), QString::fromUtf8("请选择保存路径"));
            EXPECT_EQ(d->fileMode(), QFileDialog::Directory);
            EXPECT_TRUE(d->testOption(QFileDialog::ShowDirsOnly));
            EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
            EXPECT_EQ(d->windowModality(), Qt::ApplicationModal);
            if (row.typed.empty()) {
                d->reject();
            } else {
                typeAndAccept(d, qs(row.typed));
            }
        });
        EXPECT_EQ(folders.chooseFolder("请选择保存路径"), row.expected);
        EXPECT_TRUE(*shown);
    }
}

TEST(QtMessageServiceTest, ShowsKindTitleAndTextAsAnApplicationModalDialog) {
    struct Row {
        MessageKind kind;
        std::string title;
        QMessageBox::Icon icon;
        QString shownTitle;
    };
    const Row rows[] = {
        {MessageKind::warning, "警告", QMessageBox::Warning, QString::fromUtf8("警告")},
        {MessageKind::information, "", QMessageBox::Information, QString::fromUtf8("信息：")},
        {MessageKind::information, "温馨提示", QMessageBox::Information,
         QString::fromUtf8("温馨提示")},
    };
    const std::string text = "第一行，<b>不是粗体</b>\n第二行.";
    QtMessageService messages;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.title);
        auto shown = whenModalShown(QStringLiteral("messageBox"), [&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), row.icon);
            EXPECT_EQ(box->windowTitle(), row.shownTitle);
            EXPECT_EQ(box->text(), qs(text));
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(box->parentWidget(), nullptr);

            // Read out as a dialog holding its text.
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
            ASSERT_NE(iface, nullptr);
            // Qt reads a message box as an alert, a dialog that speaks its text at once.
            EXPECT_TRUE(iface->role() == QAccessible::AlertMessage ||
                        iface->role() == QAccessible::Dialog);
            EXPECT_EQ(iface->text(QAccessible::Name), row.shownTitle);
            bool textFound = false;
            for (int i = 0; i < iface->childCount(); ++i) {
                textFound |= iface->child(i)->text(QAccessible::Name) == qs(text);
            }
            EXPECT_TRUE(textFound);

            QTest::keyClick(box, Qt::Key_Return);  // OK is the default button
        });
        messages.showMessage(text, row.kind, row.title);
        EXPECT_TRUE(*shown);
    }
}

// Receives the links handed to the desktop for the test's scheme.
class LinkCatcher : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(QtLinkOpenerTest, HandsTheLinkToTheDesktopUnchanged) {
    LinkCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("chat"), &catcher, "open");
    QtLinkOpener link;
    link.openLink("chat://message/?uin=10001");
    QDesktopServices::unsetUrlHandler(QStringLiteral("chat"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toString(), QStringLiteral("chat://message/?uin=10001"));
    EXPECT_EQ(catcher.urls[0].query(), QStringLiteral("uin=10001"));
}

}  // namespace
}  // namespace ywf

#include "dialogs_test.moc"
