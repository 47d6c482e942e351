// `info` and `check`: read a file as it lies on disk, without a connection
// (which would raise the open count) and without needing a password.
#include <iostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "importexport/RecordJson.h"
#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/Compact.h"
#include "store/Format.h"
#include "store/RecordFileView.h"
#include "store/RecordHeader.h"
#include "store/RecordStore.h"
#include "tools/Commands.h"
#include "tools/TerminalText.h"
#include "tools/ToolSupport.h"

namespace velmora::tool {

namespace {

namespace h = format::header;
namespace s = format::stamp;
using nlohmann::ordered_json;

std::string Text(const Bytes& header, uint32_t offset, uint32_t width) {
  return GetText(header.data() + offset, width);
}

void AddStamp(ordered_json& out, const std::string& prefix, const Bytes& header, uint32_t offset, bool third) {
  out[prefix + "_flag"] = header[offset + s::kFlag];
  out[prefix + "_name"] = Text(header, offset + s::kName, s::kNameWidth);
  out[prefix + "_address"] = Text(header, offset + s::kAddress, s::kAddressWidth);
  if (third) out[prefix + "_third_text"] = Text(header, offset + s::kThird, s::kThirdWidth);
}

}  // namespace

int RunInfo(const Arguments& args) {
  const std::string& path = args.positional()[0];
  RecordFileView view;
  if (Result loaded = view.Load(path); !loaded.ok()) return Fail(loaded.Message());
  const RecordFileShape& image = view.shape();
  const Bytes& header = view.header();
  const uint8_t* p = header.data();
  std::optional<format::FileKind> kind = KindFromRecordSize(image.recordSize);

  ordered_json out;
  out["file_size"] = image.fileSize;
  out["kind"] = kind ? ordered_json(KindCommandName(*kind)) : ordered_json(nullptr);
  out["prologue_header_size"] = image.headerSize;
  out["prologue_category_block_size"] = image.categorySize;
  out["prologue_record_size"] = image.recordSize;
  out["header_size"] = GetU32(p + h::kSize);
  out["kind_name"] = Text(header, h::kKindName, h::kNameWidth);
  out["family_name"] = Text(header, h::kFamilyName, h::kNameWidth);
  out["kind_number"] = GetU32(p + h::kKindNumber);
  out["format_mark"] = GetU32(p + h::kFormatMark);
  AddStamp(out, "owner", header, h::kOwnerStamp, false);
  // The passwords are the file's only access control; the tool tells whether
  // they are set but does not hand them to whoever can run it.
  out["owner_password_set"] = !RawText(p + h::kOwnerPassword, h::kPasswordWidth).empty();
  out["assistant_password_set"] = !RawText(p + h::kAssistantPassword, h::kPasswordWidth).empty();
  out["reader_password_set"] = !RawText(p + h::kReaderPassword, h::kPasswordWidth).empty();
  AddStamp(out, "exchange_identity", header, h::kSecondStamp, true);
  out["mark"] = GetU32(p + h::kMark);
  out["exchange_server"] = Text(header, h::kServer, h::kServerWidth);
  out["exchange_port"] = Text(header, h::kPort, h::kServerWidth);
  out["free_slot_balance"] = GetI32(p + h::kFreeSlotBalance);
  out["change_counter"] = GetU64(p + h::kChangeCounter);
  out["open_count"] = GetI32(p + h::kOpenCount);
  if (image.SlotsReadable()) {
    out["slot_count"] = image.WholeSlots();
    out["trailing_bytes"] = image.TrailingBytes();
    out["categories"] = CategoryNames(view.categories());
  } else {
    out["slot_count"] = nullptr;
    out["trailing_bytes"] = nullptr;
    out["categories"] = nullptr;
  }
  std::cout << JsonLine(out) << '\n';
  return kExitOk;
}

int RunCheck(const Arguments& args) {
  const std::string& path = args.positional()[0];
  RecordFileView view;
  if (Result loaded = view.Load(path); !loaded.ok()) return Fail(loaded.Message());
  const RecordFileShape& image = view.shape();
  // The prologue, length and slot tests are those the writers and
  // compaction apply before they change a file.
  std::vector<std::string> findings = image.Problems();
  auto find = [&findings](std::string line) { findings.push_back(std::move(line)); };

  // Copies left beside the file by compactions that died are removed (a
  // copy a running compaction is writing is never touched) and told on
  // standard output; one that cannot be removed is a finding. While the
  // file is being compacted nothing is looked for.
  LeftoverReport leftovers;
  if (RemoveCompactionLeftovers(path, leftovers).ok()) {
    for (const LeftoverReport::Leftover& left : leftovers.removed) {
      std::cout << "removed \"" << left.path << "\": the copy (" << left.bytes
                << " bytes) of a compaction that did not finish\n";
    }
    for (const LeftoverReport::Failure& failed : leftovers.notRemoved) {
      find("leftover copy of a compaction that did not finish, not removed: " + failed.why.Message());
    }
  }

  if (findings.empty()) {
    if (uint64_t trailing = image.TrailingBytes(); trailing != 0) {
      find("length: " + std::to_string(image.fileSize) + " bytes end in a partial slot of " +
           std::to_string(trailing) + " bytes at position " +
           std::to_string(image.prefix() + image.WholeSlots() * image.recordSize));
    }
    // Open count and edit locks are only judged while nobody has the file
    // open (a connection that exists right now may hold both legitimately),
    // and only when the presence lock could be tried at all.
    bool inUse = false;
    const Result probed = RecordStore::ProbeInUse(path, inUse);
    if (!probed.ok()) std::cerr << TerminalSafe(probed.Message()) << "; its open count and edit locks are not judged.\n";
    const bool judge = probed.ok() && !inUse;
    int64_t freeSlots = 0;
    std::vector<std::string> slotFindings;
    Result read = view.ForEachSlot([&](uint64_t position, const uint8_t* slot) {
      uint8_t inUseByte = slot[format::record::kInUse];
      if (inUseByte == 0) ++freeSlots;
      if (std::string problem = SlotProblem(slot, position, image.recordSize); !problem.empty()) slotFindings.push_back(problem);
      if (judge && inUseByte != 0 && rec::Locked(slot)) {
        slotFindings.push_back("edit lock held on the record at position " + std::to_string(position) +
                               " (id " + std::to_string(rec::Id(slot)) + ") while nobody has the file open");
      }
    });
    if (!read.ok()) return Fail(read.Message());
    const int32_t balance = GetI32(view.header().data() + h::kFreeSlotBalance);
    if (int64_t(balance) != -freeSlots) {
      find("free-slot balance " + std::to_string(balance) + ", but the file has " + std::to_string(freeSlots) +
           " free slots (expected " + std::to_string(-freeSlots) + ")");
    }
    const int32_t openCount = GetI32(view.header().data() + h::kOpenCount);
    if (judge && openCount != 0) {
      find("open count " + std::to_string(openCount) + " while nobody has the file open (not closed cleanly)");
    } else if (probed.ok() && inUse && openCount <= 0) {
      find("open count " + std::to_string(openCount) + " while the file is open");
    }
    for (std::string& line : slotFindings) find(std::move(line));
  }

  if (findings.empty()) {
    std::cout << "ok\n";
    return kExitOk;
  }
  for (const std::string& line : findings) std::cerr << TerminalSafe(line) << '\n';
  return kExitFailure;
}

}  // namespace velmora::tool
