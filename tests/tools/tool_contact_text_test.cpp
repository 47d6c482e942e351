// velmora import, export and report on address books, and export and
// report telling the two kinds of file apart.
#include <algorithm>
#include <filesystem>

#include "ToolFixture.h"
#include "resources/Strings.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class ToolContactTextTest : public ToolTest {
 protected:
  std::string csv = dir.File("people.csv");

  void SetUp() override {
    // Dates in exports and reports month first.
    std::ofstream(dir.File("Velmora.ini")) << "[intl]\niTime=0\n";
    Ok({"create", book});
  }
  ToolRun Import(const std::string& contents, const std::vector<std::string>& extra = {}) {
    EXPECT_TRUE(WriteWholeFile(csv, contents));
    std::vector<std::string> args{"import", book, csv};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }
  std::vector<std::string> FirstNames() {
    std::vector<std::string> names;
    for (const nlohmann::json& c : List(book)) names.push_back(c["First_Name"]);
    return names;
  }
};

const std::string kPeople =
    "\"Given Name\",\"Family Name\",\"Birthday\",\"Gender\",\"Group Membership\",\"Notes\"\r\n"
    "\"Ada\",\"Lovelace\",\"1975-05-03\",\"7\",\"Friends\",\"said \"\"hi\"\"\"\r\n"
    "\"Bo\",\"Berg\",\"someday\",\"1\",\"Work\",\"\"\r\n"
    "\"Cy\",\"Moss\",\"12/25/2004\",\"0\",\"Friends\",\"a, b\"\r\n";

TEST_F(ToolContactTextTest, ImportTellsWhatItReadAddedAndSkipped) {
  ToolRun first = Import(kPeople);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out,
            "Lines read: 3\nAdded: 3\nSkipped as duplicates: 0\n"
            "Line 3 kept in part: Birthday: \"someday\" is not a date from 1800 to 2199 with day, month and year; "
            "the date was left empty\n");
  std::vector<nlohmann::json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 3u);
  EXPECT_EQ(contacts[0]["First_Name"], "Ada");
  EXPECT_EQ(contacts[0]["Birthday"], "1975-05-03");
  EXPECT_EQ(contacts[0]["Gender"], 2);
  EXPECT_EQ(contacts[0]["category"], "Friends");
  EXPECT_EQ(contacts[0]["Notes"], "said \"hi\"");
  EXPECT_EQ(contacts[1]["First_Name"], "Bo");
  EXPECT_EQ(contacts[1]["Birthday"], nullptr);
  EXPECT_EQ(contacts[2]["Birthday"], "2004-12-25");

  ToolRun second = Import(kPeople);
  EXPECT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out.substr(0, second.out.find("Line 3")),
            "Lines read: 3\nAdded: 0\nSkipped as duplicates: 3\n");
  EXPECT_EQ(List(book).size(), 3u);
}

TEST_F(ToolContactTextTest, ImportReadsLinesEndedByLfOrCr) {
  const struct {
    std::string end;
    std::string last;
  } cases[] = {{"\n", "Lf"}, {"\r", "Cr"}};
  for (const auto& tc : cases) {
    const std::string& e = tc.end;
    ToolRun run = Import("First Name;Last Name" + e + "Ada;" + tc.last + e + "Bo;" + tc.last + e + "\"Cy\";\"" +
                         tc.last + "\"");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("Skipped")), "Lines read: 3\nAdded: 3\n");
  }
  EXPECT_EQ(FirstNames(), (std::vector<std::string>{"Ada", "Bo", "Cy", "Ada", "Bo", "Cy"}));
}

TEST_F(ToolContactTextTest, ImportOfAFileWhoseLinesWereNotReadFailsWithTheReason) {
  ToolRun run = Import("First Name,Last Name\n\"Ada,Lovelace\nBo,Berg\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("Line 2 not read: a quoted value is not closed before the end of the file"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("No line of the file could be read"), std::string::npos) << run.err;

  ToolRun headingOnly = Import("First Name,Last Name\n\n");
  EXPECT_EQ(headingOnly.exitCode, 1);
  EXPECT_NE(headingOnly.err.find("no contact lines below its heading line"), std::string::npos) << headingOnly.err;
  EXPECT_TRUE(List(book).empty());
}

TEST_F(ToolContactTextTest, ImportOfAFileThatIsNeitherCsvNorVCardSaysWhatWasExpected) {
  const std::string files[] = {
      "Shoe size,Hat size\n44,58\n",
      std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 29),
  };
  for (const std::string& file : files) {
    ToolRun run = Import(file);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("neither a contacts CSV file nor a vCard file: expected text with values separated by "
                           "commas, semicolons or tabs"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("No column of the file is mapped"), std::string::npos);
  }
}

