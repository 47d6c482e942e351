// Byte layout of a record file. Every offset and width of the on-disk
// structures lives here; see FORMAT.md for the picture. All integers are
// little-endian and nothing is padded, so code reads and writes fields at
// these offsets through Bytes.h and never overlays structs on the bytes.
#pragma once

#include <cstdint>

namespace velmora::format {

// Prologue at file offset 0.
inline constexpr uint32_t kPrologueSize = 12;
inline constexpr uint32_t kPrologueHeaderSize = 0;
inline constexpr uint32_t kPrologueCategorySize = 4;
inline constexpr uint32_t kPrologueRecordSize = 8;

inline constexpr uint32_t kHeaderSize = 1581;
inline constexpr uint32_t kCategoryBlockSize = 1032;
inline constexpr uint32_t kHeaderOffset = kPrologueSize;                     // 12
inline constexpr uint32_t kCategoryOffset = kHeaderOffset + kHeaderSize;     // 1593
inline constexpr uint32_t kFirstSlotOffset = kCategoryOffset + kCategoryBlockSize;  // 2625

// Files whose prologue would make slot arithmetic unsafe are refused.
inline constexpr uint32_t kMinRecordSize = 549;
inline constexpr uint32_t kMaxRecordSize = 1u << 16;
inline constexpr uint32_t kMaxHeaderSize = 1u << 20;
inline constexpr uint32_t kMaxCategoryBlockSize = 1u << 20;

// File header, offsets relative to the header (file offset 12 + x).
namespace header {
inline constexpr uint32_t kSize = 0;
inline constexpr uint32_t kKindName = 4;      // char[30]
inline constexpr uint32_t kFamilyName = 34;   // char[30]
inline constexpr uint32_t kKindNumber = 64;
inline constexpr uint32_t kFormatMark = 68;
inline constexpr uint32_t kOwnerStamp = 72;   // first 145 bytes of a stamp
inline constexpr uint32_t kOwnerPassword = 217;      // char[20]
inline constexpr uint32_t kAssistantPassword = 237;  // char[20]
inline constexpr uint32_t kReaderPassword = 257;     // char[20]
inline constexpr uint32_t kPasswordWidth = 20;
inline constexpr uint32_t kSecondStamp = 277;  // full 205-byte stamp
inline constexpr uint32_t kMark = 482;
inline constexpr uint32_t kServer = 486;  // char[260]
inline constexpr uint32_t kPort = 746;    // char[260]
inline constexpr uint32_t kServerWidth = 260;
inline constexpr uint32_t kFreeSlotBalance = 1006;  // i32
inline constexpr uint32_t kChangeCounter = 1010;    // u64
inline constexpr uint32_t kOpenCount = 1018;        // i32
inline constexpr uint32_t kNameWidth = 30;
}  // namespace header

// Owner stamp (205 bytes).
namespace stamp {
inline constexpr uint32_t kSize = 205;
inline constexpr uint32_t kFlag = 0;
inline constexpr uint32_t kName = 1;       // char[30]
inline constexpr uint32_t kNameWidth = 30;
inline constexpr uint32_t kAddress = 31;   // char[114]
inline constexpr uint32_t kAddressWidth = 114;
inline constexpr uint32_t kThird = 145;    // char[60]
inline constexpr uint32_t kThirdWidth = 60;
inline constexpr uint32_t kIdentitySize = 145;  // flag, name and address
}  // namespace stamp

inline constexpr const char* kDefaultOwnerName = "Velmora";
inline constexpr const char* kDefaultOwnerAddress = "VelmoraMail";
inline constexpr uint64_t kNewChangeCounter = 10;

// Category block (file offset 1593).
namespace category {
inline constexpr uint32_t kSize = 0;
inline constexpr uint32_t kReserved = 4;
inline constexpr uint32_t kCount = 8;
inline constexpr uint32_t kEntries = 12;
inline constexpr uint32_t kEntrySize = 34;
inline constexpr uint32_t kNameWidth = 30;
inline constexpr uint32_t kValue = 30;  // i32 inside an entry
inline constexpr uint32_t kEntryCount = 30;
inline constexpr uint32_t kShownEntries = 29;
}  // namespace category

// Common record header at the start of every slot.
namespace record {
inline constexpr uint32_t kHeaderSize = 549;
inline constexpr uint32_t kRecordSize = 0;
inline constexpr uint32_t kInUse = 4;
inline constexpr uint32_t kEditLock = 5;
inline constexpr uint32_t kId = 6;  // u64
inline constexpr uint32_t kConfidential = 14;
inline constexpr uint32_t kReserved15 = 15;
inline constexpr uint32_t kCategory = 16;  // char[30]
inline constexpr uint32_t kCategoryWidth = 30;
inline constexpr uint32_t kCreatedDate = 50;   // date value
inline constexpr uint32_t kCreatedTime = 62;   // time value
inline constexpr uint32_t kCreator = 78;       // stamp
inline constexpr uint32_t kSecondStamp = 283;  // stamp
inline constexpr uint32_t kSecondDate = 488;
inline constexpr uint32_t kSecondTime = 500;
inline constexpr uint32_t kExchangeSubject = 516;  // char[30]
inline constexpr uint32_t kExchangeSubjectWidth = 30;
inline constexpr uint32_t kExchangeState = 546;
inline constexpr uint32_t kExchangeFlag = 547;
inline constexpr uint32_t kExchangeMark = 548;
}  // namespace record

// Value encodings.
inline constexpr uint32_t kDateValueSize = 12;
inline constexpr uint32_t kTimeValueSize = 16;

// The five kinds of record file.
enum class FileKind { Address, Calendar, History, Partners, Outbox };

struct KindInfo {
  const char* kindName;
  const char* familyName;
  uint32_t kindNumber;
  uint32_t recordSize;
};

constexpr KindInfo InfoOf(FileKind kind) {
  switch (kind) {
    case FileKind::Address: return {"Address", "Organizer", 4, 3729};
    case FileKind::Calendar: return {"Calendar", "Organizer", 1, 2627};
    case FileKind::History: return {"History", "Organizer", 4, 1100};
    case FileKind::Partners: return {"Cardora", "Cardora", 1, 859};
    case FileKind::Outbox: return {"SendRecord", "SendRecord", 1, 908};
  }
  return {"", "", 0, 0};
}

}  // namespace velmora::format
