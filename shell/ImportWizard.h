// The three-page "Import" wizard: the file, how its lines are read, and
// which column fills which field; then the import under a progress window
// and one message telling what happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <span>
#include <string_view>

#include "importexport/ContactImport.h"
#include "importexport/ImportCatalogue.h"
#include "store/RecordStore.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// A reader of files of its own format (vCard): when it recognises the
// start of the chosen file, the wizard skips the reading and mapping pages.
// run reads the file, opened at Finish, from its start; size is its length
// when it was opened, for the progress.
struct WholeFileImporter {
  // Its entry in the file dialog's filter: "vCard file (*.vcf)|*.vcf|".
  std::string fileFilter;
  std::function<bool(std::string_view fileStart)> recognises;
  std::function<Result(std::istream& file, uint64_t size, ImportCounts&, const ImportProgress&)> run;
};

// The most of the file's text shown on the reading page.
inline constexpr size_t kImportPreviewBytes = size_t{1} << 20;
// The most of the file the reading and mapping pages read: the preview and
// some room beyond it. The import itself streams the file, so its size
// costs no memory.
inline constexpr size_t kImportStartBytes = kImportPreviewBytes + (size_t{64} << 10);

struct ImportWizardHost {
  std::span<const ImportField> catalogue;
  // Empty: no "&Default Map" and no "&Clear Map".
  std::span<const FieldAlias> aliases;
  std::span<const FieldAlias> further;
  // Imports the file, opened at Finish, reading it from its start.
  std::function<Result(std::istream& file, const ImportSettings&, ImportCounts&, const ImportProgress&)> run;
  WholeFileImporter wholeFile;
};

// Runs the wizard; the number of records added.
int RunImportWizard(QWidget* owner, RecordStore& store, const ImportWizardHost& host);

}  // namespace velmora