TEST_F(ToolContactTextTest, ImportWithoutHeadingMapsByPosition) {
  ToolRun run = Import("Ada\tQ\tLovelace\r\n", {"--no-heading"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<nlohmann::json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]["Middle_Name"], "Q");
  EXPECT_EQ(contacts[0]["Last_Name"], "Lovelace");

  ToolRun positional = Import("First Name,Last Name\r\nLast Name,First Name\r\nBo,Berg\r\n", {"--map", "positional"});
  EXPECT_EQ(positional.exitCode, 0) << positional.err;
  EXPECT_EQ(FirstNames(), (std::vector<std::string>{"Ada", "Last Name", "Bo"}));
}

TEST_F(ToolContactTextTest, ImportRefusals) {
  SetPasswords(book, "own", "", "read");
  ToolRun reader = Import(kPeople, {"--password", "read"});
  EXPECT_EQ(reader.exitCode, 1);
  EXPECT_EQ(reader.err, OneLineOf(LoadText(Program::Cardora, kMsgNoPermission)) + "\n");
  EXPECT_TRUE(reader.out.empty());

  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"import", book, csv, "--password", "own", "--map", "best"}, "--map: expected default or positional"},
      {{"import", book, dir.File("missing.csv"), "--password", "own"}, "Cannot open the import file"},
      {{"import", dir.File("missing.adr"), csv}, "missing.adr"},
  };
  for (const auto& tc : cases) {
    ToolRun run = Run(tc.args);
    EXPECT_EQ(run.exitCode, 1) << tc.message;
    EXPECT_NE(run.err.find(tc.message), std::string::npos) << run.err;
  }
  const std::string calendar = dir.File("diary.cld");
  Ok({"create", "--kind", "calendar", calendar});
  // A calendar reads delimited text through its own fields: a list of
  // names has none of them.
  const std::string names = dir.File("names.csv");
  std::ofstream(names) << "First Name,Last Name,E-mail Address\r\nAnn,Lee,ann@example.org\r\n";
  ToolRun wrongKind = Run({"import", calendar, names});
  EXPECT_EQ(wrongKind.exitCode, 1);
  EXPECT_NE(wrongKind.err.find("None of the file's lines could be read as an event."), std::string::npos)
      << wrongKind.err;
  EXPECT_NE(wrongKind.out.find("Added: 0\n"), std::string::npos) << wrongKind.out;
}

TEST_F(ToolContactTextTest, ExportSelectsAndSortsAndReimports) {
  ASSERT_EQ(Import(kPeople).exitCode, 0);
  const std::string out = dir.File("out.csv");
  Ok({"export", book, out});
  const std::string all = ReadWholeFile(out);
  const std::string heading = ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/contacts/empty-export.csv");
  ASSERT_EQ(all.rfind(heading, 0), 0u);
  EXPECT_NE(all.find("\r\n\"Ada\",\"\",\"Lovelace\""), std::string::npos);
  EXPECT_LT(all.find("\"Ada\""), all.find("\"Cy\""));
  EXPECT_NE(all.find("\"said \"\"hi\"\"\""), std::string::npos);
  EXPECT_NE(all.find("\"2\",\"5/3/1975\",\"\""), std::string::npos);

  Ok({"export", book, out, "--category", "friend", "--name", "MOSS"});
  const std::string selected = ReadWholeFile(out);
  EXPECT_EQ(std::count(selected.begin(), selected.end(), '\n'), 2);
  EXPECT_NE(selected.find("\"Cy\""), std::string::npos);

  // Imported into an empty book and exported again: the same file.
  Ok({"export", book, out});
  const std::string other = dir.File("other.adr");
  Ok({"create", other});
  Ok({"import", other, out});
  const std::string again = dir.File("again.csv");
  Ok({"export", other, again});
  EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(out));

  Ok({"export", book, out, "--format", "text", "--name", "ada"});
  EXPECT_EQ(ReadWholeFile(out),
            "Cardora Report (All)\r\n\r\nFirst Name: Ada\r\nLast Name: Lovelace\r\nGender: Male\r\n"
            "Birthday: 5/3/1975\r\nNotes: said \"hi\"\r\n"
            "..................................................\r\n\r\n");
}

