// "MS Word" on this desktop: LibreOffice Writer, driven through UNO by the
// script writer_merge.py under Debian's own Python (the one with the UNO
// bridge). Each action starts a headless LibreOffice with a profile of its
// own in a private work folder, does its steps and ends it; the office
// writes only inside that folder, and what it made there is then put in
// place through the suite's output routine (a fresh file beside the target,
// renamed over it; never through a link). The private folder is removed
// afterwards, and a run that takes too long is ended with everything it
// started.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

namespace mailmerge {
inline constexpr const char* kWriterPython = "/usr/bin/python3";
inline constexpr const char* kWriterOffice = "/usr/bin/soffice";
inline constexpr const char* kWriterScriptName = "writer_merge.py";
// What a finished run leaves in its work folder: the document (the template,
// or the merged document); the script itself puts the data source document
// beside the data file, by the same rules.
inline constexpr const char* kWriterDocumentName = "document.odt";

// The steps of an action as the script numbers them; a failed run names the
// step that failed, or that was running when the time ran out.
inline constexpr int kStepBridge = 1;       // the UNO bridge of the Python
inline constexpr int kStepOfficeProgram = 2;  // soffice is installed
inline constexpr int kStepOfficeStart = 3;  // the office started and answered
inline constexpr int kStepDesktop = 4;      // the office's desktop
inline constexpr int kStepDocument = 6;     // the new document, or the template opened
inline constexpr int kStepMergeSettings = 7;  // the document's merge settings
inline constexpr int kStepDataSource = 8;   // bound to the data file (template written)
inline constexpr int kStepMerge = 9;        // the merged document written
}  // namespace mailmerge

// Where the script lies: beside the program, in share/velmora beside or
// above the program's folder, then in the build tree's and the installed
// share/velmora. Empty when it is nowhere.
std::string FindWriterMergeScript();

enum class WriterAction { CreateTemplate, EditTemplate, Merge };

struct WriterSetup {
  std::string python = mailmerge::kWriterPython;
  std::string script = FindWriterMergeScript();
  std::string office = mailmerge::kWriterOffice;
  // The private work folder of a run is made in here; empty: TMPDIR, else
  // /tmp.
  std::string workParent;
  std::chrono::seconds timeout{240};
  // Set from any thread to end the run at once, with everything it started.
  std::shared_ptr<std::atomic<bool>> cancel;
  // Told each step as the script begins it (on the thread that runs).
  std::function<void(int step)> progress;
};

// How a run ended.
struct WriterRun {
  int failedStep = 0;  // 0 when the action was done
  bool timedOut = false;
  bool cancelled = false;  // ended by the cancel flag; nothing was put in place
  std::string detail;  // the script's own account of a failure

  bool ok() const { return failedStep == 0; }
};

class LibreOfficeWriter {
 public:
  explicit LibreOfficeWriter(WriterSetup setup = {});

  // CreateTemplate writes a new template at templatePath, bound to the data
  // file; EditTemplate binds the existing template to it again and writes it
  // back; Merge writes the template merged with every row of the data file
  // to output (an OpenDocument text), leaving the template as it was.
  // Blocks until the office has ended.
  WriterRun Run(WriterAction action, const std::string& dataFile, const std::string& templatePath,
                const std::string& output = {});

  const WriterSetup& setup() const { return setup_; }

 private:
  WriterSetup setup_;
};

}  // namespace velmora
