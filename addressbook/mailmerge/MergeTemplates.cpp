#include "addressbook/mailmerge/MergeTemplates.h"

#include <cerrno>
#include <memory>
#include <sys/stat.h>

#include "importexport/TextFileOutput.h"
#include "store/Bytes.h"
#include "store/FileSystem.h"
#include "store/Settings.h"

namespace velmora {

using namespace mailmerge;

const std::string_view kDefaultEmailTemplateText =
    "Dear <<First_Name>> <<Last_Name>>\r\n"
    "\r\n"
    "The <<MY_Company>> would like to welcome you as a new customer to our firm. "
    "We are glad that you have chosen us, and we look forward to working with you.\r\n"
    "\r\n"
    "Our aim is simple: to give you good service at a fair price, and to be easy to reach "
    "whenever you need us. If you have a question about an order, an invoice or anything else, "
    "please write to <<MY_Email>> or call us on <<MY_Phone>>.\r\n"
    "\r\n"
    "In the coming weeks you will hear from us now and then about news and offers that may "
    "interest you. If you would rather not receive such messages, just tell us and we will "
    "stop sending them.\r\n"
    "\r\n"
    "You are also welcome to visit us at <<MY_Address>>. We will be happy to show you what we do "
    "and to hear what you expect from us.\r\n"
    "\r\n"
    "Thank you once more for your trust. We hope this is the start of a long and good "
    "cooperation.\r\n"
    "\r\n"
    "All the best,\r\n"
    "<<MY_First_Name>> <<MY_Last_Name>>";

ResultOf<std::string> TemplateFolder() {
  std::string folder = ProgramFolder() + "/" + kTemplateFolderName;
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    return Result::Fail("Cannot create the template folder", errno, folder);
  }
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return Result::Fail("Cannot create the template folder", errno ? errno : ENOTDIR, folder);
  }
  return folder;
}

ResultOf<std::string> TemplatePath(std::string_view name) {
  ResultOf<std::string> folder = TemplateFolder();
  if (!folder) return folder;
  return folder.value() + "/" + std::string(name);
}

const char* DefaultLetterTemplateName(WordProcessor processor) {
  return processor == WordProcessor::WordPerfect ? kDefaultWordPerfectTemplate : kDefaultWordTemplate;
}

bool LetterTemplateFits(std::string_view path, WordProcessor processor) {
  std::string_view want = processor == WordProcessor::WordPerfect ? ".frm" : ".dot";
  if (path.size() < want.size()) return false;
  std::string_view end = path.substr(path.size() - want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    if (FoldCase(uint8_t(end[i])) != uint8_t(want[i])) return false;
  }
  return true;
}

ResultOf<std::string> LetterTemplatePath(const MailMergeSettings& settings) {
  if (!settings.letterTemplate.empty() && LetterTemplateFits(settings.letterTemplate, settings.wordProcessor)) {
    return settings.letterTemplate;
  }
  return TemplatePath(DefaultLetterTemplateName(settings.wordProcessor));
}

ResultOf<std::string> EmailTemplatePath(const MailMergeSettings& settings) {
  if (!settings.emailTemplate.empty()) return settings.emailTemplate;
  return TemplatePath(kDefaultEmailTemplate);
}

ResultOf<std::string> ReadEmailTemplate(const std::string& path) {
  FileSystem& fs = FileSystem::Default();
  std::unique_ptr<File> file;
  Result r = fs.Exists(path) ? fs.OpenReadOnly(path, file) : Result::Fail("Cannot open", ENOENT, path);
  if (!r) return r.Reworded("Error in opening E-mail template.");
  // A few bytes past the limit, so that a letter cut there is recognised.
  std::string bytes(kMaxEmailTemplate + 3, '\0');
  int64_t got = file->ReadSome(0, bytes.data(), bytes.size());
  if (got < 0) return Result::Fail("Error in opening E-mail template.", errno, path);
  bytes.resize(size_t(got));
  std::string text = bytes.substr(0, Utf8CutLength(bytes, kMaxEmailTemplate));
  if (!IsValidUtf8(text)) {
    text = Windows1252ToUtf8(bytes.substr(0, kMaxEmailTemplate));
    text.resize(Utf8CutLength(text, kMaxEmailTemplate));
  }
  return text;
}

Result SaveEmailTemplate(const std::string& path, std::string_view text) {
  TextFileWriter writer;
  Result r = writer.Create(path, "Cannot save the e-mail template");
  if (r) r = writer.Write(text);
  if (r) r = writer.Finish();
  return r;
}

ResultOf<std::string> EnsureDefaultEmailTemplate() {
  ResultOf<std::string> path = TemplatePath(kDefaultEmailTemplate);
  if (!path) return path;
  if (FileSystem::Default().Exists(path.value())) return path;
  TextFileWriter writer;
  Result r = writer.Create(path.value(), "Cannot create the e-mail template");
  if (r) r = writer.Write(kDefaultEmailTemplateText);
  if (r) r = writer.Finish();
  if (!r) return r;
  return path;
}

}  // namespace velmora
