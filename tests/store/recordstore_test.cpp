#include "store/RecordStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "store/Bytes.h"
#include "store/Categories.h"
#include "store/RecordHeader.h"
#include "store/Refresh.h"
#include "store/Settings.h"
#include "tests/support/Sandbox.h"

namespace velmora {
namespace {

namespace h = format::header;
namespace r = format::record;
using format::FileKind;

class RecordStoreTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string path = dir.File("book.adr");

  Bytes Header(RecordStore& store) {
    Bytes header;
    EXPECT_TRUE(store.ReadHeader(header).ok());
    return header;
  }
  static Bytes NewRecord(RecordStore& store, const std::string& name) {
    Bytes record;
    store.InitRecord(record, store.recordSize());
    PutText(record.data() + 829, 30, name);
    return record;
  }
  void SetPasswords(const std::string& owner, const std::string& assistant, const std::string& reader) {
    RecordStore store(path, "");
    Bytes header = Header(store);
    PutText(header.data() + h::kOwnerPassword, 20, owner);
    PutText(header.data() + h::kAssistantPassword, 20, assistant);
    PutText(header.data() + h::kReaderPassword, 20, reader);
    ASSERT_TRUE(store.WriteHeader(header).ok());
  }
};

TEST_F(RecordStoreTest, NewFileOfEveryKindHasTheExactLayout) {
  struct Case {
    FileKind kind;
    const char* kindName;
    const char* family;
    uint32_t number;
    uint32_t recordSize;
  };
  const Case cases[] = {{FileKind::Address, "Address", "Organizer", 4, 3729},
                        {FileKind::Calendar, "Calendar", "Organizer", 1, 2627},
                        {FileKind::History, "History", "Organizer", 4, 1100},
                        {FileKind::Partners, "Cardora", "Cardora", 1, 859},
                        {FileKind::Outbox, "SendRecord", "SendRecord", 1, 908}};
  ASSERT_TRUE(WriteSettingText(SuiteSettingsPath(), "eServer", "server", "mail.example.org").ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kindName);
    std::string file = dir.File(std::string(c.kindName) + ".rec");
    ASSERT_TRUE(CreateRecordFile(file, c.kind).ok());
    EXPECT_EQ(std::filesystem::file_size(file), 2625u);
    RecordStore store(file, "");
    ASSERT_FALSE(store.OpenFailed());
    Bytes prologue;
    ASSERT_TRUE(store.ReadPrologue(prologue).ok());
    EXPECT_EQ(GetU32(prologue.data()), 1581u);
    EXPECT_EQ(GetU32(prologue.data() + 4), 1032u);
    EXPECT_EQ(GetU32(prologue.data() + 8), c.recordSize);
    EXPECT_EQ(store.firstSlot(), 2625u);
    Bytes header = Header(store);
    const uint8_t* p = header.data();
    EXPECT_EQ(GetU32(p + h::kSize), 1581u);
    EXPECT_EQ(RawText(p + h::kKindName, 30), c.kindName);
    EXPECT_EQ(RawText(p + h::kFamilyName, 30), c.family);
    EXPECT_EQ(GetU32(p + h::kKindNumber), c.number);
    EXPECT_EQ(GetU32(p + h::kFormatMark), 1u);
    EXPECT_EQ(RawText(p + 72 + 1, 30), "Velmora");
    EXPECT_EQ(RawText(p + 72 + 31, 114), "VelmoraMail");
    EXPECT_EQ(RawText(p + 277 + 1, 30), "Velmora");
    EXPECT_EQ(GetU32(p + h::kMark), 1u);
    EXPECT_EQ(RawText(p + h::kServer, 260), "mail.example.org");
    EXPECT_EQ(GetI32(p + h::kFreeSlotBalance), 0);
    EXPECT_EQ(GetU64(p + h::kChangeCounter), 10u);
    EXPECT_EQ(GetI32(p + h::kOpenCount), 1);  // this connection
    EXPECT_TRUE(store.HasDefaultIdentity());
    Bytes categories;
    ASSERT_TRUE(store.ReadCategories(categories).ok());
    EXPECT_EQ(CategoryNames(categories).size(), 15u);
  }
}

