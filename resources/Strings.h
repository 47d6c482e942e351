// The numbered message and label texts of the two programs. Both programs use
// the same numbers; some texts differ, and shared code gets the text of the
// program it runs in.
#pragma once

#include <cstddef>
#include <string>

namespace velmora {

enum class Program { Cardora, Almanor };

void SetCurrentProgram(Program program);
Program CurrentProgram();  // Cardora until set

// The text of that number in the running program's table, cut to limit
// bytes at a UTF-8 boundary; empty when the table has no such number.
std::string LoadText(int number, size_t limit = 255);
std::string LoadText(Program program, int number, size_t limit = 255);

// The numbers of the messages shared code and the command-line tool show.
// Where the two programs word a message differently, each shows its own
// under the same number.
inline constexpr int kMsgIntro = 100;             // the "Intro" pane's text
inline constexpr int kMsgPasswordsDiffer = 101;   // "You did not enter the same password. ..."
inline constexpr int kMsgNoPermission = 102;      // the program's "... You don't have permission."
inline constexpr int kMsgWrongPassword = 103;     // the program's "... Incorrect password."
inline constexpr int kMsgDeleteCategory = 104;    // "Do you want to delete this category ?"
inline constexpr int kMsgDeleteContact = 105;     // "Are you sure you want to delete this Cardora record ? ..."
inline constexpr int kMsgBeingEdited = 106;       // the program's "... being edited by another user. ..."
inline constexpr int kMsgFromAfterTo = 107;       // "From date must be earlier than the To date."
inline constexpr int kMsgNotifyExchange = 111;    // "You have made changes to a group event. ..."
inline constexpr int kMsgFileExists = 113;        // "This file alredy exists. ..."
inline constexpr int kMsgCannotCreateFile = 114;  // "Error in creating a file."

// The calendar names of both tables: months 1..12 from kFirstMonthName,
// weekdays 0 (Sunday) .. 6 (Saturday) from kFirstWeekdayName.
inline constexpr int kFirstMonthName = 2010;
inline constexpr int kFirstWeekdayName = 2022;
inline constexpr size_t kWeekdayNameLimit = 9;  // "Wednesday"

// The running program's name of month 1..12; empty for other numbers.
std::string MonthName(int month);
// The running program's name of weekday 0..6 (as Weekday of store/Dates.h
// numbers them), at most kWeekdayNameLimit bytes; empty for other numbers.
std::string WeekdayName(int weekday);

}  // namespace velmora
