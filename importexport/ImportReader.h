// The reader of delimited text files for import: the file text prepared as
// the wizard holds it, the separator and qualifier it proposes, and the
// fields of each complete line, read from memory or streamed from a file.
//
// A line ends with CR LF, a lone LF or a lone CR. A field that starts with
// a double quote is a quoted field: it closes at a separator or line end
// that directly follows a double quote when the double quotes counted from
// the opening one are even, and a doubled quote inside it reads as one.
// Other fields run to the next separator or line end, quotes and white
// space kept. With the double-quote qualifier a field that starts with the
// separator is empty, and when that separator stands right before a line
// end it also ends the line; without a qualifier that line end gives a
// further empty field. A field whose bytes are not UTF-8 is read as
// Windows-1252.
#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Result.h"

namespace velmora {

inline constexpr char kImportQuote = '"';

// How the bytes of an import file encode their text.
enum class ImportEncoding { Utf8, Utf16LE, Utf16BE };

// The encoding the first bytes of a file show: a UTF-16 byte-order mark,
// or, without one, a zero byte in every other place of most ASCII
// characters; UTF-8 (or Windows-1252) otherwise. bomLength is set to the
// length of a byte-order mark found (UTF-8's too).
ImportEncoding DetectImportEncoding(std::string_view firstBytes, size_t* bomLength = nullptr);

// Whether the first bytes of a file look like text at all: no zero byte
// once UTF-16 is decoded, and few control characters.
bool LooksLikeText(std::string_view firstBytes);

struct ImportText {
  // UTF-8, ending with a line end unless empty.
  std::string text;
  bool hadByteOrderMark = false;
  // The file was not UTF-8 and was read as Windows-1252.
  bool fromWindows1252 = false;
  // The file was UTF-16 and was read as such.
  bool fromUtf16 = false;
};

// The file's bytes as the reader takes them: a byte-order mark at the start
// skipped, UTF-16 decoded, text that is not UTF-8 read as Windows-1252, and
// CR LF appended unless the text is empty or already ends with a line end.
ImportText PrepareImportText(std::string_view fileBytes);

// The separator the file's first line uses: of comma, semicolon and tab the
// one found most often outside quoted values, the first of them in the line
// when two are found as often, a comma when none is.
char DetectSeparator(std::string_view text);
// The qualifier the wizard proposes: the double quote when the text starts
// with one, else none.
std::optional<char> DetectQualifier(std::string_view text);

// The number of line ends (CR LF, LF or CR) in the text.
size_t CountImportLines(std::string_view text);

// The decoded text of a file, handed out a piece at a time: UTF-16 becomes
// UTF-8, other bytes are passed on as they are (fields are converted when
// read). Memory stays at one piece whatever the file's size.
class ImportTextStream {
 public:
  // in must outlive the stream.
  explicit ImportTextStream(std::istream& in);
  // Appends the next decoded piece of about `most` input bytes to out;
  // false when nothing is left (or reading failed: see status()).
  bool Read(std::string& out, size_t most);
  const Result& status() const { return status_; }
  ImportEncoding encoding() const { return encoding_; }
  // Input bytes consumed so far.
  uint64_t bytesRead() const { return bytesRead_; }

 private:
  void Start();
  void DecodeUtf16(std::string_view bytes, std::string& out);

  std::istream& in_;
  bool started_ = false;
  ImportEncoding encoding_ = ImportEncoding::Utf8;
  std::string pending_;    // bytes read before the encoding was known
  std::string carry_;      // an odd byte of UTF-16 left from the last piece
  uint32_t highSurrogate_ = 0;
  uint64_t bytesRead_ = 0;
  Result status_ = Result::Ok();
  std::string raw_;
};

enum class LineRead {
  Read,     // a complete line
  End,      // nothing left
  Partial,  // the rest of the text is an unfinished line (an unclosed quote)
};

class ImportReader {
 public:
  // text must outlive the reader and end with a line end (PrepareImportText).
  ImportReader(std::string_view text, char separator, std::optional<char> qualifier);
  // Streams the text from source, holding only the line being read; an
  // unfinished last line is given a line end.
  ImportReader(ImportTextStream& source, char separator, std::optional<char> qualifier);

  // The fields of the next complete line, in order.
  LineRead NextLine(std::vector<std::string>& fields);

  // Line number (from 1, counting line ends) where the line last read (or
  // the partial line) starts.
  size_t lineNumber() const { return lineNumber_; }
  // Line ends passed so far.
  size_t linesPassed() const { return linesPassed_; }
  // Where the next line starts in the text (of a reader over text in
  // memory).
  size_t position() const { return pos_; }
  // Bytes of text held at most at one time (a streamed reader's buffer).
  size_t largestBuffer() const { return largestBuffer_; }

 private:
  enum class Outcome { Done, NeedMore };
  Outcome NextField(std::string& field, bool& endsLine);
  // Length of the line end at `at` (2 for CR LF, 1 for LF or CR), 0 when
  // none, -1 when a CR is the last byte held and more text may follow.
  int LineEndAt(size_t at) const;
  // Reads more of a streamed text; false when there is none.
  bool More();

  std::string_view text_;
  ImportTextStream* source_ = nullptr;
  std::string buffer_;
  bool ended_ = true;
  char separator_;
  bool qualified_;
  size_t pos_ = 0;
  size_t lineNumber_ = 0;
  size_t linesPassed_ = 0;
  size_t largestBuffer_ = 0;
};

// The fields of the first line (the wizard's source fields); empty when the
// text has no complete line.
std::vector<std::string> FirstLineFields(std::string_view text, char separator, std::optional<char> qualifier);

}  // namespace velmora
