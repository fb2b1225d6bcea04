#include "platform/qt/file_dialogs.hpp"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace ywf {
namespace {

QString fromText(const std::string& text) {
    return QString::fromStdString(text);
}

// Settings shared by both dialogs: Qt's own widgets rather than a portal or a native
// dialog, so they behave the same everywhere, are reachable through Qt's accessibility
// bridge and can be driven in tests; application-modal and without an owner.
void prepare(QFileDialog& dialog, const char* objectName, const std::string& title) {
    dialog.setObjectName(QString::fromUtf8(objectName));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (!title.empty()) dialog.setWindowTitle(fromText(title));
}

}  // namespace

QStringList qtNameFilters(const std::string& filter) {
    const QStringList parts = fromText(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        if (label.isEmpty() && patterns.isEmpty()) continue;
        filters << label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

DialogSettingsSandbox::DialogSettingsSandbox() {
    // Without a private folder the settings go to a path that cannot be created, so they
    // are neither read nor written.
    const QString path = dir_.isValid() ? dir_.path() : QStringLiteral("/proc/ywf-no-settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
}

bool QtOpenFileDialog::open() {
    QFileDialog dialog;
    prepare(dialog, "通用对话框1", title_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    const QStringList filters = qtNameFilters(filter_);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    if (!fileName_.empty()) dialog.selectFile(fromText(fileName_));

    if (dialog.exec() != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    fileName_ = QDir::cleanPath(QFileInfo(chosen.first()).absoluteFilePath()).toStdString();
    return true;
}

std::string QtFolderDialog::chooseFolder(const std::string& title) {
    QFileDialog dialog;
    prepare(dialog, "folderDialog", title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const QString start = lastFolder_.empty() ? QDir::homePath() : fromText(lastFolder_);
    dialog.setDirectory(start);

    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    const QFileInfo info(chosen.first());
    if (!info.isDir()) return {};
    // cleanPath drops a trailing '/' except for the root itself.
    lastFolder_ = QDir::cleanPath(info.absoluteFilePath()).toStdString();
    return lastFolder_;
}

}  // namespace ywf
