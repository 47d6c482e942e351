// The "Categories" dialog: sorted without regard to case, "&New" refuses a
// 30th name, "&Delete" asks first, OK writes the block and Cancel does not.
#include "shell/CategoriesDialog.h"

#include <QListWidget>

#include "RecordFiles.h"
#include "ShellTestSupport.h"
#include "store/Categories.h"

namespace velmora::testing {
namespace {

std::vector<std::string> Shown(QWidget* dialog) {
  std::vector<std::string> names;
  auto* list = Control<QListWidget>(dialog, "list");
  for (int i = 0; list && i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
  return names;
}

class CategoriesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    MakeRecordFile(path, {"boss", "help", "look"});
  }
  std::vector<std::string> OnDisk() {
    RecordStore store(path, "boss");
    Bytes block;
    EXPECT_TRUE(store.ReadCategories(block).ok());
    return CategoryNames(block);
  }
  void WriteNames(const std::vector<std::string>& names) {
    RecordStore store(path, "boss");
    Bytes block;
    ASSERT_TRUE(store.ReadCategories(block).ok());
    SetCategoryNames(block, names);
    ASSERT_TRUE(store.WriteCategories(block).ok());
  }
  bool Edit(const std::string& password = "boss") {
    RecordStore store(path, password);
    return EditCategories(nullptr, store);
  }

  std::string path = File("book.adr");
};

TEST_F(CategoriesTest, ListsTheDefaultsSortedAndOkWritesThemInThatOrder) {
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Categories"));
    EXPECT_EQ(Shown(d), (std::vector<std::string>{"Calls", "Clients", "Expenses", "Follow up", "Holiday", "Ideas",
                                                   "Issues", "Meetings", "People", "Personal", "Projects", "Public",
                                                   "Test", "Travel", "Vacation"}));
    EXPECT_FALSE(Control<QPushButton>(d, "delete")->isEnabled());
    Click(d, "1");
  });
  EXPECT_TRUE(Edit());
  EXPECT_EQ(OnDisk().front(), "Calls");
  EXPECT_EQ(OnDisk()[4], "Holiday");
}

TEST_F(CategoriesTest, NewNamesGoToTheirPlaceIgnoringCase) {
  WriteNames({"beta", "Delta"});
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    // Each click runs "New Category" modally; the script answers it below.
    for (int i = 0; i < 3; ++i) Click(d, "new");
    EXPECT_EQ(Shown(d), (std::vector<std::string>{"alpha", "beta", "Charlie", "Delta", "DELTA"}));
    Click(d, "1");
  });
  for (const char* name : {"alpha", "Charlie", "DELTA"}) {
    script.Expect("newCategory", [name](QWidget* d) {
      auto* ok = Control<QPushButton>(d, "1");
      EXPECT_FALSE(ok->isEnabled()) << "OK needs a name";
      EXPECT_EQ(Control<QLineEdit>(d, "name")->maxLength(), 29);
      Type(d, "name", name);
      EXPECT_TRUE(ok->isEnabled());
      Click(d, "1");
    });
  }
  EXPECT_TRUE(Edit());
  EXPECT_EQ(OnDisk(), (std::vector<std::string>{"alpha", "beta", "Charlie", "Delta", "DELTA"}));
}

TEST_F(CategoriesTest, NewRefusesAThirtiethName) {
  std::vector<std::string> names;
  for (int i = 0; i < 29; ++i) names.push_back("Group " + std::to_string(10 + i));
  WriteNames(names);
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    Click(d, "new");  // no "New Category" window opens
    EXPECT_EQ(Shown(d).size(), 29u);
    Click(d, "1");
  });
  EXPECT_TRUE(Edit());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{CategoryLimitText()});
  EXPECT_EQ(OnDisk(), names);
}

TEST_F(CategoriesTest, DeleteAsksAndRemovesOnlyOnYes) {
  WriteNames({"Calls", "Ideas", "Travel"});
  answers = {false, true};
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    auto* list = Control<QListWidget>(d, "list");
    auto* del = Control<QPushButton>(d, "delete");
    list->setCurrentRow(1);
    EXPECT_TRUE(del->isEnabled());
    del->click();  // No
    EXPECT_EQ(Shown(d).size(), 3u);
    del->click();  // Yes
    EXPECT_EQ(Shown(d), (std::vector<std::string>{"Calls", "Travel"}));
    EXPECT_FALSE(del->isEnabled());
    Click(d, "1");
  });
  EXPECT_TRUE(Edit());
  EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, "Do you want to delete this category ?"));
  EXPECT_EQ(OnDisk(), (std::vector<std::string>{"Calls", "Travel"}));
}

TEST_F(CategoriesTest, CancelWritesNothing) {
  WriteNames({"Calls", "Ideas"});
  answers = {true};
  DialogScript script;
  script.Expect("categories", [](QWidget* d) {
    Control<QListWidget>(d, "list")->setCurrentRow(0);
    Click(d, "delete");
    Click(d, "2");
  });
  EXPECT_FALSE(Edit());
  EXPECT_EQ(OnDisk(), (std::vector<std::string>{"Calls", "Ideas"}));
}

TEST_F(CategoriesTest, AReaderMayNotEditThem) {
  for (const char* password : {"look", "nobody"}) EXPECT_FALSE(Edit(password));
  EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, "Program can't do this. You don't have permission."));
}

}  // namespace
}  // namespace velmora::testing