TEST_F(RecordStoreTest, InitRecordFillsTheCommonHeader) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore store(path, "");
  Bytes a = NewRecord(store, "A");
  Bytes b = NewRecord(store, "B");
  ASSERT_EQ(a.size(), 3729u);
  EXPECT_EQ(GetU32(a.data() + r::kRecordSize), 3729u);
  EXPECT_EQ(a[r::kInUse], 1);
  EXPECT_EQ(a[r::kEditLock], 0);
  EXPECT_NE(rec::Id(a.data()), rec::Id(b.data()));
  EXPECT_EQ(GetDate(a.data() + r::kCreatedDate), Today());
  EXPECT_EQ(GetTime(a.data() + r::kCreatedTime).minute % 5, 0u);
  EXPECT_EQ(GetDate(a.data() + r::kSecondDate), GetDate(a.data() + r::kCreatedDate));
  EXPECT_EQ(RawText(a.data() + r::kCreator + 1, 30), "Velmora");
  EXPECT_EQ(RawText(a.data() + r::kSecondStamp + 31, 114), "VelmoraMail");
  EXPECT_EQ(a[r::kExchangeState], 0);
  EXPECT_EQ(a[r::kExchangeFlag], 0);
  EXPECT_EQ(a[r::kExchangeMark], 1);
}

TEST_F(RecordStoreTest, TheOwnerPasswordDoesNotTravelInRecords) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  SetPasswords("s3cret", "", "");
  RecordStore store(path, "s3cret");
  Bytes record = NewRecord(store, "A");
  EXPECT_EQ(RawText(record.data() + r::kCreator + 145, 60), "");
}

TEST_F(RecordStoreTest, FreeSlotsAreReusedAndTheBalanceFollows) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore store(path, "");
  RecordPosition first = 0;
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "Only"), &first).ok());
  EXPECT_EQ(first, 2625u);
  ASSERT_TRUE(store.DeleteRecord(first).ok());
  EXPECT_EQ(std::filesystem::file_size(path), 2625u + 3729u);
  EXPECT_EQ(GetI32(Header(store).data() + h::kFreeSlotBalance), -1);
  // Deleting again does not count the slot twice.
  EXPECT_FALSE(store.DeleteRecord(first).ok());
  EXPECT_EQ(GetI32(Header(store).data() + h::kFreeSlotBalance), -1);

  RecordPosition reused = 0;
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "Again"), &reused).ok());
  EXPECT_EQ(reused, first);
  EXPECT_EQ(GetI32(Header(store).data() + h::kFreeSlotBalance), 0);
  EXPECT_EQ(std::filesystem::file_size(path), 2625u + 3729u);
  // add, delete, add: three changes
  EXPECT_EQ(store.GetChangeCounter(), 13u);
}

TEST_F(RecordStoreTest, ANegativeBalanceWithoutFreeSlotsAppendsAndResets) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore store(path, "");
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "A")).ok());
  Bytes header = Header(store);
  PutI32(header.data() + h::kFreeSlotBalance, -2);  // as after a crash
  ASSERT_TRUE(store.WriteHeader(header).ok());
  RecordPosition where = 0;
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "B"), &where).ok());
  EXPECT_EQ(where, 2625u + 3729u);
  EXPECT_EQ(GetI32(Header(store).data() + h::kFreeSlotBalance), 0);
}

