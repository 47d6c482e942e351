// File and folder dialogs drawn by Qt itself (never the desktop's native
// ones), so they look the same on every desktop and can be scripted.
#pragma once

#include "shell/FileDialogs.h"

namespace velmora {

class QtFileDialogs : public FileDialogs {
 public:
  std::optional<std::string> ChooseFile(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(QWidget* owner, const std::string& prompt,
                                          const std::string& startFolder) override;
};

}  // namespace velmora
