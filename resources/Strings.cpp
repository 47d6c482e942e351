// The string tables of Cardora and Almanor, compiled in. Each program's
// table is its own entries plus the shared ones; a number missing from both
// has no text in that program.
#include "resources/Strings.h"

#include <atomic>
#include <string_view>

#include "store/Bytes.h"

namespace velmora {

namespace {

struct Entry {
  int number;
  const char* text;
};

// Texts both programs share.
constexpr Entry kShared[] = {
    {101, "You did not enter the same password. Try again."},
    {104, "Do you want to delete this category ?"},
    {107, "From date must be earlier than the To date."},
    {108, "Do you want to delete this Cardora record ?"},
    {109, "Data on server !"},
    {110, "Item put on Events panel."},
    {112, "You cannot change this event because you are not the owner of this event."},
    {113, "This file alredy exists.\r\nPlease selact another file name."},
    {114, "Error in creating a file."},
    {117, "Cut\tCtrl+X"},
    {118, "Copy\tCtrl+C"},
    {119, "Paste\tCtrl+V"},
    {120, "New...\tInsert"},
    {121, "Edit...\tEnter"},
    {122, "Delete...\tDelete"},
    {123, "Internet Events..."},
    {124, "Old"},
    {125, "New"},
    {126, "Do you want to accept this event ?"},
    {130, "%s has invited you to the selected event."},
    {131, "%s has canceld the selected event."},
    {132, "%s has accepted the selected event."},
    {133, "%s has declined the selected event."},
    {134, "Do you want to delete this event ?"},
    {135, "Item put on Works Panel and Outgoing Box."},
    {136, "Registration on server was successful."},
    {137, "User with this e-mail address already exist."},
    {138, "Unable to connect to server"},
    {139, "User with %s address does not exist on Tessel server."},
    {140, "Undo delete\tCtrl+Z"},
    {142, "Open attachment...\tCtrl+A"},
    {2010, "January"},
    {2011, "February"},
    {2012, "March"},
    {2013, "April"},
    {2014, "May"},
    {2015, "June"},
    {2016, "July"},
    {2017, "August"},
    {2018, "September"},
    {2019, "October"},
    {2020, "November"},
    {2021, "December"},
    {2022, "Sunday"},
    {2023, "Monday"},
    {2024, "Tuesday"},
    {2025, "Wednesday"},
    {2026, "Thursday"},
    {2027, "Friday"},
    {2028, "Saturday"},
    {2029, "Unknown"},
    {2030, "Su"},
    {2031, "Mo"},
    {2032, "Tu"},
    {2033, "We"},
    {2034, "Th"},
    {2035, "Fr"},
    {2036, "Sa"},
    {2037, "S"},
    {2038, "M"},
    {2039, "T"},
    {2040, "W"},
    {2041, "T"},
    {2042, "F"},
    {2043, "S"},
    {3000, "New"},
    {3001, "Edit"},
    {3002, "Del"},
    {3003, "Find"},
    {3004, "File"},
    {3005, "Help"},
    {3006, "&New...\tCtrl+N"},
    {3007, "&Open...\tCtrl+O"},
    {3008, "General O&ptions..."},
    {3009, "Network P&asswords..."},
    {3010, "&Exit"},
    {3011, "&Contents...\tF1"},
    {3012, "About..."},
    {3013, "Co&mpact..."},
    {3014, "Cardora"},
    {3015, "event"},
    {3016, "Tessel &Server Setup"},
    {3019, "&Save As..."},
    {3050, "&Import..."},
    {3051, "&Export..."},
    {3052, "&Print Report..\tCtrl+P"},
    {4000, "Categories"},
};

// Cardora's own texts and its side of the texts that differ.
constexpr Entry kCardoraOnly[] = {
    {100,
     "From the Cardora you can easily maintain your personal and business address books. No "
     "matter how much data has been entered you can easily find any piece of information that "
     "you are looking for very easily and quickly."},
    {102, "Program can't do this. You don't have permission."},
    {103, "Program can't open this file. Incorrect password."},
    {105,
     "Are you sure you want to delete this Cardora record ? \r\nAll history concerning this "
     "record will be deleted too.\r\nHistory cannot be recover. \n"},
    {106, "Program can't edit this entry. It is being edited by another user. Try again."},
    {111,
     "You have made changes to a group event. Would you like to notify the participants and "
     "resource managers of these changes ?"},
    {115, "Do you want to delete this History record ?"},
    {156,
     "You must fill out Description field and then click Ok\r\nto create this record. To exit "
     "this dialog, click Cancel."},
    {160, "Mr."},
    {161, "Mrs."},
    {162, "Miss"},
    {163, "Ms."},
    {164, "Dr."},
    {165, "Prof."},
    {3053, "Mail &Merge...\tCtrl+M"},
    {3054, "Show &Picture...\tCtrl+E"},
    {3055, "Hide &Picture...\tCtrl+E"},
    {3056, "Show &History...\tCtrl+W"},
    {3057, "Hide &History...\tCtrl+W"},
};

// Almanor's own texts and its side of the texts that differ.
constexpr Entry kAlmanorOnly[] = {
    {100,
     "You can use the Almanor to keep a record of daily appointments and to organize your "
     "time in the best possible way."},
    {102, "You don't have permission for this action."},
    {103, "Can't open this file. Incorrect password."},
    {105, "Do you want to delete this Almanor appointment ?"},
    {106, "Can't edit this entry. It is being edited by another user. Try again."},
    {111,
     "You have made changes to a Internet Event. Would you like to notify the participants of "
     "these changes ?"},
    {141,
     "You must fill out Description field and then click Ok\r\nto create this record. To exit "
     "this dialog, click Cancel."},
    {500,
     "Repeat event.\r\n\r\nYou have entered an invalid date. The\r\nend date must occur after "
     "the start date."},
    {501,
     "Date of a repeat appointment cannot be changed using \ndrag & drop. In order to change "
     "the date of a repeat \nappointment, double click on the appointment or right \nclick "
     "and select Edit item from the menu."},
};

std::atomic<Program> gCurrentProgram{Program::Cardora};

template <size_t N>
const char* Find(const Entry (&table)[N], int number) {
  for (const Entry& entry : table) {
    if (entry.number == number) return entry.text;
  }
  return nullptr;
}

}  // namespace

void SetCurrentProgram(Program program) { gCurrentProgram.store(program); }

Program CurrentProgram() { return gCurrentProgram.load(); }

std::string LoadText(int number, size_t limit) { return LoadText(CurrentProgram(), number, limit); }

std::string LoadText(Program program, int number, size_t limit) {
  const char* text = program == Program::Cardora ? Find(kCardoraOnly, number) : Find(kAlmanorOnly, number);
  if (!text) text = Find(kShared, number);
  if (!text) return {};
  std::string_view view(text);
  return std::string(view.substr(0, Utf8CutLength(view, limit)));
}

std::string MonthName(int month) {
  if (month < 1 || month > 12) return {};
  return LoadText(kFirstMonthName + month - 1);
}

std::string WeekdayName(int weekday) {
  if (weekday < 0 || weekday > 6) return {};
  return LoadText(kFirstWeekdayName + weekday, kWeekdayNameLimit);
}

}  // namespace velmora
