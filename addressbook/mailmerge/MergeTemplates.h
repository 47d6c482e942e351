// The template folder of the mail merge and the files in it: the default
// letter templates, the default e-mail template with its built-in text, and
// the word processor's data file.
#pragma once

#include <string>
#include <string_view>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr const char* kTemplateFolderName = "Template";
inline constexpr const char* kDefaultWordTemplate = "Default.dot";
inline constexpr const char* kDefaultWordPerfectTemplate = "Default.frm";
inline constexpr const char* kDefaultEmailTemplate = "Default.txt";
inline constexpr const char* kDataFileName = "__tdatafile.tmp";
}  // namespace mailmerge

// The built-in text of "Default.txt", lines ended by CR LF.
extern const std::string_view kDefaultEmailTemplateText;

// <program folder>/Template, created when missing.
ResultOf<std::string> TemplateFolder();
// A file of the template folder (the folder created when missing).
ResultOf<std::string> TemplatePath(std::string_view name);

// "Default.dot" for "MS Word", "Default.frm" for "Word Perfect".
const char* DefaultLetterTemplateName(WordProcessor processor);
// Whether a letter template's extension fits the word processor (".dot" or
// ".frm", in any letter case).
bool LetterTemplateFits(std::string_view path, WordProcessor processor);
// The stored letter template when it fits the chosen word processor, else
// that processor's default template in the template folder.
ResultOf<std::string> LetterTemplatePath(const MailMergeSettings& settings);

// The stored e-mail template, else "Default.txt" in the template folder.
ResultOf<std::string> EmailTemplatePath(const MailMergeSettings& settings);
namespace mailmerge {
// The longest e-mail text the message field holds.
inline constexpr size_t kMaxEmailTemplate = 31999;
}  // namespace mailmerge

// The text of an e-mail template: at most 31,999 bytes, cut at a character
// boundary; text that is not UTF-8 is read as Windows-1252.
ResultOf<std::string> ReadEmailTemplate(const std::string& path);
// Saves the message field as the template, replacing the file whole.
Result SaveEmailTemplate(const std::string& path, std::string_view text);

// The path of "Default.txt", created with the built-in text when it does not
// exist (a file that exists is never rewritten).
ResultOf<std::string> EnsureDefaultEmailTemplate();

}  // namespace velmora
