#include "addressbook/gui/RecordTextDialog.h"

#include <QApplication>
#include <QCursor>
#include <map>
#include <set>
#include <string_view>

#include "addressbook/gui/ExportDialog.h"
#include "addressbook/gui/ReportDialog.h"
#include "shell/WorkProgressWindow.h"
#include "store/Bytes.h"
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

namespace {

std::string FoldedCase(std::string_view text) {
  std::string folded(text);
  for (char& ch : folded) {
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  }
  return folded;
}

}  // namespace

std::vector<std::string> BookCategoryChoices(RecordStore& store) {
  std::vector<std::string> names = CategoryChoices(store);
  if (!store.IsOpen()) return names;
  std::set<std::string> seen;
  for (const std::string& name : names) seen.insert(FoldedCase(name));
  // One scan of the slots: the query's visibility rules (live records,
  // confidential ones only for the Owner) decide which records are looked
  // at; the condition gathers their categories and keeps no record.
  std::map<std::string, std::string> used;  // folded -> as first met
  RecordQuery query;
  const auto gather = [&](const uint8_t* field, const QueryCondition&) {
    const std::string name = GetText(field, format::record::kCategoryWidth);
    if (name.empty()) return 0;
    std::string folded = FoldedCase(name);
    if (!seen.contains(folded)) used.emplace(std::move(folded), name);
    return 0;
  };
  if (!query.AddCallbackCondition(format::record::kCategory, nullptr, 0, gather, kConnectorAnd) ||
      !query.Run(store).ok()) {
    return names;
  }
  for (auto& [folded, name] : used) names.push_back(std::move(name));
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
