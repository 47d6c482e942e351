#include "shell/CompactCommand.h"

#include <QPointer>
#include <QWidget>
#include <memory>

#include "shell/CompactProgressWindow.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxFlowUi.h"
#include "shell/MessageBoxes.h"
#include "shell/RecordFileCommands.h"

namespace velmora {

CompactUi MakeCompactUi(QWidget* owner) {
  // Shared by the callbacks; the window lives from begin to end.
  auto window = std::make_shared<std::unique_ptr<CompactProgressWindow>>();
  QPointer<QWidget> guardedOwner(owner);
  CompactUi ui;
  ui.showMessage = [guardedOwner](const std::string& message) { InformationBox(guardedOwner, message); };
  ui.begin = [window, guardedOwner](const std::string& fileName, uint64_t totalSlots) {
    *window = std::make_unique<CompactProgressWindow>(fileName, totalSlots, guardedOwner);
    (*window)->show();
  };
  ui.step = [window] {
    if (*window) (*window)->Step();
  };
  ui.end = [window, guardedOwner] {
    window->reset();
    if (guardedOwner) guardedOwner->activateWindow();
  };
  return ui;
}

int CompactNamedFile(QWidget* owner, const std::string& path, bool withHistory) {
  const CompactUi progress = MakeCompactUi(owner);
  return CompactCommand(path, withHistory, MessageBoxFlowUi(owner), &progress) ? 1 : 0;
}

std::optional<std::string> RunCompactCommand(QWidget* owner, std::string_view filter, std::string_view extension,
                                             bool withHistory) {
  const std::optional<std::string> path = FileDialogs::Current().ChooseFile(
      owner, {FileDialogMode::Open, std::string(filter), std::string(extension), StartFolder::Work, {}});
  if (!path) return std::nullopt;
  if (CompactNamedFile(owner, *path, withHistory) != 1) return std::nullopt;
  return *path;
}

}  // namespace velmora
