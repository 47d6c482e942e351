// The calendar's Export, Print Report and Import windows: the events of a
// date range written to the export file and the report, message 107 for a
// from date after the to date, and another calendar program's file imported
// through the import wizard with the day list showing what came in.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <sstream>

#include "AlmanorTestSupport.h"
#include "calendar/gui/CalendarExportDialog.h"
#include "calendar/gui/CalendarImport.h"
#include "calendar/gui/CalendarReportDialog.h"
#include "calendar/model/CalendarExport.h"
#include "calendar/model/CalendarReport.h"
#include "resources/Strings.h"
#include "store/Settings.h"
#include "shell/SuiteCommands.h"
#include "shell/SuiteServices.h"
#include "../shell/ShellTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/Records.h"

namespace velmora::testing {
namespace {

const DateValue kMarch4{4, 3, 2010};
const DateValue kMarch5{5, 3, 2010};
const DateValue kMarch8{8, 3, 2010};
const DateValue kMarch20{20, 3, 2010};

class CalendarWindowsTest : public AlmanorTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Start());
    dentist_ = MakeEvent(store(), kMarch4, "Dentist", "Health", 9, 10);
    AddEvent(store(), dentist_);
    party_ = MakeEvent(store(), kMarch8, "Party \"at eight\"", "", 20, 23);
    AddEvent(store(), party_);
    later_ = MakeEvent(store(), kMarch20, "Later", "", 8, 9);
    AddEvent(store(), later_);
  }

  std::vector<std::string> Lines(const std::string& text) const {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "every line ends CR LF";
    return lines;
  }

  EventRecord dentist_, party_, later_;
};

TEST_F(CalendarWindowsTest, ExportOfADateRangeWritesItsEventsAndRemembersTheFile) {
  const std::string path = sandbox_.File("march.csv");
  CalendarExportDialog dialog(store(), kMarch4, window_);
  // It opens on "All" with the date buttons unused and both dates on today.
  EXPECT_TRUE(dialog.allButton()->isChecked());
  EXPECT_FALSE(dialog.fromButton()->isEnabled());
  EXPECT_EQ(dialog.fromLabel()->text().toStdString(), FormatDate(kMarch4));
  EXPECT_EQ(dialog.formatChoice()->count(), 2) << "the comma file and iCalendar";
  EXPECT_EQ(dialog.formatChoice()->currentIndex(), 0);
  dialog.rangeButton()->click();
  EXPECT_TRUE(dialog.fromButton()->isEnabled());
  EXPECT_TRUE(dialog.SetToDate(kMarch8));
  EXPECT_TRUE(dialog.SetFromDate(kMarch4));
  dialog.pathEdit()->setText(QString::fromStdString(path));
  dialog.Export();
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_EQ(sandbox_.MessageTexts(), std::vector<std::string>{"Operation successful."});
  EXPECT_EQ(sandbox_.ProgramSetting("ExportFile"), path);

  const std::vector<std::string> lines = Lines(ReadWholeFile(path));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "\"Date\",\"Start Time\",\"End Time\",\"Category\",\"All day event\",\"Subject\",\"Notes\"");
  EXPECT_EQ(lines[1] + "\r\n", ExportLine(dentist_));
  EXPECT_EQ(lines[2] + "\r\n", ExportLine(party_));
  EXPECT_NE(lines[1].find("\"Health\",\"0\",\"Dentist\""), std::string::npos) << lines[1];

  // The next export dialog offers the remembered file.
  CalendarExportDialog again(store(), kMarch4, window_);
  EXPECT_EQ(again.pathEdit()->text().toStdString(), path);
}

