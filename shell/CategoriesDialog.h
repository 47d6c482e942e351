// The "Categories" dialog: the open file's category names, kept sorted
// without regard to case, with "&New" and "&Delete"; OK writes them back.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "store/Categories.h"

class QListWidget;
class QPushButton;

namespace velmora {

class RecordStore;

class CategoriesDialog : public QDialog {
  Q_OBJECT

 public:
  CategoriesDialog(std::vector<std::string> names, QWidget* owner = nullptr);

  // The list in its shown order.
  std::vector<std::string> names() const;
  const CategoryList& categories() const { return categories_; }
  // Inserts name in its sorted place (after equal names); false, with a
  // message, when the list already holds the most a file can keep.
  bool AddName(const std::string& name);

 private:
  void New();
  void Delete();
  // Shows categories_ in the list, nothing selected.
  void ShowNames();

  CategoryList categories_;
  QListWidget* list_;
  QPushButton* delete_;
};

// Runs the dialog on the store's category block and writes it on OK. A
// Reader (or a connection without access) gets message 102 instead. True
// when the block was written.
bool EditCategories(QWidget* owner, RecordStore& store);

// "A file keeps at most 29 categories. ..."
std::string CategoryLimitText();

}  // namespace velmora
