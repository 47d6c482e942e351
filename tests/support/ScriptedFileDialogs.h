// File dialogs that answer from a queue (nothing = cancel) and record what
// was asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/FileDialogs.h"

namespace velmora::testing {

class ScriptedFileDialogs : public FileDialogs {
 public:
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> requests;
  std::vector<std::string> folderPrompts;

  std::optional<std::string> ChooseFile(QWidget*, const FileDialogRequest& request) override {
    requests.push_back(request);
    return Next();
  }
  std::optional<std::string> ChooseFolder(QWidget*, const std::string& prompt, const std::string&) override {
    folderPrompts.push_back(prompt);
    return Next();
  }

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace velmora::testing