TEST_F(CalendarWindowsTest, AnICalendarExportReadsBackIntoAnotherCalendarThroughTheWizard) {
  const std::string path = sandbox_.File("march.ics");
  {
    CalendarExportDialog dialog(store(), kMarch4, window_);
    dialog.formatChoice()->setCurrentIndex(1);
    dialog.rangeButton()->click();
    EXPECT_TRUE(dialog.SetToDate(kMarch8));
    EXPECT_TRUE(dialog.SetFromDate(kMarch4));
    dialog.pathEdit()->setText(QString::fromStdString(path));
    dialog.Export();
    EXPECT_EQ(dialog.result(), 1);
  }
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(text.rfind("BEGIN:VCALENDAR\r\n", 0), 0u) << text.substr(0, 80);
  EXPECT_NE(text.find("SUMMARY:Dentist\r\n"), std::string::npos);
  EXPECT_EQ(text.find("SUMMARY:Later"), std::string::npos) << "outside the range";

  // Into a new calendar through File > Import: the wizard knows the file by
  // its start and reads it whole.
  ASSERT_TRUE(OpenNewFile("copy.cld"));
  sandbox_.messages.clear();
  {
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", path);
      Click(w, "next");
    });
    PostCommand(window_, kCmdImport);
    EXPECT_TRUE(WaitUntil([&] { return !sandbox_.messages.empty(); }));
    Settle();
  }
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("2 records added."), std::string::npos) << sandbox_.messages[0].text;
  pane()->SelectDate(kMarch4);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Dentist"});
  pane()->SelectDate(kMarch8);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Party \"at eight\""});
}

TEST_F(CalendarWindowsTest, ExportWithTheSubjectFilterKeepsTheMatchingEvents) {
  const std::string path = sandbox_.File("filtered.csv");
  CalendarExportDialog dialog(store(), kMarch4, window_);
  dialog.subjectCheck()->click();
  EXPECT_TRUE(dialog.subjectEdit()->isEnabled());
  dialog.subjectEdit()->setText(QStringLiteral("party"));
  dialog.pathEdit()->setText(QString::fromStdString(path));
  dialog.Export();
  const std::vector<std::string> lines = Lines(ReadWholeFile(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1] + "\r\n", ExportLine(party_));
}

TEST_F(CalendarWindowsTest, ExportOverTheOpenCalendarIsRefused) {
  const std::string before = ReadWholeFile(store().path());
  CalendarExportDialog dialog(store(), kMarch4, window_);
  dialog.pathEdit()->setText(QString::fromStdString(store().path()));
  dialog.Export();
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("is the calendar itself"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(store().path()), before);
  EXPECT_NE(dialog.result(), 1);
}

// A path longer than "ExportFile" holds is written but not remembered cut
// short; the path remembered before stays.
TEST_F(CalendarWindowsTest, APathTooLongToRememberIsNotRememberedCut) {
  const std::string first = sandbox_.File("first.csv");
  std::string folder = sandbox_.File(std::string(120, 'f'));
  folder += "/" + std::string(120, 'g');
  std::error_code made;
  ASSERT_TRUE(std::filesystem::create_directories(folder, made)) << made.message();
  const std::string longPath = folder + "/events.csv";
  ASSERT_GT(longPath.size(), kMaxExportPathLength);
  for (const std::string& path : {first, longPath}) {
    CalendarExportDialog dialog(store(), kMarch4, window_);
    dialog.pathEdit()->setText(QString::fromStdString(path));
    dialog.Export();
    EXPECT_EQ(dialog.result(), 1) << path;
  }
  EXPECT_FALSE(ReadWholeFile(longPath).empty());
  EXPECT_EQ(sandbox_.ProgramSetting("ExportFile"), first);
}

// A file that cannot be written is told with its reason, never as
// "Operation successful.", and the dialog stays for another try; a report
// that cannot be written is told and still shown, with nothing to print.
TEST_F(CalendarWindowsTest, AFileThatCannotBeWrittenIsToldNotReportedAsDone) {
  const std::string nowhere = sandbox_.File("no such folder/out.csv");
  CalendarExportDialog exportDialog(store(), kMarch4, window_);
  exportDialog.pathEdit()->setText(QString::fromStdString(nowhere));
  exportDialog.Export();
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text, "Operation successful.");
  EXPECT_NE(sandbox_.messages[0].text.find("no such folder"), std::string::npos) << sandbox_.messages[0].text;
  EXPECT_NE(exportDialog.result(), 1);

  sandbox_.messages.clear();
  CalendarReportDialog reportDialog(store(), kMarch4, std::nullopt, window_,
                                    sandbox_.File("no such folder/report.txt"));
  reportDialog.MakeReport();
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("could not be written"), std::string::npos) << sandbox_.messages[0].text;
  EXPECT_NE(reportDialog.preview()->toPlainText().indexOf(QStringLiteral("Dentist")), -1);
  EXPECT_FALSE(reportDialog.printButton()->isEnabled());
}

