// The merge field names of Cardora's mail merge, the value of a field for
// one recipient, and the substitution of "<<name>>" placeholders in a text.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/Contact.h"
#include "store/Dates.h"

namespace velmora {

namespace mailmerge {
inline constexpr size_t kContactFieldCount = 41;
inline constexpr size_t kSenderFieldCount = 6;
// The largest merged text: the working buffer of 64,000 bytes less its
// terminator.
inline constexpr size_t kMaxMergedText = 63999;
}  // namespace mailmerge

// The 41 contact fields in their order; each reads the contact field of the
// same internal name, "Custom1".."Custom5" the other-phone texts.
inline constexpr std::array<std::string_view, mailmerge::kContactFieldCount> kContactMergeFields{
    "First_Name",   "Middle_Name",         "Last_Name",           "Nick_Name",    "Title",
    "Suffix",       "Home_Street_Address", "Home_City",           "Home_State_Province",
    "Home_Zip_Postal_Code", "Home_Country", "Home_Phone",         "Home_Fax",     "Home_Mobile",
    "Home_Email",   "Home_Web",            "Company",             "Job_Title",    "Department",
    "Office",       "Work_Street_Address", "Work_City",           "Work_State_Province",
    "Work_Zip_Postal_Code", "Work_Country", "Work_Phone",         "Work_Fax",     "Work_Mobile",
    "Work_Email",   "Work_Web",            "Spouse_Name",         "Chield1",      "Chield2",
    "Chield3",      "Chield4",             "Chield5",             "Custom1",      "Custom2",
    "Custom3",      "Custom4",             "Custom5"};

// The sender's own data, from the "My record" page.
inline constexpr std::array<std::string_view, mailmerge::kSenderFieldCount> kSenderMergeFields{
    "MY_First_Name", "MY_Last_Name", "MY_Company", "MY_Email", "MY_Phone", "MY_Address"};

// The moment of merging (e-mail only).
inline constexpr std::string_view kDateMergeField = "DATE";
inline constexpr std::string_view kTimeMergeField = "TIME";

// The entry of the "Insert Field" list between the contact and the other
// fields: 66 full stops; it cannot be inserted.
inline constexpr std::string_view kInsertFieldSeparator =
    "..................................................................";
static_assert(kInsertFieldSeparator.size() == 66);

// The 49 names a text is merged with, in substitution order: contact fields,
// sender fields, "DATE", "TIME".
std::vector<std::string_view> MergeFieldList();
// The "Insert Field" list: the contact fields, the separator, the sender
// fields, "DATE" and "TIME".
std::vector<std::string_view> InsertFieldEntries();
// "<<name>>".
std::string Placeholder(std::string_view name);

// The "My record" page.
struct MyRecord {
  std::string name;
  std::string company;
  std::string email;
  std::string phone;
  std::string address;
};

// Today and the current time, as the merge reads them.
struct MergeMoment {
  DateValue date;
  TimeValue time;
};
using MergeClock = std::function<MergeMoment()>;
// The system's clock.
MergeMoment SystemMergeMoment();

// What a merge needs beside the recipient: the sender and the clock (the
// system's unless a test gives its own).
struct MergeContext {
  MyRecord sender;
  MergeClock clock = SystemMergeMoment;
};

// "MY_First_Name" is the name up to its first space; "MY_Last_Name" the
// rest after that space and any spaces that follow it.
std::string SenderFirstName(std::string_view name);
std::string SenderLastName(std::string_view name);

// The text of a merge field for this recipient (UTF-8): a contact field, a
// sender field, the date or time of now ("DATE", "TIME"); empty for any
// other name.
std::string MergeFieldValue(std::string_view name, const Contact& contact, const MergeContext& context);

// Replaces every placeholder of a merge field by its value for this
// recipient. Other text between "<<" and ">>" (an unknown name, a name in
// other letter case) stays as written, and the values put in are never
// searched again, so a contact's data that looks like a placeholder stays as
// it is. The text is cut at 63,999 bytes before and after merging, at a
// character boundary. The clock is read once per call.
std::string MergeText(std::string_view text, const Contact& contact, const MergeContext& context);

}  // namespace velmora
