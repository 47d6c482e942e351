#include "shell/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include "shell/MessageBoxes.h"

namespace velmora {

namespace {

// The extension of a Qt name filter's first pattern ("Text file (*.txt)":
// "txt"); fallback when its patterns name none ("All files (*)").
QString FilterSuffix(const QString& nameFilter, const QString& fallback) {
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s;()*?]+)"));
  const QRegularExpressionMatch match = pattern.match(nameFilter);
  return match.hasMatch() ? match.captured(1) : fallback;
}

}  // namespace

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
    // A name typed without an extension gets that of the file type chosen
    // in the dialog ("Text file (*.txt)": ".txt"), so that the choice means
    // what it says; the confirmations below and Qt's see that name.
    const QString fallback = QString::fromStdString(request.defaultExtension);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, fallback](const QString& filter) {
      dialog.setDefaultSuffix(FilterSuffix(filter, fallback));
    });
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
