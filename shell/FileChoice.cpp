#include "shell/FileChoice.h"

#include <QFileInfo>

#include "shell/CompactCommand.h"
#include "shell/CreateNewFileDialog.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxFlowUi.h"
#include "shell/MessageBoxes.h"
#include "shell/PasswordDialog.h"
#include "store/Compact.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "shell/RecordFileCommands.h"

namespace velmora {

namespace {

constexpr const char* kPreference = "Preference";
constexpr const char* kDefaultFileKey = "DefaulFile";
constexpr const char* kRecordExampleKey = "RecordExample";
// Paths as the file dialogs and the settings keep them.
constexpr size_t kPathCapacity = 4096;

std::string ReadDefaultFile() {
  std::string path;
  ReadSettingText(ProgramSettingsPath(), kPreference, kDefaultFileKey, path, kPathCapacity);
  return path;
}

bool IsFile(const std::string& path) { return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile(); }

std::optional<ChosenFile> WithPassword(QWidget* owner, const std::string& path) {
  std::optional<std::string> password = ChooseFilePassword(owner, path);
  if (!password) return std::nullopt;
  return ChosenFile{path, *password};
}

}  // namespace

std::optional<ChosenFile> StartupFileChoice(QWidget* owner, const std::string& commandLine,
                                            std::string_view extension) {
  if (!commandLine.empty()) {
    // Resolved before the work folder becomes the current directory.
    const std::string path = QFileInfo(QString::fromStdString(commandLine)).absoluteFilePath().toStdString();
    if (IsFile(path)) return WithPassword(owner, path);
  }
  const std::string remembered = ReadDefaultFile();
  if (remembered.empty()) {
    // Only the file name is lower-cased: the folders keep their spelling.
    const QString name = QString::fromStdString(ProgramName()).toLower() + QLatin1Char('.') +
                         QString::fromUtf8(extension.data(), qsizetype(extension.size())).toLower();
    const std::string path = WorkFolder() + "/" + name.toStdString();
    if (QFileInfo::exists(QString::fromStdString(path))) return std::nullopt;
    Result remembered = WriteSettingText(ProgramSettingsPath(), kPreference, kDefaultFileKey, path);
    if (remembered.ok()) remembered = WriteSettingText(ProgramSettingsPath(), kPreference, kRecordExampleKey, "1");
    if (!remembered.ok()) InformationBox(owner, remembered.Message());
    return ChosenFile{path, ""};
  }
  if (!IsFile(remembered)) return std::nullopt;
  return WithPassword(owner, remembered);
}

std::optional<NewFileChoice> RunCreateNewFile(QWidget* owner, std::string_view extension) {
  CreateNewFileDialog dialog{std::string(extension), owner};
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  if (Result remembered = WriteSettingText(ProgramSettingsPath(), kPreference, kDefaultFileKey, dialog.path());
      !remembered.ok()) {
    InformationBox(owner, remembered.Message());
  }
  std::string example;
  ReadSettingText(ProgramSettingsPath(), kPreference, kRecordExampleKey, example);
  if (owner) owner->update();
  return NewFileChoice{dialog.path(), example == "1"};
}

std::optional<ChosenFile> RunOpenDialog(QWidget* owner, std::string_view filter, std::string_view extension) {
  const std::optional<std::string> path = FileDialogs::Current().ChooseFile(
      owner, {FileDialogMode::Open, std::string(filter), std::string(extension), StartFolder::Work, {}});
  if (!path) return std::nullopt;
  std::optional<ChosenFile> chosen = WithPassword(owner, *path);
  if (chosen) {
    if (Result remembered = WriteSettingText(ProgramSettingsPath(), kPreference, kDefaultFileKey, chosen->path);
        !remembered.ok()) {
      InformationBox(owner, remembered.Message());
    }
  }
  return chosen;
}

std::optional<std::string> RunSaveAs(QWidget* owner, RecordStore& open, std::string_view filter,
                                     std::string_view extension, bool withHistory) {
  const std::optional<std::string> target = FileDialogs::Current().ChooseFile(
      owner, {FileDialogMode::Save, std::string(filter), std::string(extension), StartFolder::Work, {}});
  if (!target) return std::nullopt;
  const CompactUi progress = MakeCompactUi(owner);
  bool said = false;
  if (SaveAsCommand(open, *target, withHistory, MessageBoxFlowUi(owner, &said), &progress)) return *target;
  // A copy that failed without saying why still tells the user.
  if (!said) InformationBox(owner, AccessDeniedText(*target));
  return std::nullopt;
}

std::unique_ptr<RecordStore> OpenChosenFile(QWidget* owner, const std::string& path, const std::string& password,
                                            bool examples, format::FileKind kind, const SampleWriter& samples) {
  if (!RecordStore::FileExists(path)) {
    Result made = CreateRecordFile(path, kind);
    if (made.ok() && examples && samples) {
      RecordStore store(path, "");
      made = store.OpenFailed() ? store.OpenError() : samples(store);
      if (made.ok()) made = store.Flush();
    }
    if (!made.ok()) {
      InformationBox(owner, made.Message());
      return nullptr;
    }
  }
  // A file in use elsewhere or damaged is opened as it is; the connection
  // then reports what it cannot do.
  (void)CheckAndCompact(path, 0, MakeCompactUi(owner));
  auto store = std::make_unique<RecordStore>(path, password);
  if (store->OpenFailed()) {
    InformationBox(owner, store->OpenError().Message());
    return nullptr;
  }
  return store;
}

}  // namespace velmora
