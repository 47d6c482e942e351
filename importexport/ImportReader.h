// The reader of delimited text files for import: the file text prepared as
// the wizard holds it, the separator and qualifier it proposes, and the
// fields of each complete line.
//
// Lines end with CR LF; a lone LF or CR is part of the line. A field that
// starts with a double quote is a quoted field: it closes at a separator or
// CR LF that directly follows a double quote when the double quotes counted
// from the opening one are even, and a doubled quote inside it reads as one.
// Other fields run to the next separator or CR LF, quotes and white space
// kept. With the double-quote qualifier a field that starts with the
// separator is empty, and when that separator stands right before CR LF it
// also ends the line; without a qualifier that CR LF gives a further empty
// field.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr char kImportQuote = '"';

struct ImportText {
  // UTF-8, always ending with CR LF.
  std::string text;
  bool hadByteOrderMark = false;
  // The file was not UTF-8 and was read as Windows-1252.
  bool fromWindows1252 = false;
};

// The file's bytes as the reader takes them: a UTF-8 byte-order mark at the
// start skipped, text that is not UTF-8 read as Windows-1252, and CR LF
// appended unless the text already ends with it.
ImportText PrepareImportText(std::string_view fileBytes);

// The separator the wizard proposes: a tab when the first comma or tab of
// the text is a tab, else a comma.
char DetectSeparator(std::string_view text);
// The qualifier the wizard proposes: the double quote when the text starts
// with one, else none.
std::optional<char> DetectQualifier(std::string_view text);

// The number of CR LF line ends in the text.
size_t CountImportLines(std::string_view text);

enum class LineRead {
  Read,     // a complete line
  End,      // nothing left
  Partial,  // the rest of the text is an unfinished line (an unclosed quote)
};

class ImportReader {
 public:
  // text must outlive the reader and end with CR LF (PrepareImportText).
  ImportReader(std::string_view text, char separator, std::optional<char> qualifier);

  // The fields of the next complete line, in order.
  LineRead NextLine(std::vector<std::string>& fields);

  // Line number (from 1, counting CR LF line ends) where the line last read
  // (or the partial line) starts.
  size_t lineNumber() const { return lineNumber_; }
  // Line ends passed so far.
  size_t linesPassed() const { return linesPassed_; }

 private:
  // Reads one field at pos_; false when the text ends inside it.
  bool NextField(std::string& field, bool& endsLine);
  bool CrLfAt(size_t at) const { return at + 1 < text_.size() && text_[at] == '\r' && text_[at + 1] == '\n'; }

  std::string_view text_;
  char separator_;
  bool qualified_;
  size_t pos_ = 0;
  size_t lineNumber_ = 0;
  size_t linesPassed_ = 0;
};

// The fields of the first line (the wizard's source fields); empty when the
// text has no complete line.
std::vector<std::string> FirstLineFields(std::string_view text, char separator, std::optional<char> qualifier);

}  // namespace velmora
