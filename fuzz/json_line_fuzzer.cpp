// libFuzzer target: the input is one line of `velmora add`. The line reader
// of both record kinds must turn it into a record or a one-line refusal,
// and a record it accepts must come back unchanged through the JSON that
// `list` prints for it. A failed check aborts, so the fuzzer keeps it.
//
//   json_line_fuzzer -max_len=40000 -rss_limit_mb=2048 json-work fuzz/json_line_corpus
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/Format.h"
#include "store/RecordStore.h"
#include "importexport/RecordJson.h"
#include "tools/RecordLineReader.h"

namespace {

using velmora::Bytes;
using velmora::format::FileKind;
using velmora::tool::RecordLineReader;

std::optional<RecordLineReader> g_contacts;
std::optional<RecordLineReader> g_events;

void Check(bool condition, const char* what, std::string_view line) {
  if (condition) return;
  std::fprintf(stderr, "json line check failed: %s\nline: %.*s\n", what, int(line.size()), line.data());
  std::abort();
}

std::optional<RecordLineReader> MakeReader(const std::string& folder, FileKind kind, const char* name) {
  const std::string path = folder + "/" + name;
  if (!velmora::CreateRecordFile(path, kind).ok()) return std::nullopt;
  velmora::RecordStore store(path, "");
  if (store.OpenFailed()) return std::nullopt;
  return RecordLineReader::For(store, kind, velmora::FillOptions{});
}

// Bytes of the record other than its id, which every line gets anew.
bool SameApartFromId(const Bytes& a, const Bytes& b) {
  namespace r = velmora::format::record;
  if (a.size() != b.size()) return false;
  return std::memcmp(a.data(), b.data(), r::kId) == 0 &&
         std::memcmp(a.data() + r::kId + 8, b.data() + r::kId + 8, a.size() - r::kId - 8) == 0;
}

void Exercise(const RecordLineReader& reader, FileKind kind, std::string_view line) {
  Bytes record;
  velmora::Result read = reader.Read(line, record);
  if (!read.ok()) {
    Check(!read.what().empty(), "a refusal without a reason", line);
    Check(read.what().find('\n') == std::string::npos, "a refusal of more than one line", line);
    return;
  }
  Check(record.size() == velmora::format::InfoOf(kind).recordSize, "a record of the wrong size", line);
  const std::string listed =
      velmora::JsonLine(velmora::RecordToJson(record.data(), 2625, velmora::tool::BodyFields(kind)));
  Check(listed.size() <= reader.maxLineLength(), "list prints a line that add refuses as too long", listed);
  Bytes again;
  velmora::Result reread = reader.Read(listed, again);
  if (!reread.ok()) {
    std::fprintf(stderr, "refused: %s\n", reread.what().c_str());
    Check(false, "add refuses what list prints", listed);
  }
  Check(SameApartFromId(record, again), "what list prints reads back as another record", listed);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string folder = (base / "velmora-json-fuzz-XXXXXX").string();
  if (!::mkdtemp(folder.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  ::setenv("VELMORA_HOME", folder.c_str(), 1);
  g_contacts = MakeReader(folder, FileKind::Address, "a.adr");
  g_events = MakeReader(folder, FileKind::Calendar, "c.cld");
  fs::remove_all(folder, error);
  if (!g_contacts || !g_events) {
    std::fprintf(stderr, "cannot make the record files the readers start from\n");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  Exercise(*g_contacts, FileKind::Address, line);
  Exercise(*g_events, FileKind::Calendar, line);
  return 0;
}
