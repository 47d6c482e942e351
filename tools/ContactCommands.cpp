// `import`, and `export` and `report` on address books: the import by the
// wizard's rules, the export file and the report of the address book. The
// `export` and `report` commands serve both kinds of file: a calendar goes
// to the calendar's own commands.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "importexport/ContactImport.h"
#include "importexport/ContactRecordText.h"
#include "importexport/CountedText.h"
#include "importexport/ImportReader.h"
#include "importexport/VCard.h"
#include "resources/Strings.h"
#include "tools/Commands.h"
#include "tools/Interruption.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

using format::FileKind;

// The options of each kind of file; any other option the command knows is
// refused on that kind.
const std::vector<std::string> kCalendarOptions = {"--from", "--to", "--subject"};
const std::vector<std::string> kExportOptions = {"--category", "--name", "--vcard-version"};
const std::vector<std::string> kReportOptions = {"--category", "--name", "--fields"};

Result RefuseOptions(const Arguments& args, const std::vector<std::string>& options, const std::string& kind) {
  for (const std::string& option : options) {
    if (args.Value(option)) return Result::Fail(option + " does not apply to " + kind + ".");
  }
  return Result::Ok();
}

// The kind of the file, from a connection opened with the password.
ResultOf<std::optional<FileKind>> KindOf(const Arguments& args) {
  ResultOf<OpenedStore> opened = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opened.ok()) return opened.result();
  return opened->kind;
}

ResultOf<OpenedStore> OpenAddressBook(const Arguments& args) {
  const std::string& path = args.positional()[0];
  ResultOf<OpenedStore> opened = OpenWithPassword(path, args.ValueOr("--password", ""));
  if (!opened.ok()) return opened.result();
  if (opened->kind != FileKind::Address) return Result::Fail("Not an address book: \"" + path + "\"");
  return opened;
}

// Writing over the address book itself would destroy it.
Result DistinctOutput(const std::string& book, const std::string& output) {
  std::error_code ec;
  if (!std::filesystem::equivalent(book, output, ec)) return Result::Ok();
  return Result::Fail("The output file is the address book itself: \"" + output + "\"");
}

Result SelectionFrom(const Arguments& args, RecordTextOptions& options) {
  if (std::optional<std::string> category = args.Value("--category")) {
    if (category->size() > kMaxCategoryFilterLength) {
      return Result::Fail("--category: at most " + std::to_string(kMaxCategoryFilterLength) + " bytes");
    }
    options.scope = ContactScope::Category;
    options.category = *category;
  }
  if (std::optional<std::string> name = args.Value("--name")) {
    if (name->size() > kMaxNameFilterLength) {
      return Result::Fail("--name: at most " + std::to_string(kMaxNameFilterLength) + " bytes");
    }
    options.nameFlag = true;
    options.name = *name;
  }
  return Result::Ok();
}

int WriteText(const Arguments& args, RecordTextMode mode, const RecordTextOptions& options) {
  const std::string& output = args.positional()[1];
  if (Result distinct = DistinctOutput(args.positional()[0], output); !distinct.ok()) return Fail(distinct.Message());
  ResultOf<OpenedStore> opened = OpenAddressBook(args);
  if (!opened.ok()) return Fail(opened.Message());
  if (Result written = WriteRecordText(*opened->store, mode, options, output); !written.ok()) {
    return Fail(written.Message());
  }
  return kExitOk;
}

int WriteCards(const Arguments& args, const RecordTextOptions& options) {
  const std::string version = args.ValueOr("--vcard-version", "4.0");
  if (version != "3.0" && version != "4.0") return Fail("--vcard-version: expected 3.0 or 4.0");
  const std::string& output = args.positional()[1];
  if (Result distinct = DistinctOutput(args.positional()[0], output); !distinct.ok()) return Fail(distinct.Message());
  ResultOf<OpenedStore> opened = OpenAddressBook(args);
  if (!opened.ok()) return Fail(opened.Message());
  const VCardVersion cardVersion = version == "3.0" ? VCardVersion::V3 : VCardVersion::V4;
  if (Result written = WriteVCards(*opened->store, options, output, cardVersion); !written.ok()) {
    return Fail(written.Message());
  }
  return kExitOk;
}

int RunContactExport(const Arguments& args) {
  RecordTextOptions options;
  if (Result selected = SelectionFrom(args, options); !selected.ok()) return Fail(selected.Message());
  const std::string format = args.ValueOr("--format", "csv");
  if (format == "vcard") return WriteCards(args, options);
  if (args.Value("--vcard-version")) return Fail("--vcard-version applies to --format vcard only.");
  if (format == "csv") return WriteText(args, RecordTextMode::Export, options);
  if (format == "text") return WriteText(args, RecordTextMode::Report, options);
  return Fail("--format: expected csv, text or vcard");
}

int RunContactReport(const Arguments& args) {
  RecordTextOptions options;
  if (Result selected = SelectionFrom(args, options); !selected.ok()) return Fail(selected.Message());
  const std::string fields = args.ValueOr("--fields", "all");
  if (fields == "all") {
    options.fields = ReportFieldSet::All;
  } else if (fields == "home") {
    options.fields = ReportFieldSet::Home;
  } else if (fields == "business") {
    options.fields = ReportFieldSet::Business;
  } else {
    return Fail("--fields: expected all, home or business");
  }
  return WriteText(args, RecordTextMode::Report, options);
}

