// velmora: a scriptable companion for Velmora record files, in the spirit of
// the sqlite3 shell. `velmora COMMAND ARGS...`; see Usage() for the list.
#include <array>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/Interruption.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {
namespace {

struct Command {
  std::string_view name;
  std::string_view usage;  // after "velmora "
  size_t positional;       // number of positional words
  OptionSet options;
  int (*run)(const Arguments&);
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"create", "create [--kind address|calendar|history|partners|outbox] [--examples] FILE", 1,
       {{"--kind"}, {"--examples"}}, RunCreate},
      {"info", "info FILE", 1, {}, RunInfo},
      {"list", "list FILE [--sort 1..10] [--category NAME] [--password P]", 1,
       {{"--sort", "--category", "--password"}, {}}, RunList},
      {"find", "find FILE TEXT [--category TEXT] [--password P]", 2, {{"--category", "--password"}, {}}, RunFind},
      {"add", "add FILE [--password P] < RECORDS", 1, {{"--password"}, {}}, RunAdd},
      {"update",
       "update FILE POSITION [--id ID] [--password P] < RECORD\n"
       "      Give the record's ID (as `list` prints it): positions are reused, and without --id the contact\n"
       "      or event now at POSITION is changed, whoever it is after another user's delete and add or a compaction.",
       2, {{"--id", "--password"}, {}}, RunUpdate},
      {"delete",
       "delete FILE POSITION [--id ID] [--password P]\n"
       "      Give the record's ID (as `list` prints it): without --id the contact or event now at POSITION\n"
       "      is deleted, whoever it is.",
       2, {{"--id", "--password"}, {}}, RunDelete},
      {"check", "check FILE", 1, {}, RunCheck},
      {"compact", "compact FILE", 1, {}, RunCompact},
      {"agenda", "agenda FILE --from YYYY-MM-DD --to YYYY-MM-DD [--category NAME] [--password P]", 1,
       {{"--from", "--to", "--category", "--password"}, {}}, RunAgenda},
      {"import",
       "import FILE IN [--no-heading] [--map default|positional] [--password P]  (CSV or vCard)\n"
       "  velmora import FILE.cld IN [--no-heading] [--map default|positional] [--password P]  (iCalendar or "
       "delimited text into a calendar)",
       2,
       {{"--map", "--password"}, {"--no-heading"}}, RunImport},
      {"export",
       "export FILE OUT [--category C] [--name TEXT] [--format csv|text|vcard] [--vcard-version 3.0|4.0]\n"
       "      [--password P]  (address book)\n"
       "  velmora export FILE OUT [--from YYYY-MM-DD --to YYYY-MM-DD] [--subject TEXT] [--format csv|ics]\n"
       "      [--password P]  (calendar; ics: iCalendar)",
       2, {{"--from", "--to", "--subject", "--category", "--name", "--format", "--vcard-version", "--password"}, {}},
       RunExportCommand},
      {"report",
       "report FILE OUT [--fields all|home|business] [--category C] [--name TEXT] [--password P]  (address book)\n"
       "  velmora report FILE OUT [--from YYYY-MM-DD --to YYYY-MM-DD] [--subject TEXT] [--password P]  (calendar)",
       2, {{"--from", "--to", "--subject", "--category", "--name", "--fields", "--password"}, {}}, RunReportCommand},
      {"mailmerge",
       "mailmerge FILE [--settings MailMerge.inf] [--message TEXT_FILE] [--id ID] [--time-limit MINUTES] "
       "[--password P]  (e-mail: stops after MINUTES, by default 10 plus 1 per message)",
       1, {{"--settings", "--message", "--id", "--time-limit", "--password"}, {}}, RunMailMerge},
      {"alarms", "alarms FILE [--at \"YYYY-MM-DD HH:MM\"] [--password P]", 1, {{"--at", "--password"}, {}},
       RunAlarms},
  };
  return commands;
}

void PrintUsage(std::ostream& out) {
  out << "Usage: velmora COMMAND [ARGS]\n"
         "       velmora --help | --version\n"
         "Inspect, repair and script Velmora record files.\n\n";
  for (const Command& command : Commands()) out << "  velmora " << command.usage << '\n';
  out << "\n`velmora COMMAND --help` shows the usage of one command.\n";
}

int RunCommand(const Command& command, const std::vector<std::string>& words) {
  OptionSet options = command.options;
  options.flags.insert("--help");
  Arguments args;
  const std::string usage = "Usage: velmora " + std::string(command.usage);
  if (Result parsed = args.Parse(words, options); !parsed.ok()) return Fail(parsed.Message() + ". " + usage);
  if (args.Has("--help")) {
    std::cout << usage << '\n';
    return kExitOk;
  }
  if (args.positional().size() != command.positional) {
    const char* what = args.positional().size() < command.positional ? "missing argument" : "too many arguments";
    return Fail(std::string(what) + ". " + usage);
  }
  return command.run(args);
}

}  // namespace
}  // namespace velmora::tool

int main(int argc, char** argv) {
  using namespace velmora::tool;
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    PrintUsage(std::cerr);
    return kExitFailure;
  }
  const std::string name = words.front();
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(std::cout);
    return kExitOk;
  }
  if (name == "--version" || name == "-V") {
    std::cout << "velmora " << VELMORA_VERSION << '\n';
    return kExitOk;
  }
  for (const Command& command : Commands()) {
    if (command.name != name) continue;
    InstallInterruptHandlers();
    // Every connection the command opened is closed when it returns.
    const int status = RunCommand(command, {words.begin() + 1, words.end()});
    EndByInterruptingSignal();
    return status;
  }
  std::cerr << "Unknown command \"" << TerminalSafe(name) << "\".\n";
  PrintUsage(std::cerr);
  return kExitFailure;
}
