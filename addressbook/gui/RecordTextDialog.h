// The address book's written texts from the windows: the "Print Report"
// and "Export" dialogs opened by mode, and what the two share: the
// category choices, the selected contact's id and writing under a progress
// window that can be cancelled.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/gui/FeatureWindows.h"
#include "importexport/ContactRecordText.h"
#include "store/RecordStore.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// Writes the contacts the options select as vCards to path, telling
// progress how many of how many are written (false cancels). Given to the
// export dialog, it writes every path ending in ".vcf".
using VCardExportWriter = std::function<Result(RecordStore& store, const RecordTextOptions& options,
                                               const std::string& path,
                                               const std::function<bool(size_t, size_t)>& progress)>;

// The characters the "Name to find" field takes.
inline constexpr int kNameFieldLimit = 1023;

// The categories a dialog offers: the file's category names, at most 30.
inline constexpr size_t kMaxCategoryChoices = 30;
std::vector<std::string> CategoryChoices(RecordStore& store);
// The categories the export and report dialogs offer: the file's category
// names (at most 30, in list order), then the other category names the
// contacts this connection may see carry (an imported book's own ones), in
// alphabetical order. A name that differs from one before it only in letter
// case is given once: the choice selects both anyway.
std::vector<std::string> BookCategoryChoices(RecordStore& store);

// The record id of the selected contact; none without a selection or when
// it cannot be read.
std::optional<uint64_t> SelectedContactId(const ContactSelection& selection);

// Runs work under a progress window with text ("Export...") and a Cancel
// button, the wait cursor shown meanwhile. work gets the progress callback
// to hand to the writer. A failure after the user cancelled is the cancel
// (kRecordTextCancelled), however the writer worded it.
Result WriteWithProgress(QWidget* owner, const QString& text,
                         const std::function<Result(const RecordTextProgress& progress)>& work);

// The message shown when the writing of path failed or was cancelled.
std::string RecordTextFailureText(RecordTextMode mode, const Result& failure, const std::string& path);

// Opens the report dialog (mode Report) or the export dialog (mode Export)
// modally over owner for the file, with the selected contact's id for the
// report's "Current record". vcard, when given, lets the export write
// vCard files. Returns the dialog's result (1 when it ended by its action).
int RunRecordTextDialog(RecordTextMode mode, QWidget* owner, RecordStore& store,
                        std::optional<uint64_t> currentId, const VCardExportWriter& vcard = {});

}  // namespace velmora
