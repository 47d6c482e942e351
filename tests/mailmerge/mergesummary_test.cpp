#include "addressbook/mailmerge/MergeSummary.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::vector<RecipientEntry> Entries(std::initializer_list<std::pair<bool, bool>> enabledAvailable) {
  std::vector<RecipientEntry> entries;
  for (auto [enabled, available] : enabledAvailable) {
    RecipientEntry e;
    e.enabled = enabled;
    e.available = available;
    entries.push_back(e);
  }
  return entries;
}

MailMergeSettings Email() {
  MailMergeSettings s;
  s.destination = MergeDestination::Email;
  return s;
}

TEST(MergeSummary, UnavailableLinesCannotBeEnabled) {
  std::vector<RecipientEntry> list = Entries({{true, true}, {false, false}, {false, true}});
  EXPECT_FALSE(ToggleRecipient(list[1]));
  EXPECT_FALSE(list[1].enabled);
  EXPECT_TRUE(ToggleRecipient(list[0]));
  EXPECT_FALSE(list[0].enabled);
  EXPECT_TRUE(ToggleRecipient(list[2]));
  EXPECT_TRUE(list[2].enabled);

  SelectAllRecipients(list);
  EXPECT_TRUE(list[0].enabled && list[2].enabled);
  EXPECT_FALSE(list[1].enabled);
  EXPECT_FALSE(CanSelectAll(list));
  EXPECT_TRUE(CanDeselectAll(list));
  DeselectAllRecipients(list);
  EXPECT_TRUE(CanSelectAll(list));
  EXPECT_FALSE(CanDeselectAll(list));
  EXPECT_FALSE(CanFinish(list));
}

TEST(MergeSummary, StatusLineAndWords) {
  std::vector<RecipientEntry> list = Entries({{true, true}, {true, true}, {false, true}, {false, false}});
  RecipientCounts counts = CountRecipients(list);
  EXPECT_EQ(SummaryStatusLine(counts, MailMergeSettings()), " 2 for sending, 1 deselected");
  EXPECT_EQ(SummaryStatusLine(counts, Email()), " 2 for sending, 1 deselected, 1 unavailable e-mail");
  EXPECT_TRUE(CanFinish(list));

  MailMergeSettings home = Email();
  home.emailAddress = EmailAddressUsed::Home;
  EXPECT_EQ(RecipientAddressWords(list[0], Email()), "work e-mail");
  EXPECT_EQ(RecipientAddressWords(list[0], home), "home e-mail");
  EXPECT_EQ(RecipientAddressWords(list[3], home), "unavailable e-mail");
  EXPECT_EQ(RecipientAddressWords(list[3], MailMergeSettings()), "");
  EXPECT_FALSE(CanFinish({}));
}

}  // namespace
}  // namespace velmora