// A from date after the to date, or a to date before the from date, is
// refused with message 107 in both dialogs and the date stays as it was.
TEST_F(CalendarWindowsTest, AFromDateAfterTheToDateIsRefusedWithMessage107) {
  CalendarExportDialog exportDialog(store(), kMarch8, window_);
  CalendarReportDialog reportDialog(store(), kMarch8, std::nullopt, window_, sandbox_.File("r.txt"));
  const std::string message107 = LoadText(Program::Almanor, kMsgFromAfterTo);
  ASSERT_EQ(message107, "From date must be earlier than the To date.");
  for (EventRangeDialog* dialog : std::initializer_list<EventRangeDialog*>{&exportDialog, &reportDialog}) {
    SCOPED_TRACE(dialog->objectName().toStdString());
    sandbox_.messages.clear();
    EXPECT_FALSE(dialog->SetFromDate(kMarch20));
    EXPECT_FALSE(dialog->SetToDate(kMarch4));
    EXPECT_EQ(sandbox_.MessageTexts(), (std::vector<std::string>{message107, message107}));
    EXPECT_EQ(dialog->Options().from, kMarch8);
    EXPECT_EQ(dialog->Options().to, kMarch8);
    EXPECT_EQ(dialog->toLabel()->text().toStdString(), FormatDate(kMarch8));
    // The same day for both is a range.
    EXPECT_TRUE(dialog->SetFromDate(kMarch8));
    EXPECT_TRUE(dialog->SetToDate(kMarch20));
    EXPECT_EQ(dialog->Options().to, kMarch20);
  }
}

TEST_F(CalendarWindowsTest, ReportOfADateRangeListsEachDayWithEvents) {
  const std::string path = sandbox_.File("report.txt");
  CalendarReportDialog dialog(store(), kMarch4, std::nullopt, window_, path);
  EXPECT_TRUE(dialog.rangeButton()->isChecked());
  EXPECT_FALSE(dialog.currentButton()->isEnabled());
  EXPECT_FALSE(dialog.printButton()->isEnabled());
  EXPECT_EQ(dialog.fromLabel()->text().toStdString(), FormatDate(kMarch4));
  ASSERT_TRUE(dialog.SetToDate(kMarch8));
  dialog.MakeReport();
  EXPECT_TRUE(sandbox_.messages.empty()) << sandbox_.MessageTexts().front();
  EXPECT_TRUE(dialog.printButton()->isEnabled());

  const std::string text = ReadWholeFile(path);
  const std::vector<std::string> lines = Lines(text);
  const std::vector<std::string> expected = {
      "Almanor Report (from " + FormatDate(kMarch4) + " to " + FormatDate(kMarch8) + ")",
      "",
      "Thursday, March 4, 2010",
      std::string(40, '-'),
      FormatTime(dentist_.startTime()) + " - " + FormatTime(dentist_.endTime()),
      "Dentist",
      "Category: Health",
      "",
      "Monday, March 8, 2010",
      std::string(40, '-'),
      FormatTime(party_.startTime()) + " - " + FormatTime(party_.endTime()),
      "Party \"at eight\"",
      "",
  };
  EXPECT_EQ(lines, expected);
  // The preview shows the report file.
  EXPECT_EQ(dialog.preview()->toPlainText().toStdString().find("Thursday, March 4, 2010") != std::string::npos, true);
  EXPECT_EQ(dialog.preview()->toPlainText().toStdString().find("Later"), std::string::npos);
}

