#include "addressbook/gui/RecordTextDialog.h"

#include <QApplication>
#include <QCursor>

#include "addressbook/gui/ExportDialog.h"
#include "addressbook/gui/ReportDialog.h"
#include "shell/WorkProgressWindow.h"
#include "store/Categories.h"
#include "store/RecordHeader.h"

namespace velmora {

std::vector<std::string> CategoryChoices(RecordStore& store) {
  Bytes block;
  if (!store.IsOpen() || !store.ReadCategories(block).ok()) return {};
  std::vector<std::string> names = CategoryNames(block);
  if (names.size() > kMaxCategoryChoices) names.resize(kMaxCategoryChoices);
  return names;
}

std::optional<uint64_t> SelectedContactId(const ContactSelection& selection) {
  if (!selection.store || !selection.selected) return std::nullopt;
  Bytes record;
  if (!selection.store->ReadRecordIfLive(record, *selection.selected).ok()) return std::nullopt;
  return rec::Id(record.data());
}

Result WriteWithProgress(QWidget* owner, const QString& text,
                         const std::function<Result(const RecordTextProgress& progress)>& work) {
  WorkProgressWindow window(text, true, owner);
  window.show();
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  const Result result = work([&window](size_t done, size_t total) { return window.Report(done, total); });
  QApplication::restoreOverrideCursor();
  // A writer that words its cancel otherwise still reads as cancelled.
  if (!result.ok() && window.cancelled() && !IsRecordTextCancelled(result)) {
    return Result::Fail(std::string(kRecordTextCancelled), 0, result.path());
  }
  return result;
}

std::string RecordTextFailureText(RecordTextMode mode, const Result& failure, const std::string& path) {
  if (IsRecordTextCancelled(failure)) {
    const char* what = mode == RecordTextMode::Report ? "The report was cancelled" : "The export was cancelled";
    return std::string(what) + ": \"" + path + "\" was left as it was.";
  }
  return failure.Message();
}

int RunRecordTextDialog(RecordTextMode mode, QWidget* owner, RecordStore& store,
                        std::optional<uint64_t> currentId, const VCardExportWriter& vcard) {
  if (mode == RecordTextMode::Report) {
    ReportDialog dialog(store, currentId, owner);
    return dialog.RunModal();
  }
  ExportDialog dialog(store, vcard, owner);
  return dialog.RunModal();
}

}  // namespace velmora
