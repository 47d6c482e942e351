#include "shell/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

#include "shell/MessageBoxes.h"

namespace velmora {

std::optional<std::string> QtFileDialogs::ChooseFile(QWidget* owner, const FileDialogRequest& request) {
  QFileDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("fileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(QString::fromStdString(StartFolderPath(request)));
  dialog.setNameFilter(QString::fromStdString(QtNameFilters(request.filter)));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (request.mode == FileDialogMode::Open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    // Qt asks before overwriting; a new file is confirmed below.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    if (request.mode == FileDialogMode::Save && !QFileInfo::exists(path)) {
      const std::string question = "\"" + path.toStdString() + "\"\r\nThis file does not exist.\r\n"
                                   "Do you want to create it?";
      if (!QuestionBox(owner, question)) continue;
    }
    return path.toStdString();
  }
}

std::optional<std::string> QtFileDialogs::ChooseFolder(QWidget* owner, const std::string& prompt,
                                                       const std::string& startFolder) {
  QFileDialog dialog(owner, QString::fromStdString(prompt), QString::fromStdString(startFolder));
  dialog.setObjectName(QStringLiteral("folderDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath().toStdString();
}

}  // namespace velmora
