// `list` and `add`: records as JSON lines, through a connection opened with
// the user's password, so the access levels apply as in the programs.
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "addressbook/model/ContactRecord.h"
#include "importexport/RecordJson.h"
#include "resources/Strings.h"
#include "store/RecordQuery.h"
#include "tools/Commands.h"
#include "tools/EventFields.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

using format::FileKind;

// How a new record of a kind is started, and made valid once the input's
// keys are filled in (false with error when it cannot be).
struct NewRecordRules {
  void (*init)(RecordStore& store, Bytes& buffer);
  bool (*finish)(const nlohmann::json& object, Bytes& buffer, std::string& error);
};

bool FinishContact(const nlohmann::json&, Bytes& buffer, std::string&) {
  NormaliseContactRecord(buffer);
  return true;
}

std::optional<NewRecordRules> RulesFor(std::optional<FileKind> kind) {
  if (kind == FileKind::Address) return NewRecordRules{InitContactRecord, FinishContact};
  if (kind == FileKind::Calendar) return NewRecordRules{InitEventForAdd, FinishEventFromJson};
  return std::nullopt;
}

// The body keys of a kind; empty for kinds whose body the tool does not map
// (history, partner list, outgoing box, unknown record sizes).
FieldTable BodyFields(std::optional<FileKind> kind) {
  if (kind == FileKind::Address) return ContactJsonFields();
  if (kind == FileKind::Calendar) return EventFields();
  return {};
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r\n") == std::string::npos; }

// Reads every line of input and builds its record; nothing is kept when any
// line is bad, so a bad line never leaves half an import behind.
bool ReadRecords(std::istream& input, RecordStore& store, FieldTable body, const NewRecordRules& rules,
                 const FillOptions& options, std::vector<Bytes>& records) {
  std::string line;
  for (size_t number = 1; std::getline(input, line); ++number) {
    if (IsBlank(line)) continue;
    nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object()) {
      Fail("line " + std::to_string(number) + ": not a JSON object");
      return false;
    }
    Bytes record;
    rules.init(store, record);
    std::string error;
    if (!FillRecordFromJson(object, body, options, record.data(), error) ||
        !rules.finish(object, record, error)) {
      Fail("line " + std::to_string(number) + ": " + error);
      return false;
    }
    records.push_back(std::move(record));
  }
  if (input.bad()) {
    Fail("Cannot read the records from standard input");
    return false;
  }
  return true;
}

}  // namespace

int RunList(const Arguments& args) {
  OpenedStore opened = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opened.store) return kExitFailure;
  RecordStore& store = *opened.store;
  RecordQuery query;
  query.AddMatchAll();
  if (Result ran = query.Run(store); !ran.ok()) return Fail(ran.Message());

  const FieldTable body = BodyFields(opened.kind);
  Bytes record;
  for (RecordPosition position : query.positions()) {
    // A record deleted by another user since the scan is simply gone.
    if (!store.ReadRecordIfLive(record, position).ok()) continue;
    std::cout << JsonLine(RecordToJson(record.data(), position, body)) << '\n';
  }
  std::cout.flush();
  if (!std::cout) return Fail("Cannot write the list");
  return kExitOk;
}

int RunAdd(const Arguments& args) {
  OpenedStore opened = OpenWithPassword(args.positional()[0], args.ValueOr("--password", ""));
  if (!opened.store) return kExitFailure;
  RecordStore& store = *opened.store;
  std::optional<NewRecordRules> rules = RulesFor(opened.kind);
  if (!rules) return Fail("Records can be added to address books and calendars only.");
  if (opened.accessLevel == kAccessReader) return Fail(LoadText(102));

  std::vector<Bytes> records;
  FillOptions options;
  options.mayMarkConfidential = opened.accessLevel == kAccessOwner;
  if (!ReadRecords(std::cin, store, BodyFields(opened.kind), *rules, options, records)) return kExitFailure;

  size_t added = 0;
  for (const Bytes& record : records) {
    Result result = store.AddRecord(record);
    if (result.code() == kReaderRefused) return Fail(LoadText(102));
    if (!result.ok()) {
      (void)store.Flush();
      return Fail("Added " + std::to_string(added) + " of " + std::to_string(records.size()) +
                  " records, then: " + result.Message());
    }
    ++added;
  }
  if (Result flushed = store.Flush(); !flushed.ok()) return Fail(flushed.Message());
  std::cout << added << '\n';
  return kExitOk;
}

}  // namespace velmora::tool
