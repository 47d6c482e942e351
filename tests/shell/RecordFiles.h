// Small record files for the shell tests, and reading their headers straight
// from disk (without a connection, which would change the open count).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/Bytes.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "tests/support/Files.h"

namespace velmora::testing {

struct Passwords {
  std::string owner, assistant, reader;
};


inline Bytes HeaderOnDisk(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  if (bytes.size() < format::kHeaderOffset + format::kHeaderSize) return {};
  return Bytes(bytes.begin() + format::kHeaderOffset, bytes.begin() + format::kHeaderOffset + format::kHeaderSize);
}

inline int OpenCountOnDisk(const std::string& path) {
  const Bytes header = HeaderOnDisk(path);
  return header.empty() ? -1 : GetI32(header.data() + format::header::kOpenCount);
}

inline std::string PasswordOnDisk(const std::string& path, uint32_t offset) {
  const Bytes header = HeaderOnDisk(path);
  return header.empty() ? std::string("<no header>")
                        : std::string(RawText(header.data() + offset, format::header::kPasswordWidth));
}

// An address-book file with records empty records (in use), then passwords.
inline void MakeRecordFile(const std::string& path, const Passwords& passwords = {}, int records = 0) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(CreateRecordFile(path, format::FileKind::Address).ok());
  RecordStore store(path, "");
  ASSERT_FALSE(store.OpenFailed());
  for (int i = 0; i < records; ++i) {
    Bytes record;
    store.InitRecord(record, store.recordSize());
    ASSERT_TRUE(store.AddRecord(record).ok());
  }
  Bytes header;
  ASSERT_TRUE(store.ReadHeader(header).ok());
  namespace h = format::header;
  PutText(header.data() + h::kOwnerPassword, h::kPasswordWidth, passwords.owner);
  PutText(header.data() + h::kAssistantPassword, h::kPasswordWidth, passwords.assistant);
  PutText(header.data() + h::kReaderPassword, h::kPasswordWidth, passwords.reader);
  ASSERT_TRUE(store.WriteHeader(header).ok());
}

inline size_t LiveRecords(const std::string& path, const std::string& password = "") {
  RecordStore store(path, password);
  RecordQuery query;
  if (store.OpenFailed() || !query.Prepare().ok() || !query.AddMatchAll() || !query.Run(store).ok()) return 0;
  return query.count();
}

inline uint64_t FileSize(const std::string& path) { return ReadWholeFile(path).size(); }

}  // namespace velmora::testing
