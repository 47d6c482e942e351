// The address book's written texts: the export file (a comma-separated
// file of the 52 import catalogue columns) and the plain-text report, with
// the selection and sort they share.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/Contact.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

enum class RecordTextMode { Report = 1, Export = 2 };
enum class ContactScope { All = 1, Category = 2, CurrentRecord = 3 };
enum class ReportFieldSet { All = 0, Home = 1, Business = 2 };

inline constexpr std::string_view kAllCategories = "All";
inline constexpr size_t kMaxNameFilterLength = 1022;
inline constexpr size_t kMaxCategoryFilterLength = 1023;

struct RecordTextOptions {
  ContactScope scope = ContactScope::All;
  // "All" means no category condition.
  std::string category = std::string(kAllCategories);
  bool nameFlag = false;
  std::string name;
  // The record selected in the main list, for ContactScope::CurrentRecord.
  std::optional<uint64_t> currentId;
  ReportFieldSet fields = ReportFieldSet::All;
};

// The positions of the records the options select, among those the
// connection may see, sorted by the first 30 characters of the first name
// ignoring letter case (equal ones in file order). Current record: the
// record with that id (the name is then ignored). Otherwise the records
// whose first or last name contains the name (when the flag is on) and
// whose category contains the category text (unless it is "All"), both
// ignoring letter case.
Result SelectContacts(RecordStore& store, const RecordTextOptions& options, std::vector<RecordPosition>& out);

// The export file's heading line: the 52 labels in double quotes, separated
// by commas, ending CR LF.
std::string ContactExportHeading();
// One export line: the 52 values in catalogue order, each in double quotes
// with a double quote inside doubled; gender and the other-phone types as
// numbers, dates as FormatDate writes them (empty when not valid), an
// other phone whose type is not 1..17 empty. A value that starts with "=",
// "+", "-" or "@" (after any apostrophes) is written with an apostrophe
// before it, so that a spreadsheet opening the file shows it as text and
// runs no formula; the import of an exported file removes that apostrophe.
std::string ContactExportLine(const Contact& contact);

// "Cardora Report (category)" and an empty line.
std::string ContactReportTitle(std::string_view category);
// A record's report block: "Label: value" for each field of the set that is
// not empty, then a line of 50 full stops and an empty line.
std::string ContactReportBlock(const Contact& contact, ReportFieldSet fields);

// Writes piece by piece; false stops the writing.
using RecordTextSink = std::function<Result(std::string_view)>;

// Told how many of the selected records are written (0 of total once the
// selection is made, then after each record); returning false cancels.
using RecordTextProgress = std::function<bool(size_t done, size_t total)>;

// The failure's first words when the progress cancelled the writing.
inline constexpr std::string_view kRecordTextCancelled = "The writing was cancelled";
bool IsRecordTextCancelled(const Result& result);

// The text written for one contact.
using ContactText = std::function<std::string(const Contact&)>;

// Selects and sorts the contacts as SelectContacts does, then writes the
// heading (when not empty) and each contact's text through write. A
// cancel stops before the next contact and fails with kRecordTextCancelled.
Result StreamContactTexts(RecordStore& store, const RecordTextOptions& options, std::string_view heading,
                          const ContactText& text, const RecordTextSink& write, const RecordTextProgress& progress = {});

// The same into the file at path (replaced only when the whole text is
// written); what is the failure's first words when the file cannot be made.
Result WriteContactTexts(RecordStore& store, const RecordTextOptions& options, std::string_view heading,
                         const ContactText& text, const std::string& path, const std::string& what,
                         const RecordTextProgress& progress = {});

// Selects, sorts and writes the heading and each record in the mode's
// format through write. A cancel stops before the next record and fails
// with kRecordTextCancelled.
Result StreamRecordText(RecordStore& store, RecordTextMode mode, const RecordTextOptions& options,
                        const RecordTextSink& write, const RecordTextProgress& progress = {});

// The same into the file at path, which is replaced only when the whole
// text is written (TextFileWriter): a failure or a cancel leaves the file as
// it was. A failure names the file and the reason.
Result WriteRecordText(RecordStore& store, RecordTextMode mode, const RecordTextOptions& options,
                       const std::string& path, const RecordTextProgress& progress = {});

}  // namespace velmora
