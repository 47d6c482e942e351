// Writes the seed corpus of record_file_fuzzer: small valid files of every
// kind, files in odd but legal states, and truncated or malformed ones.
//
//   make_seed_corpus fuzz/corpus
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/Bytes.h"
#include "store/Format.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;

std::string g_scratch;
std::string g_out;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Seed(const std::string& name, const Bytes& bytes) {
  std::ofstream out(g_out + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A file of that kind with that many records; the first field of the body
// gets "<name> <i>", and the last name field too, when the record has them.
Bytes Build(format::FileKind kind, int records, uint32_t recordSize = 0) {
  std::string path = g_scratch + "/seed";
  std::filesystem::remove(path);
  if (!CreateRecordFile(path, kind).ok()) std::abort();
  if (recordSize != 0) {  // a record size of no known kind
    Bytes bytes = ReadAll(path);
    PutU32(bytes.data() + format::kPrologueRecordSize, recordSize);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  {
    RecordStore store(path, "");
    static const char* kNames[] = {"Smith", "garcia", "Müller", "O'Brien", "de la Cruz", "", "Zhang", "ADAMS"};
    for (int i = 0; i < records; ++i) {
      Bytes record;
      store.InitRecord(record, store.recordSize());
      std::string name = std::string(kNames[i % 8]) + " " + std::to_string(i);
      if (store.recordSize() >= r::kHeaderSize + 30) PutText(record.data() + r::kHeaderSize, 30, name);
      if (store.recordSize() >= 919) PutText(record.data() + 889, 30, name);
      if (i % 5 == 1) PutText(record.data() + r::kCategory, r::kCategoryWidth, "Clients");
      if (!store.AddRecord(record).ok()) std::abort();
    }
  }
  return ReadAll(path);
}

uint8_t* Slot(Bytes& bytes, int i) {
  uint32_t size = GetU32(bytes.data() + format::kPrologueRecordSize);
  return bytes.data() + format::kFirstSlotOffset + size_t(i) * size;
}
void SetHeaderI32(Bytes& bytes, uint32_t field, int32_t value) {
  PutI32(bytes.data() + format::kHeaderOffset + field, value);
}

void WriteAll() {
  struct Kind {
    const char* name;
    format::FileKind kind;
  };
  for (Kind k : {Kind{"address", format::FileKind::Address}, Kind{"calendar", format::FileKind::Calendar},
                 Kind{"history", format::FileKind::History}, Kind{"partners", format::FileKind::Partners},
                 Kind{"outbox", format::FileKind::Outbox}}) {
    std::string base = k.name;
    Seed(base + "-new", Build(k.kind, 0));
    // Three records: one deleted, one confidential, one locked; left open
    // by two connections that never closed.
    Bytes used = Build(k.kind, 4);
    Slot(used, 0)[r::kInUse] = 0;
    Slot(used, 1)[r::kConfidential] = 1;
    Slot(used, 2)[r::kEditLock] = 1;
    SetHeaderI32(used, h::kFreeSlotBalance, -1);
    SetHeaderI32(used, h::kOpenCount, 2);
    Seed(base + "-used", used);
  }
  Seed("address-eight", Build(format::FileKind::Address, 8));
  // Enough slots of the smallest size for the sort to work on a memory image.
  Bytes many = Build(format::FileKind::History, 110, format::kMinRecordSize);
  for (int i = 0; i < 110; i += 9) Slot(many, i)[r::kInUse] = 0;
  SetHeaderI32(many, h::kFreeSlotBalance, -13);
  Seed("small-records-110", many);

  // Passwords: the empty password then gives Assistant, Reader or no access.
  struct Passwords {
    const char* name;
    const char* assistant;
    const char* reader;
  };
  for (Passwords p : {Passwords{"assistant", "", "read"}, Passwords{"reader", "assist", ""},
                      Passwords{"no-access", "assist", "read"}}) {
    Bytes guarded = Build(format::FileKind::Address, 3);
    Slot(guarded, 1)[r::kConfidential] = 1;
    uint8_t* header = guarded.data() + format::kHeaderOffset;
    PutText(header + h::kOwnerPassword, h::kPasswordWidth, "secret");
    PutText(header + h::kAssistantPassword, h::kPasswordWidth, p.assistant);
    PutText(header + h::kReaderPassword, h::kPasswordWidth, p.reader);
    Seed(std::string("address-password-") + p.name, guarded);
  }

  // Odd states: a balance that claims free slots that are not there, extreme
  // counters, in-use and lock bytes other than 0 and 1, a longer header.
  Bytes odd = Build(format::FileKind::Partners, 3);
  SetHeaderI32(odd, h::kFreeSlotBalance, -5);
  Slot(odd, 1)[r::kInUse] = 2;
  Slot(odd, 2)[r::kEditLock] = 7;
  Seed("partners-odd-bytes", odd);
  Bytes extreme = Build(format::FileKind::Outbox, 2);
  SetHeaderI32(extreme, h::kOpenCount, INT32_MAX);
  SetHeaderI32(extreme, h::kFreeSlotBalance, INT32_MIN);
  Slot(extreme, 0)[r::kInUse] = 0;
  Seed("outbox-extreme-counters", extreme);
  Bytes wide = Build(format::FileKind::History, 2);
  PutU32(wide.data() + format::kPrologueHeaderSize, format::kHeaderSize + 100);
  wide.insert(wide.begin() + format::kCategoryOffset, 100, 0);
  Seed("history-longer-header", wide);

  // Truncated and malformed.
  Bytes full = Build(format::FileKind::Address, 2);
  for (size_t cut : {size_t(5), size_t(12), size_t(2000), size_t(format::kFirstSlotOffset + 100), full.size() - 1}) {
    Seed("address-cut-" + std::to_string(cut), Bytes(full.begin(), full.begin() + long(cut)));
  }
  Bytes zeroRecord = full;
  PutU32(zeroRecord.data() + format::kPrologueRecordSize, 0);
  Seed("address-record-size-0", zeroRecord);
  Bytes hugeHeader = full;
  PutU32(hugeHeader.data() + format::kPrologueHeaderSize, 0xFFFFFFFFu);
  Seed("address-header-size-max", hugeHeader);
  Seed("empty", Bytes());
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-seeds-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return 1;
  velmora::g_scratch = pattern;
  velmora::g_out = argv[1];
  ::setenv("VELMORA_HOME", pattern.c_str(), 1);
  std::filesystem::create_directories(velmora::g_out);
  velmora::WriteAll();
  std::filesystem::remove_all(pattern);
  return 0;
}
