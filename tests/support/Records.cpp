#include "Records.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "Files.h"
#include "store/Bytes.h"

namespace velmora::testing {

Bytes NewRecord(RecordStore& store) {
  Bytes record;
  store.InitRecord(record, store.recordSize());
  return record;
}

void SetPasswords(RecordStore& store, const Passwords& passwords) {
  namespace h = format::header;
  Bytes header;
  ASSERT_TRUE(store.ReadHeader(header).ok());
  PutText(header.data() + h::kOwnerPassword, h::kPasswordWidth, passwords.owner);
  PutText(header.data() + h::kAssistantPassword, h::kPasswordWidth, passwords.assistant);
  PutText(header.data() + h::kReaderPassword, h::kPasswordWidth, passwords.reader);
  ASSERT_TRUE(store.WriteHeader(header).ok());
}

void MakeRecordFile(const std::string& path, format::FileKind kind, const Passwords& passwords, int records) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  const Result created = CreateRecordFile(path, kind);
  ASSERT_TRUE(created.ok()) << created.Message();
  RecordStore store(path, "");
  ASSERT_FALSE(store.OpenFailed()) << store.OpenError().Message();
  for (int i = 0; i < records; ++i) ASSERT_TRUE(store.AddRecord(NewRecord(store)).ok());
  SetPasswords(store, passwords);
}

Bytes HeaderOnDisk(const std::string& path) {
  const Bytes bytes = ReadFileBytes(path);
  if (bytes.size() < format::kHeaderOffset + format::kHeaderSize) return {};
  return Bytes(bytes.begin() + format::kHeaderOffset, bytes.begin() + format::kHeaderOffset + format::kHeaderSize);
}

}  // namespace velmora::testing
