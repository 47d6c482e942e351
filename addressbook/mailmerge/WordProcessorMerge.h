// The three word-processor actions of the mail merge: create a letter
// template bound to the data file, open a template for editing, and merge a
// template with the recipients' data. "MS Word" is LibreOffice Writer here
// (LibreOfficeWriter): it writes the template or the merged document, which
// is then opened on the desktop for the user. "Word Perfect" has no
// counterpart on this desktop: its actions fail at the step that finds it.
// A failing step shows its message box and ends the action.
#pragma once

#include <functional>
#include <string>

#include "addressbook/mailmerge/LibreOfficeWriter.h"
#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/WordPerfectFormat.h"
#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr const char* kWordCaption = "Error - MS Word";
inline constexpr const char* kWordPerfectCaption = "Error - WP";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kXdgOpen = "xdg-open";
}  // namespace mailmerge

// Shows one message box of a failed step (exclamation icon).
using MergeMessageBox = std::function<void(const std::string& caption, const std::string& text)>;

// Opening a written document for the user.
enum class OpenOutcome { Opened, NoOpener, Failed };
using DocumentOpener = std::function<OpenOutcome(const std::string& path)>;

// Opens the document with the desktop's program for it (xdg-open), in a
// session of its own so that it outlives this program. NoOpener when
// xdg-open is not installed, Failed when it reports a failure within a few
// seconds.
OpenOutcome OpenMergedDocument(const std::string& path);

// Where a merge of the template is written: "<template name> merged.odt"
// beside it, or, while LibreOffice holds that one open (its lock file
// ".~lock.<name>#" lies beside it), the first "<template name> merged
// <n>.odt" that is free.
std::string MergedDocumentPath(const std::string& templatePath);

class WordProcessorMerge {
 public:
  // format: the WordPerfect format library, none on this desktop.
  WordProcessorMerge(LibreOfficeWriter& writer, MergeMessageBox show, DocumentOpener open = OpenMergedDocument,
                     WordPerfectFormat* format = nullptr);

  // "Create new template": a new template at templatePath (replacing a file
  // there), bound to the data file, opened for the user.
  Result CreateLetterTemplate(WordProcessor processor, const std::string& dataFile,
                              const std::string& templatePath);
  // "Edit template": the template bound to the data file again, written back
  // and opened for the user.
  Result EditLetterTemplate(WordProcessor processor, const std::string& templatePath, const std::string& dataFile);
  // The merge at the end of a send job: the template merged with every row
  // of the data file into MergedDocumentPath(template), opened for the user.
  // Gives that path.
  ResultOf<std::string> RunLetterMerge(WordProcessor processor, const std::string& dataFile,
                                       const std::string& templatePath);

  // LibreOffice's own account of the last failure, for the log.
  const std::string& lastDetail() const { return lastDetail_; }

 private:
  enum class Action { Create, Edit, Merge };
  Result Writer(Action action, const std::string& dataFile, const std::string& templatePath,
                const std::string& output);
  Result WordPerfect(Action action, const std::string& dataFile);
  // shownAfter: further words of the box, not of the result.
  Result Fail(const char* caption, const std::string& text, const std::string& detail = {},
              const std::string& shownAfter = {});

  LibreOfficeWriter& writer_;
  MergeMessageBox show_;
  DocumentOpener open_;
  WordPerfectFormat* format_;
  std::string lastDetail_;
};

}  // namespace velmora
