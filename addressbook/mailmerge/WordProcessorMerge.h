// The three word-processor actions of the mail merge: create a letter
// template bound to the data file, open a template for editing, and merge a
// template with the recipients' data. "MS Word" is LibreOffice Writer here
// (LibreOfficeWriter): it writes the template or the merged document, which
// is then opened on the desktop for the user. "Word Perfect" has no
// counterpart on this desktop: its actions fail at the step that finds it.
// A failing step shows its message box and ends the action. A document that
// was written but that no program of the desktop opens is no failure: the
// user is told where it is.
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
inline constexpr const char* kXdgMime = "xdg-mime";
inline constexpr const char* kOpenDocumentTextType = "application/vnd.oasis.opendocument.text";
// LibreOffice's own starters, asked in this order when the desktop has no
// program for OpenDocument texts.
inline constexpr const char* kOfficeStarters[] = {"soffice", "libreoffice"};
inline constexpr const char* kNoticeCaption = "Velmora";
// What a cancelled action gives (no message box: the user chose it).
inline constexpr const char* kWriterCancelled = "The word processor was stopped before it finished.";
}  // namespace mailmerge

// Shows one message box of a failed step (exclamation icon).
using MergeMessageBox = std::function<void(const std::string& caption, const std::string& text)>;

// Opening a written document for the user.
enum class OpenOutcome { Opened, NoOpener, Failed };
using DocumentOpener = std::function<OpenOutcome(const std::string& path)>;

// The desktop file of the program the desktop opens a type with
// ("xdg-mime query default TYPE"); empty when it has none, or when xdg-mime
// is not installed or does not answer within a few seconds.
std::string DesktopProgramFor(const std::string& mimeType);

// Opens the document for the user, in a session of its own so that it
// outlives this program: with xdg-open when the desktop has a program for
// OpenDocument texts, else with LibreOffice itself ("soffice", else
// "libreoffice" on the PATH). NoOpener when none of them is there, Failed
// when the one started reports a failure within a few seconds.
OpenOutcome OpenMergedDocument(const std::string& path);

// Where a merge of the template is written: "<template name> merged.odt"
// beside it, or, when that one exists (an earlier merge the user may still
// want) or LibreOffice holds that name open (its lock file ".~lock.<name>#"
// lies beside it), the first "<template name> merged <n>.odt" that is free.
// A merge never replaces an earlier one.
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
  // Whether the last action was ended by the writer's cancel flag.
  bool lastCancelled() const { return lastCancelled_; }

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
  bool lastCancelled_ = false;
};

}  // namespace velmora