TEST_F(RecordStoreTest, AccessLevelsFollowThePasswords) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  struct Case {
    const char* owner;
    const char* assistant;
    const char* reader;
    const char* typed;
    int level;
  };
  const Case cases[] = {
      {"", "a", "r", "", kAccessOwner},        // no Owner password: everybody is Owner
      {"o", "a", "r", "o", kAccessOwner},
      {"o", "a", "r", "a", kAccessAssistant},
      {"o", "a", "r", "r", kAccessReader},
      {"o", "a", "r", "O", kAccessNone},       // case-sensitive
      {"o", "a", "r", "", kAccessNone},
      {"same", "same", "r", "same", kAccessOwner},
      {"o", "a", "r", "o ", kAccessNone},      // whole text
      {"", "", "", "", kAccessOwner},          // no passwords at all: everybody is Owner
      {"", "", "", "x", kAccessNone},
      // Once the Owner password is set, an empty slot grants nothing.
      {"o", "", "r", "", kAccessNone},         // not the Assistant's rights, more than "r" gives
      {"o", "", "", "", kAccessNone},          // only an Owner password
      {"o", "a", "", "", kAccessNone},
      {"o", "", "r", "r", kAccessReader},
      {"o", "", "", "o", kAccessOwner},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    SetPasswords(c.owner, c.assistant, c.reader);
    RecordStore store(path, c.typed);
    EXPECT_EQ(store.GetAccessLevel(), c.level);
  }
}

TEST_F(RecordStoreTest, ReadersAndStrangersCannotChangeRecords) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordPosition where = 0;
  {
    RecordStore owner(path, "");
    ASSERT_TRUE(owner.AddRecord(NewRecord(owner, "A"), &where).ok());
  }
  SetPasswords("o", "a", "r");
  for (const char* password : {"r", "nobody"}) {
    RecordStore store(path, password);
    Bytes record = NewRecord(store, "B");
    EXPECT_EQ(store.AddRecord(record).code(), kReaderRefused);
    EXPECT_EQ(store.UpdateRecord(record, where).code(), kReaderRefused);
    EXPECT_EQ(store.DeleteRecord(where).code(), kReaderRefused);
    // The refusal says what was refused and names the file.
    const Result refused = store.UpdateRecord(record, where);
    EXPECT_NE(refused.Message().find("UpdateRecord"), std::string::npos) << refused.Message();
    EXPECT_NE(refused.Message().find(path), std::string::npos) << refused.Message();
  }
  RecordStore assistant(path, "a");
  EXPECT_TRUE(assistant.AddRecord(NewRecord(assistant, "C")).ok());
}

TEST_F(RecordStoreTest, EditLocksConflictBetweenConnectionsOfOneProcess) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore first(path, "");
  RecordStore second(path, "");
  RecordPosition where = 0;
  ASSERT_TRUE(first.AddRecord(NewRecord(first, "A"), &where).ok());

  ASSERT_TRUE(first.LockRecord(where).ok());
  EXPECT_FALSE(RefreshAllowed());
  EXPECT_FALSE(second.LockRecord(where).ok());
  EXPECT_TRUE(second.UnlockRecord(where).ok());  // any connection may unlock
  EXPECT_TRUE(RefreshAllowed());
  EXPECT_FALSE(first.UnlockRecord(where).ok());  // already free
  EXPECT_TRUE(second.LockRecord(where).ok());
  ASSERT_TRUE(second.UnlockRecord(where).ok());

  ASSERT_TRUE(first.DeleteRecord(where).ok());
  EXPECT_FALSE(second.LockRecord(where).ok());  // a free slot cannot be locked
  SetRefreshAllowed(true);
}

TEST_F(RecordStoreTest, IsInUseSeesConnectionsOfThisProcess) {
  EXPECT_TRUE(RecordStore::IsInUse(path));  // missing
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  EXPECT_FALSE(RecordStore::IsInUse(path));
  {
    RecordStore store(path, "");
    EXPECT_TRUE(RecordStore::IsInUse(path));
    RecordStore other(path, "");
    EXPECT_TRUE(other.Close().ok());
    EXPECT_TRUE(RecordStore::IsInUse(path));  // closing one keeps the other's lock
  }
  EXPECT_FALSE(RecordStore::IsInUse(path));
}

TEST_F(RecordStoreTest, OpenCountFollowsConnections) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore a(path, "");
  {
    RecordStore b(path, "");
    EXPECT_EQ(GetI32(Header(a).data() + h::kOpenCount), 2);
  }
  EXPECT_EQ(GetI32(Header(a).data() + h::kOpenCount), 1);
  EXPECT_TRUE(a.Close().ok());
  EXPECT_FALSE(a.IsOpen());
  Bytes header;
  EXPECT_FALSE(a.ReadHeader(header).ok());
  EXPECT_TRUE(a.Open().ok());
}