TEST_F(CalendarWindowsTest, ReportOfTheCurrentRecordListsOnlyThatEvent) {
  const std::string path = sandbox_.File("current.txt");
  pane()->SelectDate(kMarch8);
  ASSERT_TRUE(pane()->SelectRecordId(party_.id()));
  const std::optional<RecordPosition> at = pane()->SelectedPosition();
  ASSERT_TRUE(at.has_value());
  CalendarReportDialog dialog(store(), kMarch8, CurrentEvent{party_.id(), *at}, window_, path);
  ASSERT_TRUE(dialog.currentButton()->isEnabled());
  dialog.currentButton()->click();
  EXPECT_FALSE(dialog.fromButton()->isEnabled());
  dialog.MakeReport();
  const std::string text = ReadWholeFile(path);
  EXPECT_NE(text.find("Subject: Party \"at eight\"\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Dentist"), std::string::npos) << text;
  EXPECT_EQ(text.find("Later"), std::string::npos) << text;
}

// "Print" hands the report file to the printer and ends the dialog; a
// report file that is gone is told and nothing is printed.
TEST_F(CalendarWindowsTest, PrintHandsTheReportFileToThePrinter) {
  std::vector<std::string> printed;
  FilePrinter before = SetFilePrinter([&](std::string_view file) {
    printed.emplace_back(file);
    return true;
  });
  const std::string path = sandbox_.File("print.txt");
  {
    CalendarReportDialog dialog(store(), kMarch4, std::nullopt, window_, path);
    dialog.MakeReport();
    dialog.Print();
    EXPECT_EQ(dialog.result(), 1);
  }
  EXPECT_EQ(printed, std::vector<std::string>{path});
  EXPECT_TRUE(sandbox_.messages.empty());
  {
    CalendarReportDialog dialog(store(), kMarch4, std::nullopt, window_, path);
    dialog.MakeReport();
    ASSERT_EQ(std::remove(path.c_str()), 0);
    dialog.Print();
  }
  EXPECT_EQ(printed.size(), 1u);
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("Nothing was printed"), std::string::npos);
  SetFilePrinter(std::move(before));
}

// File > Print Report (1036) opens on the pane's selected date with the
// selected event as "Current record"; File > Export (1038) on today.
TEST_F(CalendarWindowsTest, TheFileCommandsOpenTheDialogsOnThePanesChoice) {
  pane()->SelectDate(kMarch8);
  ASSERT_TRUE(pane()->SelectRecordId(party_.id()));
  std::string reportFrom, reportTo, exportFrom;
  bool currentOffered = false, allChosen = false;
  {
    DialogScript script;
    script.Expect("calendarReport", [&](QWidget* w) {
      reportFrom = Control<QLabel>(w, "fromText")->text().toStdString();
      reportTo = Control<QLabel>(w, "toText")->text().toStdString();
      currentOffered = Control<QRadioButton>(w, "current")->isEnabled();
      Control<QRadioButton>(w, "current")->click();
      Click(w, "make");
      Click(w, "cancel");
    });
    script.Expect("calendarExport", [&](QWidget* w) {
      exportFrom = Control<QLabel>(w, "fromText")->text().toStdString();
      allChosen = Control<QRadioButton>(w, "all")->isChecked();
      Click(w, "cancel");
    });
    // One after the other: a command posted meanwhile would run inside the
    // first dialog's loop.
    PostCommand(window_, kCmdPrintReport);
    EXPECT_TRUE(WaitUntil([&] { return !reportFrom.empty() && !QApplication::activeModalWidget(); }));
    PostCommand(window_, kCmdExport);
    EXPECT_TRUE(WaitUntil([&] { return !exportFrom.empty(); }));
    Settle();
  }
  EXPECT_EQ(reportFrom, FormatDate(kMarch8));
  EXPECT_EQ(reportTo, FormatDate(kMarch8));
  EXPECT_TRUE(currentOffered);
  EXPECT_EQ(exportFrom, FormatDate(Today()));
  EXPECT_TRUE(allChosen);
  // The report of the current record went to the shared report file.
  const std::string report = ReadWholeFile(DefaultReportPath());
  EXPECT_NE(report.find("Subject: Party \"at eight\""), std::string::npos) << report;
  EXPECT_EQ(report.find("Dentist"), std::string::npos) << report;
}