TEST_F(ToolContactTextTest, ReportsByFieldSetAndEmptySelection) {
  ASSERT_EQ(Import(kPeople).exitCode, 0);
  const std::string out = dir.File("report.txt");
  Ok({"report", book, out, "--fields", "home", "--category", "Nobody"});
  EXPECT_EQ(ReadWholeFile(out), "Cardora Report (Nobody)\r\n\r\n");
  Ok({"report", book, out, "--fields", "business", "--name", "cy"});
  EXPECT_EQ(ReadWholeFile(out),
            "Cardora Report (All)\r\n\r\nFirst Name: Cy\r\nLast Name: Moss\r\nNotes: a, b\r\n"
            "..................................................\r\n\r\n");
  Ok({"create", dir.File("empty.adr")});
  Ok({"export", dir.File("empty.adr"), out});
  EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(std::string(VELMORA_TEST_DATA) + "/contacts/empty-export.csv"));
}

TEST_F(ToolContactTextTest, VCardsImportByTheirContentAndExportInBothVersions) {
  const std::string cards = std::string(VELMORA_TEST_DATA) + "/vcard/";
  ToolRun apple = Run({"import", book, cards + "apple.vcf"});
  EXPECT_EQ(apple.exitCode, 0) << apple.err;
  EXPECT_EQ(apple.out,
            "Cards read: 1\nAdded: 1\nSkipped as duplicates: 0\n"
            "Card at line 1 kept in part: The picture \"/9j/4AAQSkZJRgABAQAA...\" was left out: the address book keeps "
            "the path of a picture file, not the picture itself or a web address\n");
  ToolRun broken = Import("BEGIN:VCARD\r\nUID:1\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Lind;Anna;;;\r\n");
  EXPECT_EQ(broken.exitCode, 0) << broken.err;
  EXPECT_EQ(broken.out,
            "Cards read: 1\nAdded: 0\nSkipped as duplicates: 0\n"
            "Card at line 1 not read: the card holds nothing the address book keeps\n"
            "Card at line 4 not read: the card is not closed (END:VCARD) before the next card or the end of the file\n");
  ToolRun refused = Run({"import", book, cards + "google.vcf", "--no-heading"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("not to a vCard file"), std::string::npos) << refused.err;

  // The book's cards, imported into an empty book and written again: the same file.
  for (const std::string version : {"3.0", "4.0"}) {
    const std::string out = dir.File("out.vcf");
    Ok({"export", book, out, "--format", "vcard", "--vcard-version", version});
    EXPECT_NE(ReadWholeFile(out).find("VERSION:" + version + "\r\n"), std::string::npos);
    const std::string other = dir.File("other-" + version + ".adr");
    Ok({"create", other});
    Ok({"import", other, out});
    const std::string again = dir.File("again.vcf");
    Ok({"export", other, again, "--format", "vcard", "--vcard-version", version});
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(out));
  }
}

TEST_F(ToolContactTextTest, VCardFilesFromPhonesImportWholeAndTellWhatFoundNoRoom) {
  const std::string cards = std::string(VELMORA_TEST_DATA) + "/vcard/";
  struct Case {
    std::string file;
    std::string out;
  };
  const Case cases[] = {
      {"unclosed-agent.vcf",
       "Cards read: 5\nAdded: 5\nSkipped as duplicates: 0\n"
       "Card at line 1 kept in part: END:VCARD is missing for this card or for the card in its AGENT property; the "
       "card ends where the next card or the file begins\n"},
      {"utf16le-nobom.vcf", "Cards read: 1\nAdded: 1\nSkipped as duplicates: 0\n"},
      {"stray-line.vcf", "Cards read: 1\nAdded: 1\nSkipped as duplicates: 0\n"},
      {"unkept.vcf",
       "Cards read: 1\nAdded: 1\nSkipped as duplicates: 0\n"
       "Card at line 1 kept in part: The nickname \"N.H.\" was left out: the field already holds a value\n"
       "Card at line 1 kept in part: IMPP \"xmpp:noor@chat.example.com\" was left out: the address book has no field "
       "for it\n"
       "Card at line 1 kept in part: RELATED \"Sami Aziz\" was left out: the address book has no field for it\n"
       "Card at line 1 kept in part: X-SHOESIZE \"38\" was left out: the address book has no field for it\n"
       "Card at line 1 kept in part: X-ABDATE \"2010-06-01\" was left out: the address book has no field for it\n"
       "Card at line 1 kept in part: The role \"Lead\" was left out: the job title already holds a value\n"},
  };
  for (const Case& test : cases) {
    ToolRun run = Run({"import", book, cards + test.file});
    EXPECT_EQ(run.exitCode, 0) << test.file << run.err;
    EXPECT_EQ(run.out, test.out) << test.file;
  }
  EXPECT_EQ(Run({"import", book, cards + "stray-line.vcf", "--no-heading"}).exitCode, 1);
}

