// The numbered texts of the two programs.
#include <gtest/gtest.h>

#include <string>

#include "resources/Strings.h"
#include "store/Dates.h"

namespace velmora {
namespace {

// Restores the running program after each test.
class StringsTest : public testing::Test {
 protected:
  void SetUp() override { saved_ = CurrentProgram(); }
  void TearDown() override { SetCurrentProgram(saved_); }

 private:
  Program saved_ = Program::Cardora;
};

TEST_F(StringsTest, SharedCodeGetsTheRunningProgramsText) {
  SetCurrentProgram(Program::Cardora);
  EXPECT_EQ(LoadText(102), "Program can't do this. You don't have permission.");
  SetCurrentProgram(Program::Almanor);
  EXPECT_EQ(LoadText(102), "You don't have permission for this action.");
  EXPECT_EQ(CurrentProgram(), Program::Almanor);
}

TEST_F(StringsTest, PerProgramTexts) {
  struct Case {
    int number;
    const char* cardora;  // "" where the program has no such text
    const char* almanor;
  };
  const Case cases[] = {
      {101, "You did not enter the same password. Try again.", "You did not enter the same password. Try again."},
      {103, "Program can't open this file. Incorrect password.", "Can't open this file. Incorrect password."},
      {105,
       "Are you sure you want to delete this Cardora record ? \r\nAll history concerning this record will be "
       "deleted too.\r\nHistory cannot be recover. \n",
       "Do you want to delete this Almanor appointment ?"},
      {108, "Do you want to delete this Cardora record ?", "Do you want to delete this Cardora record ?"},
      {113, "This file alredy exists.\r\nPlease selact another file name.",
       "This file alredy exists.\r\nPlease selact another file name."},
      {115, "Do you want to delete this History record ?", ""},
      {117, "Cut\tCtrl+X", "Cut\tCtrl+X"},
      {131, "%s has canceld the selected event.", "%s has canceld the selected event."},
      {141, "",
       "You must fill out Description field and then click Ok\r\nto create this record. To exit this dialog, "
       "click Cancel."},
      {156,
       "You must fill out Description field and then click Ok\r\nto create this record. To exit this dialog, "
       "click Cancel.",
       ""},
      {160, "Mr.", ""},
      {165, "Prof.", ""},
      {500, "",
       "Repeat event.\r\n\r\nYou have entered an invalid date. The\r\nend date must occur after the start date."},
      {501, "",
       "Date of a repeat appointment cannot be changed using \ndrag & drop. In order to change the date of a "
       "repeat \nappointment, double click on the appointment or right \nclick and select Edit item from the "
       "menu."},
      {3014, "Cardora", "Cardora"},
      {3052, "&Print Report..\tCtrl+P", "&Print Report..\tCtrl+P"},
      {3053, "Mail &Merge...\tCtrl+M", ""},
      {3057, "Hide &History...\tCtrl+W", ""},
      {4000, "Categories", "Categories"},
      {116, "", ""},
      {0, "", ""},
      {-1, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadText(Program::Cardora, c.number), c.cardora) << c.number;
    EXPECT_EQ(LoadText(Program::Almanor, c.number), c.almanor) << c.number;
  }
}

TEST_F(StringsTest, CalendarNames) {
  const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                          "July",    "August",   "September", "October", "November", "December"};
  const char* days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  const char* shortDays[] = {"Su", "Mo", "Tu", "We", "Th", "Fr", "Sa"};
  const char* letters[] = {"S", "M", "T", "W", "T", "F", "S"};
  for (Program program : {Program::Cardora, Program::Almanor}) {
    for (int i = 0; i < 12; ++i) EXPECT_EQ(LoadText(program, 2010 + i), months[i]);
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(LoadText(program, 2022 + i), days[i]);
      EXPECT_EQ(LoadText(program, 2030 + i), shortDays[i]);
      EXPECT_EQ(LoadText(program, 2037 + i), letters[i]);
    }
    EXPECT_EQ(LoadText(program, 2029), "Unknown");
  }
}

TEST_F(StringsTest, WeekdayNamesOfTheDatesWeekdays) {
  EXPECT_EQ(Weekday(2004, 12, 20), 1);
  EXPECT_EQ(WeekdayName(Weekday(2004, 12, 20)), "Monday");
  EXPECT_EQ(Weekday(2004, 12, 22), 3);
  EXPECT_EQ(WeekdayName(Weekday(2004, 12, 22)), "Wednesday");  // the longest name, 9 characters
  EXPECT_EQ(Weekday(2004, 12, 25), 6);
  EXPECT_EQ(WeekdayName(Weekday(2004, 12, 25)), LoadText(2028));
  // An invalid date has no weekday and so no name.
  EXPECT_EQ(Weekday(2004, 12, 32), -1);
  for (int outside : {-1, 7, 2022}) EXPECT_EQ(WeekdayName(outside), "") << outside;
}

TEST_F(StringsTest, MonthNamesOneToTwelve) {
  EXPECT_EQ(MonthName(1), "January");
  EXPECT_EQ(MonthName(2), LoadText(2011));
  EXPECT_EQ(MonthName(12), "December");
  for (int outside : {0, 13, -1}) EXPECT_EQ(MonthName(outside), "") << outside;
}

TEST_F(StringsTest, TextsAreCutToTheLimit) {
  const std::string full = LoadText(Program::Cardora, 100, 1000);
  ASSERT_GT(full.size(), 200u);
  for (size_t limit : {size_t(0), size_t(1), size_t(10), full.size() - 1, full.size(), full.size() + 1}) {
    EXPECT_EQ(LoadText(Program::Cardora, 100, limit), full.substr(0, limit)) << limit;
  }
  // Nothing in either table is longer than a message box shows.
  for (Program program : {Program::Cardora, Program::Almanor}) {
    for (int number = 0; number < 5000; ++number) {
      EXPECT_LE(LoadText(program, number, 100000).size(), 255u) << number;
      EXPECT_EQ(LoadText(program, number), LoadText(program, number, 100000)) << number;
    }
  }
}

}  // namespace
}  // namespace velmora
