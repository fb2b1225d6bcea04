#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "platform/services.hpp"

namespace ywf {

// Translates a filter of the form "label|pattern|label|pattern..." into Qt name filters
// "label (pattern)". Patterns separated by ';' become space-separated; empty pairs (the
// "||" that ends a completed filter) are skipped.
QStringList qtNameFilters(const std::string& filter);

// The open-file dialog 通用对话框1 over a non-native QFileDialog (objectName
// "通用对话框1"). Title, filter and file name live here between openings; each opening
// builds a fresh application-modal dialog from them. GUI thread only.
class QtOpenFileDialog final : public OpenFileDialog {
  public:
    void setTitle(const std::string& title) override { title_ = title; }
    void setFilter(const std::string& filter) override { filter_ = filter; }
    std::string title() const override { return title_; }
    std::string filter() const override { return filter_; }
    std::string fileName() const override { return fileName_; }
    // One existing file; the name box starts with fileName(). Listing by the pattern
    // ignores case, so a.MP3 is listed under *.mp3.
    bool open() override;

  private:
    std::string title_;     // GUI thread only
    std::string filter_;    // GUI thread only
    std::string fileName_;  // GUI thread only
};

// The folder-choice dialog over a non-native QFileDialog in directory mode (objectName
// "folderDialog"): folders only, with an editable path box. It starts in the folder
// chosen last in this run, or in the home folder. GUI thread only.
class QtFolderDialog final : public FolderDialog {
  public:
    std::string chooseFolder(const std::string& title) override;

  private:
    std::string lastFolder_;  // GUI thread only
};

// Qt's own file dialog saves its history, last folder and view settings to the user's
// QtProject.conf and reads them back at the next start. The tool keeps nothing between
// runs and reads no configuration, so while a sandbox lives, Qt's user-scope settings go
// to a private temporary folder that is removed with it. Create it after the
// QApplication and before any dialog. GUI thread only.
class DialogSettingsSandbox {
  public:
    DialogSettingsSandbox();
    DialogSettingsSandbox(const DialogSettingsSandbox&) = delete;
    DialogSettingsSandbox& operator=(const DialogSettingsSandbox&) = delete;
    QString path() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
};

}  // namespace ywf