// Export and report go to the commands of the file's kind.
int Dispatch(const Arguments& args, const std::vector<std::string>& contactOptions, int (*calendar)(const Arguments&),
             int (*addressBook)(const Arguments&)) {
  ResultOf<std::optional<FileKind>> kind = KindOf(args);
  if (!kind.ok()) return Fail(kind.Message());
  if (kind.value() == FileKind::Address) {
    if (Result refused = RefuseOptions(args, kCalendarOptions, "an address book"); !refused.ok()) {
      return Fail(refused.Message());
    }
    return addressBook(args);
  }
  if (kind.value() == FileKind::Calendar) {
    if (Result refused = RefuseOptions(args, contactOptions, "a calendar file"); !refused.ok()) {
      return Fail(refused.Message());
    }
  }
  // The calendar's commands refuse every other kind themselves.
  return calendar(args);
}

// The first bytes of the import file: enough to tell its kind, encoding,
// separator and headings.
constexpr size_t kImportFileStart = size_t(256) << 10;

void PrintCounts(const ImportCounts& counts, bool cards) {
  const char* unit = cards ? "Card at line " : "Line ";
  std::ostringstream out;
  out << (cards ? "Cards read: " : "Lines read: ") << counts.linesRead << '\n'
      << "Added: " << counts.added << '\n'
      << "Skipped as duplicates: " << counts.duplicates << '\n';
  for (const ImportLineProblem& problem : counts.unread) {
    out << unit << problem.line << " not read: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  for (const ImportLineProblem& problem : counts.partly) {
    out << unit << problem.line << " kept in part: " << TerminalSafe(OneLine(problem.reason)) << '\n';
  }
  std::cout << out.str() << std::flush;
}

}  // namespace

int RunImport(const Arguments& args) {
  const std::string map = args.ValueOr("--map", "default");
  if (map != "default" && map != "positional") return Fail("--map: expected default or positional");
  const bool heading = !args.Has("--no-heading");
  ResultOf<OpenedStore> opened = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opened.ok()) return Fail(opened.Message());
  // A calendar takes iCalendar files and delimited text.
  if (opened->kind == FileKind::Calendar) return RunCalendarImport(args, *opened->store);
  if (opened->kind != FileKind::Address) return Fail("Not an address book: \"" + args.positional()[0] + "\"");
  RecordStore& store = *opened->store;
  if (opened->accessLevel == kAccessReader) return Fail(LoadText(kMsgNoPermission));
  // Only the start of the file is read here: enough to tell a vCard file
  // from delimited text and to propose the reading of the text. Both are
  // then streamed, so the file's size costs no memory.
  const std::string& inputPath = args.positional()[1];
  std::ifstream in(inputPath, std::ios::binary);
  if (!in) return Fail(Result::Fail("Cannot open the import file", errno, inputPath).Message());
  std::string bytes(kImportFileStart, '\0');
  in.read(bytes.data(), std::streamsize(bytes.size()));
  bytes.resize(size_t(in.gcount()));
  if (in.bad()) return Fail(Result::Fail("Cannot read the import file", errno, inputPath).Message());
  const bool cards = LooksLikeVCard(bytes);
  if (cards && (args.Value("--map") || args.Has("--no-heading"))) {
    return Fail("--map and --no-heading apply to delimited text files, not to a vCard file.");
  }
  const ImportProgress progress = [](size_t, size_t) { return !Interrupted(); };
  ImportCounts counts;
  Result imported = Result::Ok();
  if (cards) {
    VCardInput input;
    input.next = [&](std::string& chunk) {
      if (!bytes.empty()) {  // the start, read already
        chunk.swap(bytes);
        return Result::Ok();
      }
      chunk.resize(kVCardChunkBytes);
      in.read(chunk.data(), std::streamsize(chunk.size()));
      chunk.resize(size_t(in.gcount()));
      if (in.bad()) return Result::Fail("Cannot read the import file", errno, inputPath);
      return Result::Ok();
    };
    imported = ImportVCards(store, input, counts, progress);
  } else {
    if (!LooksLikeText(bytes)) return Fail(std::string(kNotAContactsFile));
    const ImportSettings settings = ProposedImportSettings(
        bytes, heading, map == "default" ? ImportMapChoice::Default : ImportMapChoice::Positional);
    // The engine streams the text from its start.
    in.clear();
    in.seekg(0);
    if (!in) return Fail(Result::Fail("Cannot read the import file", errno, inputPath).Message());
    imported = ImportContacts(store, in, settings, counts, progress);
  }
  if (imported.code() == kReaderRefused) return Fail(LoadText(kMsgNoPermission));
  PrintCounts(counts, cards);
  if (!imported.ok()) return Fail(imported.Message());
  if (counts.cancelled) {
    return Fail("Interrupted; " + CountedText(counts.added, "record", "records") + " " + WasOrWere(counts.added) +
                " added before the import stopped.");
  }
  return kExitOk;
}

int RunExportCommand(const Arguments& args) { return Dispatch(args, kExportOptions, RunExport, RunContactExport); }

int RunReportCommand(const Arguments& args) { return Dispatch(args, kReportOptions, RunReport, RunContactReport); }

}  // namespace velmora::tool
