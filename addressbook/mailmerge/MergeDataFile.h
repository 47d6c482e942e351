// The word processor's data file "__tdatafile.tmp": a heading line of the 47
// merge field names and one comma-separated line per recipient, lines ended
// by CR LF.
#pragma once

#include <string>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "addressbook/mailmerge/MergeFields.h"
#include "addressbook/model/Contact.h"
#include "store/OutputFile.h"
#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr size_t kDataFileColumns = kContactFieldCount + kSenderFieldCount;  // 47
}  // namespace mailmerge

// The 47 names joined by commas, with its line end.
std::string DataFileHeading();
// One empty record (46 commas), so that the word processor offers the
// fields while a template is made or edited.
std::string EmptyDataRecord();
// The 47 values of a recipient. "MS Word": each value between double quotes,
// a double quote inside it doubled, separators, tabs and line breaks kept
// (standard CSV, as LibreOffice's data source reads it). "Word Perfect": no
// quotes, each CR, LF and comma in a value turned into a space.
std::string DataFileRow(const Contact& contact, const MergeContext& context, WordProcessor processor);

// "__tdatafile.tmp" in the template folder.
ResultOf<std::string> DataFilePath();

// Writes the heading (and, for a template, the empty record) as a new file
// put in place whole, replacing an older one. mode bounds a new file's
// permissions: the rows it will carry come from the address book.
Result CreateDataFile(const std::string& path, bool withEmptyRecord, const OutputMode& mode = OutputMode::Usual());
// Appends one row to the existing file, which must be free to lock for
// writing; when another holds it the row is not written.
Result AppendDataRow(const std::string& path, const std::string& row);

}  // namespace velmora