TEST_F(RecordStoreTest, SameRecordChecksIdAndLiveness) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Address).ok());
  RecordStore store(path, "");
  Bytes record = NewRecord(store, "A");
  RecordPosition where = 0;
  ASSERT_TRUE(store.AddRecord(record, &where).ok());
  EXPECT_TRUE(store.IsSameRecord(rec::Id(record.data()), where));
  EXPECT_FALSE(store.IsSameRecord(rec::Id(record.data()) + 1, where));
  ASSERT_TRUE(store.DeleteRecord(where).ok());
  EXPECT_FALSE(store.IsSameRecord(rec::Id(record.data()), where));
  Bytes buffer;
  EXPECT_TRUE(store.ReadRecord(buffer, where).ok());
  EXPECT_FALSE(store.ReadRecordIfLive(buffer, where).ok());
}

TEST_F(RecordStoreTest, RefusesFilesWhosePrologueIsUnsafe) {
  struct Case {
    const char* name;
    uint32_t header, categories, record;
    size_t fileSize;
  };
  const Case cases[] = {{"small header", 100, 1032, 3729, 4000},
                        {"small category block", 1581, 10, 3729, 4000},
                        {"small record", 1581, 1032, 10, 4000},
                        {"huge record", 1581, 1032, 0xFFFFFFF0u, 4000},
                        {"shorter than its prefix", 1581, 1032, 3729, 2000},
                        {"shorter than a prologue", 1581, 1032, 3729, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes(c.fileSize, 0);
    if (c.fileSize >= 12) {
      PutU32(bytes.data(), c.header);
      PutU32(bytes.data() + 4, c.categories);
      PutU32(bytes.data() + 8, c.record);
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    RecordStore store(path, "");
    EXPECT_TRUE(store.OpenFailed());
    EXPECT_FALSE(store.OpenError().Message().empty());
  }
}

TEST_F(RecordStoreTest, SetFileIdentityRestampsTheOwnersRecords) {
  ASSERT_TRUE(CreateRecordFile(path, FileKind::Calendar).ok());
  RecordStore store(path, "");
  RecordPosition mine = 0;
  ASSERT_TRUE(store.AddRecord(NewRecord(store, "mine"), &mine).ok());
  Bytes foreign = NewRecord(store, "foreign");
  PutText(foreign.data() + r::kCreator + 1, 30, "Someone");
  RecordPosition theirs = 0;
  ASSERT_TRUE(store.AddRecord(foreign, &theirs).ok());

  bool restamped = true;
  EXPECT_TRUE(store.SetFileIdentity("Velmora", "VelmoraMail", "srv", "25", &restamped).ok());  // same identity
  EXPECT_FALSE(restamped);
  EXPECT_EQ(RawText(Header(store).data() + h::kServer, 260), "srv");
  EXPECT_TRUE(store.SetFileIdentity("Ann Lee", "ann@example.org", "srv", "25", &restamped).ok());
  EXPECT_TRUE(restamped);
  EXPECT_FALSE(store.HasDefaultIdentity());
  Bytes record;
  ASSERT_TRUE(store.ReadRecord(record, mine).ok());
  EXPECT_EQ(RawText(record.data() + r::kCreator + 1, 30), "Ann Lee");
  EXPECT_EQ(RawText(record.data() + r::kCreator + 31, 114), "ann@example.org");
  ASSERT_TRUE(store.ReadRecord(record, theirs).ok());
  EXPECT_EQ(RawText(record.data() + r::kCreator + 1, 30), "Someone");
  Bytes header = Header(store);
  EXPECT_EQ(RawText(header.data() + 277 + 1, 30), "Ann Lee");
  EXPECT_TRUE(RefreshAllowed());
}

TEST_F(RecordStoreTest, ARecordIdIsDistinctAcrossManyCalls) {
  std::set<uint64_t> ids;
  for (int i = 0; i < 10000; ++i) ids.insert(NewRecordId());
  EXPECT_EQ(ids.size(), 10000u);
}

}  // namespace
}  // namespace velmora