TEST_F(ToolContactTextTest, ALargeVCardFileIsReadInPiecesWithNothingLostAtTheirEdges) {
  // An old phone's CR CR LF file with a title line, many times longer than
  // the start the tool looks at and the pieces it reads.
  std::string file = "Phone book\r\r\n";
  for (int i = 0; i < 3000; ++i) {
    file += "BEGIN:VCARD\r\r\nVERSION:2.1\r\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller" +
            std::to_string(i) + ";Bj=F6rn;;;\r\r\nNOTE;ENCODING=QUOTED-PRINTABLE:first=0D=0Asecond =\r\r\nline\r\r\n"
            "END:VCARD\r\r\n";
  }
  ToolRun run = Import(file);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Cards read: 3000\nAdded: 3000\nSkipped as duplicates: 0\n");
  const std::vector<nlohmann::json> contacts = List(book);
  ASSERT_EQ(contacts.size(), 3000u);
  for (const nlohmann::json& contact : contacts) {
    ASSERT_EQ(contact["First_Name"], "Bj\xC3\xB6rn");
    ASSERT_EQ(std::string(contact["Last_Name"]).substr(0, 7), "M\xC3\xBCller");
    ASSERT_EQ(contact["Notes"], "first\r\nsecond line");
  }
}

TEST_F(ToolContactTextTest, OptionsOfTheOtherKindAreRefused) {
  const std::string calendar = dir.File("diary.cld");
  Ok({"create", "--kind", "calendar", calendar});
  const std::string out = dir.File("x.txt");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"export", book, out, "--from", "2004-01-01", "--to", "2004-01-02"},
       "--from does not apply to an address book."},
      {{"report", book, out, "--subject", "x"}, "--subject does not apply to an address book."},
      {{"export", calendar, out, "--category", "x"}, "--category does not apply to a calendar file."},
      // A calendar's export is comma-separated or iCalendar: the address
      // book's formats are refused.
      {{"export", calendar, out, "--format", "vcard"}, "--format: expected csv or ics on a calendar file"},
      {{"export", calendar, out, "--format", "text"}, "--format: expected csv or ics on a calendar file"},
      {{"export", calendar, out, "--vcard-version", "3.0"}, "--vcard-version does not apply to a calendar file."},
      {{"report", calendar, out, "--fields", "home"}, "--fields does not apply to a calendar file."},
      {{"report", book, out, "--fields", "work"}, "--fields: expected all, home or business"},
      {{"export", book, out, "--format", "vcf"}, "--format: expected csv, text or vcard"},
      {{"report", book, out, "--format", "csv"}, "unknown option --format"},
      {{"export", book, book}, "The output file is the address book itself"},
      {{"export", book, out, "--vcard-version", "3.0"}, "--vcard-version applies to --format vcard only."},
      {{"export", book, out, "--format", "vcard", "--vcard-version", "2.1"}, "--vcard-version: expected 3.0 or 4.0"},
  };
  for (const auto& tc : cases) {
    ToolRun run = Run(tc.args);
    EXPECT_EQ(run.exitCode, 1) << tc.message;
    EXPECT_NE(run.err.find(tc.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(out));
  // The calendar's own export still works.
  Ok({"export", calendar, out, "--from", "2004-01-01", "--to", "2004-01-02"});
  EXPECT_TRUE(fs::exists(out));
}

}  // namespace
}  // namespace velmora::testing
