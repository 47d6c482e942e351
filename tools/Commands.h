// The subcommands of the velmora tool. Each gets its already parsed command
// line (the positional words counted by main) and returns the exit status:
// 0 on success, 1 after printing a one-line message on stderr.
#pragma once

#include "store/RecordStore.h"
#include "tools/Arguments.h"

namespace velmora::tool {

// FileCommands.cpp
int RunCreate(const Arguments& args);   // FILE
int RunCompact(const Arguments& args);  // FILE

// InfoCheckCommands.cpp
int RunInfo(const Arguments& args);   // FILE
int RunCheck(const Arguments& args);  // FILE

// RecordCommands.cpp
int RunList(const Arguments& args);  // FILE
int RunFind(const Arguments& args);  // FILE TEXT
int RunAdd(const Arguments& args);   // FILE, records on stdin

// EditCommands.cpp
int RunUpdate(const Arguments& args);  // FILE POSITION, the record on stdin
int RunDelete(const Arguments& args);  // FILE POSITION

// CalendarCommands.cpp
int RunAgenda(const Arguments& args);  // FILE
int RunExport(const Arguments& args);  // FILE OUT
int RunReport(const Arguments& args);  // FILE OUT
int RunAlarms(const Arguments& args);  // FILE

// ContactCommands.cpp
int RunImport(const Arguments& args);         // FILE IN
// FILE IN on a calendar: IN an iCalendar file.
int RunCalendarImport(const Arguments& args, RecordStore& store);
int RunExportCommand(const Arguments& args);  // FILE OUT: an address book's or a calendar's export
int RunReportCommand(const Arguments& args);  // FILE OUT: an address book's or a calendar's report

// MailMergeCommand.cpp
int RunMailMerge(const Arguments& args);  // FILE

}  // namespace velmora::tool
