#include "shell/CategoriesDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/MessageBoxFlowUi.h"
#include "shell/MessageBoxes.h"
#include "shell/NewCategoryDialog.h"
#include "store/Categories.h"
#include "store/RecordStore.h"
#include "shell/RecordFileCommands.h"
#include "resources/Strings.h"

namespace velmora {

namespace {
constexpr int kMostCategories = int(format::category::kShownEntries);  // 29

// The list a CategoryList starts from: names in their given order.
Bytes BlockOf(const std::vector<std::string>& names) {
  Bytes block;
  SetCategoryNames(block, names);
  return block;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}
}  // namespace

std::string CategoryLimitText() {
  return "A file keeps at most " + std::to_string(kMostCategories) +
         " categories.\r\nDelete a category before you add a new one.";
}

CategoriesDialog::CategoriesDialog(std::vector<std::string> names, QWidget* owner)
    : QDialog(owner), categories_(BlockOf(names)) {
  setObjectName(QStringLiteral("categories"));
  setWindowTitle(QStringLiteral("Categories"));
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  auto* label = new QLabel(QStringLiteral("Categories"), this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("list"));
  label->setBuddy(list_);
  left->addWidget(label);
  left->addWidget(list_);
  layout->addLayout(left);

  auto* right = new QVBoxLayout();
  QPushButton* ok = Button("OK", "1", this);
  ok->setDefault(true);
  QPushButton* cancel = Button("Cancel", "2", this);
  QPushButton* add = Button("&New", "new", this);
  delete_ = Button("&Delete", "delete", this);
  for (QPushButton* b : {ok, cancel, add, delete_}) right->addWidget(b);
  right->addStretch();
  layout->addLayout(right);

  ShowNames();
  connect(list_, &QListWidget::itemSelectionChanged, this,
          [this] { delete_->setEnabled(!list_->selectedItems().isEmpty()); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(add, &QPushButton::clicked, this, &CategoriesDialog::New);
  connect(delete_, &QPushButton::clicked, this, &CategoriesDialog::Delete);
}

std::vector<std::string> CategoriesDialog::names() const { return categories_.names(); }

void CategoriesDialog::ShowNames() {
  list_->clear();
  for (const std::string& name : categories_.names()) list_->addItem(QString::fromStdString(name));
  list_->clearSelection();
  delete_->setEnabled(false);
}

bool CategoriesDialog::AddName(const std::string& name) {
  if (categories_.IsFull()) {
    InformationBox(this, CategoryLimitText());
    return false;
  }
  if (!categories_.Add(name)) return false;
  ShowNames();
  return true;
}

void CategoriesDialog::New() {
  // Refused before the name is typed, rather than dropped silently on OK.
  if (categories_.IsFull()) {
    InformationBox(this, CategoryLimitText());
    return;
  }
  NewCategoryDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  AddName(dialog.name());
}

void CategoriesDialog::Delete() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  if (!QuestionBox(this, kMsgDeleteCategory)) return;
  if (categories_.Remove(size_t(list_->row(selected.constFirst())))) ShowNames();
}

bool EditCategories(QWidget* owner, RecordStore& store) {
  const CategoriesEditor editor = [owner](CategoryList& list) {
    CategoriesDialog dialog(list.names(), owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    list = dialog.categories();
    return true;
  };
  return EditCategories(store, editor, MessageBoxFlowUi(owner));
}

}  // namespace velmora