// File > Import (1037) runs the wizard with the calendar's catalogue: the
// headings of an Outlook calendar export map by the alias table, its
// "True"/"False" all-day column is read as 1/0, an impossible date becomes
// today, and the day list shows the new events at once. A second import of
// the same file adds nothing.
TEST_F(CalendarWindowsTest, ImportOfAnotherProgramsFileFillsTheDayList) {
  const std::string file = std::string(VELMORA_TEST_DATA) + "/calendar/outlook-calendar.csv";
  const DateValue march15{15, 3, 2010};
  const DateValue march16{16, 3, 2010};
  pane()->SelectDate(march15);
  ASSERT_TRUE(DaySubjects(*pane()).empty());
  auto import = [&] {
    DialogScript script;
    script.Expect("importWizard", [&](QWidget* w) {
      Type(w, "importFile", file);
      Click(w, "next");
      Click(w, "next");
      Click(w, "defaultMap");
      Click(w, "next");
    });
    PostCommand(window_, kCmdImport);
    EXPECT_TRUE(WaitUntil([&] { return !sandbox_.messages.empty(); }));
    Settle();
  };
  import();
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("4 records added."), std::string::npos) << sandbox_.messages[0].text;
  // The impossible date on line 5 is told, the event added on today.
  EXPECT_NE(sandbox_.messages[0].text.find("Line 5: Date \"2/31/2004\" is not a date; today's date was used"),
            std::string::npos)
      << sandbox_.messages[0].text;
  // Without a new selection the day list already shows the day's events:
  // the all-day event first.
  EXPECT_EQ(DaySubjects(*pane()), (std::vector<std::string>{"Spring holiday", "Budget review"}));
  pane()->SelectDate(march16);
  EXPECT_EQ(DaySubjects(*pane()), std::vector<std::string>{"Dentist"});
  pane()->SelectDate(Today());
  const std::vector<std::string> today = DaySubjects(*pane());
  EXPECT_NE(std::find(today.begin(), today.end(), "Lost date"), today.end());

  // The imported events hold the file's values.
  std::vector<SelectedEvent> events;
  ExportOptions all;
  all.from = DateValue{1, 1, 1800};
  all.to = DateValue{31, 12, 2199};
  all.range = EventRange::DateRange;
  ASSERT_TRUE(SelectEvents(store(), all, events).ok());
  bool sawBudget = false;
  for (const SelectedEvent& e : events) {
    if (e.record.subject() != "Budget review") continue;
    sawBudget = true;
    EXPECT_EQ(e.record.category(), "Work");
    EXPECT_EQ(e.record.notes(), "Bring the figures");
    EXPECT_FALSE(e.record.allDay());
    EXPECT_EQ(FormatTime(e.record.startTime()), FormatTime(TimeValue{9, 0, 0, kHalfAm}));
    EXPECT_EQ(FormatTime(e.record.endTime()), FormatTime(TimeValue{10, 30, 0, kHalfAm}));
  }
  EXPECT_TRUE(sawBudget);

  sandbox_.messages.clear();
  import();
  ASSERT_EQ(sandbox_.messages.size(), 1u);
  EXPECT_NE(sandbox_.messages[0].text.find("0 records added."), std::string::npos) << sandbox_.messages[0].text;
  EXPECT_NE(sandbox_.messages[0].text.find("4 skipped as duplicates."), std::string::npos);
}

}  // namespace
}  // namespace velmora::testing

