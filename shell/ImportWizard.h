// The three-page "Import" wizard: the file, how its lines are read, and
// which column fills which field; then the import under a progress window
// and one message telling what happened.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

#include "importexport/ContactImport.h"
#include "importexport/ImportCatalogue.h"
#include "store/RecordStore.h"
#include "store/Result.h"

class QWidget;

namespace velmora {

// A reader of whole files of its own format (vCard): when it recognises the
// chosen file, the wizard skips the reading and mapping pages.
struct WholeFileImporter {
  std::function<bool(std::string_view bytes)> recognises;
  std::function<Result(std::string_view bytes, ImportCounts&, const ImportProgress&)> run;
};

// The most of the file's text shown on the reading page.
inline constexpr size_t kImportPreviewBytes = size_t{1} << 20;

struct ImportWizardHost {
  std::span<const ImportField> catalogue;
  // Empty: no "&Default Map" and no "&Clear Map".
  std::span<const FieldAlias> aliases;
  std::span<const FieldAlias> further;
  std::function<Result(std::string_view bytes, const ImportSettings&, ImportCounts&, const ImportProgress&)> run;
  WholeFileImporter wholeFile;
};

// Runs the wizard; the number of records added.
int RunImportWizard(QWidget* owner, RecordStore& store, const ImportWizardHost& host);

}  // namespace velmora
