#include "toolkit/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <utility>

#include "store/Settings.h"

namespace velmora {

namespace {
std::vector<std::string>& TestFolders() {
  static std::vector<std::string> folders;
  return folders;
}

void AddUnique(std::vector<std::string>& folders, const QString& folder) {
  if (folder.isEmpty()) return;
  const std::string clean = QDir::cleanPath(folder).toStdString();
  for (const auto& f : folders) {
    if (f == clean) return;
  }
  folders.push_back(clean);
}
}  // namespace

std::vector<std::string> ResourceFolders() {
  if (!TestFolders().empty()) return TestFolders();
  std::vector<std::string> folders;
  AddUnique(folders, QString::fromStdString(ProgramFolder()));
  const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
  if (!exeDir.isEmpty()) {
    AddUnique(folders, exeDir);
    AddUnique(folders, exeDir + QStringLiteral("/../share/velmora"));
    AddUnique(folders, exeDir + QStringLiteral("/share/velmora"));
  }
#ifdef VELMORA_BUILD_SHARE_DIR
  AddUnique(folders, QStringLiteral(VELMORA_BUILD_SHARE_DIR));
#endif
#ifdef VELMORA_INSTALL_SHARE_DIR
  AddUnique(folders, QStringLiteral(VELMORA_INSTALL_SHARE_DIR));
#endif
  return folders;
}

std::string ResourceFolder() {
  for (const auto& folder : ResourceFolders()) {
    if (QFileInfo(QString::fromStdString(folder)).isDir()) return folder;
  }
  return ProgramFolder();
}

std::string FindResource(std::string_view name) {
  if (name.empty()) return {};
  const QString relative = QString::fromUtf8(name.data(), qsizetype(name.size()));
  for (const auto& folder : ResourceFolders()) {
    const QString path = QString::fromStdString(folder) + QLatin1Char('/') + relative;
    if (QFileInfo::exists(path)) return path.toStdString();
  }
  return {};
}

std::vector<std::string> SetResourceFoldersForTesting(std::vector<std::string> folders) {
  return std::exchange(TestFolders(), std::move(folders));
}

}  // namespace velmora