namespace velmora::testing {
namespace {

// The import engine line by line: what each kind of line adds, skips or
// tells. Columns: Date, Subject, Start Time, End Time, All day event.
TEST_F(CalendarWindowsTest, ImportTellsEachLineItCouldNotTakeWhole) {
  struct Case {
    const char* name;
    std::string body;  // the lines after the heading
    size_t added, duplicates, unread, partly;
    std::string told;  // in a reason, when not empty
  };
  const Case cases[] = {
      {"two events", "2010-04-01,Run,7:00,8:00,False\r\n2010-04-02,Swim,7:00,8:00,0\r\n", 2, 0, 0, 0, ""},
      {"blank lines add nothing", "\r\n\r\n2010-04-01,Run,7:00,8:00,0\r\n", 1, 0, 0, 0, ""},
      {"a repeated line is a duplicate", "2010-04-01,Run,7:00,8:00,0\r\n2010-04-01,Run,7:00,8:00,0\r\n", 1, 1, 0,
       0, ""},
      {"an unreadable time", "2010-04-01,Run,soon,8:00,0\r\n", 1, 0, 0, 1, "Start Time \"soon\" is not a time"},
      {"no value for a field", ",,,,\r\n2010-04-01,Run,7:00,8:00,0\r\n", 1, 0, 0, 0, ""},
      {"an unclosed quote at the end", "2010-04-01,Run,7:00,8:00,0\r\n2010-04-02,\"Swim,7:00\r\n", 1, 0, 1, 0,
       "not closed"},
      {"an all-day word", "2010-04-03,Trip,,,TRUE\r\n", 1, 0, 0, 0, ""},
  };
  const ImportClock clock{DateValue{1, 1, 2011}, TimeValue{9, 5, 0, kHalfAm}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = sandbox_.File(std::string("import ") + c.name + ".cld");
    ASSERT_TRUE(OpenNewFile(std::string("import ") + c.name + ".cld"));
    ImportSettings settings;
    settings.mapping = {0, 5, 1, 2, 4};
    settings.dateOrder = DateOrder::MonthFirst;
    std::istringstream file("Date,Subject,Start Time,End Time,All day event\r\n" + c.body);
    ImportCounts counts;
    const Result result = ImportEvents(store(), file, settings, clock, counts);
    EXPECT_TRUE(result.ok()) << result.Message();
    EXPECT_EQ(counts.added, c.added);
    EXPECT_EQ(counts.duplicates, c.duplicates);
    EXPECT_EQ(counts.unread.size(), c.unread);
    EXPECT_EQ(counts.partly.size(), c.partly);
    if (!c.told.empty()) {
      std::string reasons;
      for (const auto& p : counts.unread) reasons += p.reason + "\n";
      for (const auto& p : counts.partly) reasons += p.reason + "\n";
      EXPECT_NE(reasons.find(c.told), std::string::npos) << reasons;
    }
    std::vector<SelectedEvent> events;
    ExportOptions all;
    all.range = EventRange::DateRange;
    all.from = DateValue{1, 1, 1800};
    all.to = DateValue{31, 12, 2199};
    ASSERT_TRUE(SelectEvents(store(), all, events).ok());
    EXPECT_EQ(events.size(), c.added);
    for (const SelectedEvent& e : events) {
      if (e.record.subject() == "Trip") EXPECT_TRUE(e.record.allDay());
      if (e.record.subject() == "Run" && c.partly > 0) {
        EXPECT_EQ(FormatTime(e.record.startTime()), FormatTime(clock.now)) << "the current time stands in";
      }
    }
  }
}

// A Reader is refused before anything is read.
TEST_F(CalendarWindowsTest, ImportRefusesAReader) {
  SetPasswords(store(), {"owner", "assistant", "reader"});
  RecordStore asReader(store().path(), "reader");
  ASSERT_EQ(asReader.GetAccessLevel(), kAccessReader);
  std::istringstream file("Date,Subject\r\n2010-04-01,Run\r\n");
  ImportSettings settings;
  settings.mapping = {0, 5};
  ImportCounts counts;
  const Result result = ImportEvents(asReader, file, settings, ImportClock{Today(), Now(5)}, counts);
  EXPECT_EQ(result.code(), kReaderRefused);
  EXPECT_EQ(counts.linesRead, 0u);
}

}  // namespace
}  // namespace velmora::testing
