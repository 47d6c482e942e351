// The import of contacts from a delimited text file: the acceptance step
// (normalise, then the duplicate test) and the engine that reads the file,
// converts each line and adds the accepted records in batches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "importexport/ImportConversion.h"
#include "importexport/ImportMapping.h"
#include "importexport/ImportReport.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The fields ContactRecordsEqual compares, packed into one string: two
// records are equal by that test exactly when their keys are equal.
std::string ContactDuplicateKey(const uint8_t* record);

// The duplicate test built once: the keys of every record the connection
// may see, then of every record accepted since. Each key is kept as a
// 128-bit digest of two independent hashes, so the test costs a few dozen
// bytes a record however long the records' texts are.
class ContactDuplicateIndex {
 public:
  // Reads the visible records (confidential ones only for the Owner).
  Result Load(RecordStore& store);
  bool Contains(const Bytes& record) const;
  void Add(const Bytes& record);
  // Adds the record unless an equal one is known; true when it was added.
  bool AddIfNew(const Bytes& record);
  // Makes room for that many more records at once.
  void Reserve(size_t more) { keys_.reserve(keys_.size() + more); }
  size_t size() const { return keys_.size(); }

 private:
  struct Digest {
    uint64_t first = 0;
    uint64_t second = 0;
    bool operator==(const Digest&) const = default;
  };
  struct DigestHash {
    size_t operator()(const Digest& d) const { return size_t(d.first); }
  };
  static Digest DigestOf(const std::string& key);

  std::unordered_set<Digest, DigestHash> keys_;
};

// The address book's acceptance step: the record is normalised
// (NormaliseContactRecord), then dropped when it equals a visible record of
// the file or one accepted before. The file is read once, on the first
// record.
class ContactImportAcceptor {
 public:
  explicit ContactImportAcceptor(RecordStore& store) : store_(store) {}
  // True when the record is to be added; it is remembered as added. A
  // failure to read the file accepts nothing (status() tells why).
  bool Accept(Bytes& record);
  const Result& status() const { return status_; }
  // The number of records still to come, so the test makes room once.
  void Expect(size_t records) { expected_ = records; }

 private:
  RecordStore& store_;
  size_t expected_ = 0;
  bool loaded_ = false;
  Result status_ = Result::Ok();
  ContactDuplicateIndex index_;
};

struct ImportSettings {
  bool heading = true;  // the first line holds field names
  char separator = ',';
  std::optional<char> qualifier = '"';
  // One row per source column: the contact catalogue entry it fills.
  ImportMapping mapping;
  // Lines above the heading that are not part of the table (LinkedIn
  // writes a note there).
  size_t skipLines = 0;
  // How a date whose text does not show its order is read; unset, in the
  // order the export writes under the clock style (GetClockStyle).
  std::optional<DateOrder> dateOrder;
};

struct ImportCounts {
  size_t linesRead = 0;   // data lines read (the heading not counted)
  size_t added = 0;       // records added to the file
  size_t duplicates = 0;  // lines dropped as duplicates
  std::vector<ImportLineProblem> unread;  // lines that could not be read
  // Records added without part of what their line held (a vCard's fourth
  // e-mail address, a value longer than its field, a date that could not
  // be read), with what was left out.
  std::vector<ImportLineProblem> partly;
  bool cancelled = false;
};

// Told after each data line: the lines processed and the data lines in all.
// Returning false cancels; the records added so far stay.
using ImportProgress = std::function<bool(size_t done, size_t total)>;

// Records written to the file at a time.
inline constexpr size_t kImportBatchRecords = 256;

// Whether the store is an address book this connection may import into: a
// Reader is refused with code 104.
Result CheckContactImportTarget(RecordStore& store);

// The adding end of an import: each record goes through the acceptance
// step and the accepted ones are written kImportBatchRecords at a time,
// counted in counts. A failure says at which line the import stopped and
// how many records it had added. Refresh from other users is paused while
// the batch lives.
class ContactImportBatch {
 public:
  ContactImportBatch(RecordStore& store, ImportCounts& counts, size_t expected);
  ~ContactImportBatch();
  ContactImportBatch(const ContactImportBatch&) = delete;
  ContactImportBatch& operator=(const ContactImportBatch&) = delete;

  // line: where the record's text starts in the file, for the failure.
  Result Add(Bytes& record, size_t line);
  // Writes what is still held.
  Result Finish();

 private:
  Result Flush();

  RecordStore& store_;
  ImportCounts& counts_;
  ContactImportAcceptor acceptor_;
  Bytes pending_;
  size_t pendingCount_ = 0;
  size_t lastLine_ = 0;
  bool refreshWas_;
};

// What a file that is neither delimited text with known headings nor a
// vCard file is told.
inline constexpr std::string_view kNotAContactsFile =
    "The file is neither a contacts CSV file nor a vCard file: expected text with values separated by commas, "
    "semicolons or tabs whose first line names the columns (such as \"First Name\", \"Last Name\", "
    "\"E-mail Address\"), or vCards from BEGIN:VCARD to END:VCARD.";

// Imports the file's bytes into an address book. counts tells how far it
// got, also on failure. A Reader is refused with code 104 and nothing
// read; a file that is not text or whose mapping has no mapped column is
// refused with kNotAContactsFile; a file none of whose data lines could be
// read is a failure that says why; a failure to read the file or to add
// records says how many records were added and at which line the import
// stopped.
//
// Blank lines and lines none of whose values goes to a field add nothing.
// A value that goes to no field (a column the mapping leaves out whose
// heading the import knows no place for, a fifth phone number), a value
// longer than its field and a date that cannot be read are left out of the
// record and told in counts.partly, one line each; the rest of the line is
// added. Google's "... - Type" / "... - Label" columns decide whether a
// phone, e-mail address, web address or postal address goes to the home
// or the work fields or to an other phone of that type, an event to the
// anniversary or birthday, a related person to the spouse or a child; Thunderbird's
// "Birth Year", "Birth Month" and "Birth Day" make one date; free-text
// columns without a field of their own ("Custom 1", "Connected On") are
// added to the notes as "Heading: value" lines. A file this program
// exported is read back as written: its values that start with an
// apostrophe before "=", "+", "-" or "@" lose that one apostrophe.
Result ImportContacts(RecordStore& store, std::string_view fileBytes, const ImportSettings& settings,
                      ImportCounts& counts, const ImportProgress& progress = {});

// The same, streaming the file: memory stays a constant plus the longest
// line. The progress is told 0 as the total.
Result ImportContacts(RecordStore& store, std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                      const ImportProgress& progress = {});

// The settings proposed for a file from its first bytes (a few hundred
// kilobytes are plenty): the heading is the first of the first lines whose
// headings map at least two columns (lines above it skipped), else the
// first line; the separator is the one that line uses most; the mapping
// by headings ("&Default Map", with the table of today's headings after the
// address book's own) or by position.
enum class ImportMapChoice { Default, Positional };
ImportSettings ProposedImportSettings(std::string_view fileStart, bool heading, ImportMapChoice choice);
// The same for another catalogue and its heading tables (the calendar's).
ImportSettings ProposedImportSettings(std::string_view fileStart, bool heading, ImportMapChoice choice,
                                      std::span<const ImportField> catalogue, std::span<const FieldAlias> aliases,
                                      std::span<const FieldAlias> further);

// Whether the headings are exactly those the export writes.
bool IsContactExportHeading(const std::vector<std::string>& headings);

}  // namespace velmora
