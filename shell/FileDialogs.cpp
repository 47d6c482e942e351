#include "shell/FileDialogs.h"

#include <QDir>
#include <QString>
#include <utility>

#include "shell/QtFileDialogs.h"
#include "store/Settings.h"

namespace velmora {

namespace {
FileDialogs*& Installed() {
  static FileDialogs* dialogs = nullptr;
  return dialogs;
}
}  // namespace

std::string WorkFolder() {
  const QString folder = QString::fromStdString(ProgramFolder()) + QStringLiteral("/Works");
  // Made current so that relative names typed in the dialogs land here.
  if (!QDir::setCurrent(folder)) {
    QDir().mkpath(folder);
    QDir::setCurrent(folder);
  }
  return folder.toStdString();
}

FileDialogs& FileDialogs::Current() {
  static QtFileDialogs qtDialogs;
  return Installed() ? *Installed() : qtDialogs;
}

FileDialogs* FileDialogs::SetCurrent(FileDialogs* dialogs) { return std::exchange(Installed(), dialogs); }

std::string StartFolderPath(StartFolder start) {
  switch (start) {
    case StartFolder::Current: return QDir::currentPath().toStdString();
    case StartFolder::Program: return ProgramFolder();
    case StartFolder::Work: return WorkFolder();
    case StartFolder::Given: break;
  }
  return WorkFolder();
}

std::string StartFolderPath(const FileDialogRequest& request) {
  if (request.start == StartFolder::Given && !request.folder.empty()) return request.folder;
  return StartFolderPath(request.start);
}

std::string QtNameFilters(std::string_view pipeFilter) {
  const QStringList parts = QString::fromUtf8(pipeFilter.data(), qsizetype(pipeFilter.size()))
                                .split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Qt takes the patterns from the parentheses; a description that
    // already shows them is used as it stands.
    if (description.contains(QLatin1Char('(')) && description.contains(patterns)) {
      filters << description;
    } else {
      filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
  }
  return filters.join(QStringLiteral(";;")).toStdString();
}

}  // namespace velmora
