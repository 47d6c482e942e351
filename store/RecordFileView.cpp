#include "store/RecordFileView.h"

#include "store/Bytes.h"
#include "store/SlotReader.h"

namespace velmora {

namespace {

constexpr format::FileKind kKinds[] = {format::FileKind::Address, format::FileKind::Calendar,
                                       format::FileKind::History, format::FileKind::Partners,
                                       format::FileKind::Outbox};

bool SizesInRange(const RecordFileShape& s) {
  return s.headerSize >= format::kHeaderSize && s.headerSize <= format::kMaxHeaderSize &&
         s.categorySize >= format::kCategoryBlockSize && s.categorySize <= format::kMaxCategoryBlockSize &&
         s.recordSize >= format::kMinRecordSize && s.recordSize <= format::kMaxRecordSize;
}

}  // namespace

bool IsKindRecordSize(uint32_t recordSize) {
  for (format::FileKind kind : kKinds) {
    if (format::InfoOf(kind).recordSize == recordSize) return true;
  }
  return false;
}

bool RecordFileShape::SlotsReadable() const { return SizesInRange(*this) && fileSize >= prefix(); }

uint64_t RecordFileShape::WholeSlots() const { return SlotsReadable() ? (fileSize - prefix()) / recordSize : 0; }

uint64_t RecordFileShape::TrailingBytes() const { return SlotsReadable() ? (fileSize - prefix()) % recordSize : 0; }

std::vector<std::string> RecordFileShape::Problems() const {
  std::vector<std::string> problems;
  if (headerSize != format::kHeaderSize) {
    problems.push_back("prologue: header size " + std::to_string(headerSize) + ", expected " +
                       std::to_string(format::kHeaderSize));
  }
  if (categorySize != format::kCategoryBlockSize) {
    problems.push_back("prologue: category block size " + std::to_string(categorySize) + ", expected " +
                       std::to_string(format::kCategoryBlockSize));
  }
  if (!IsKindRecordSize(recordSize)) {
    problems.push_back("prologue: record size " + std::to_string(recordSize) +
                       " is not that of any kind of record file");
  } else {
    const format::FileKind* named = nullptr;
    for (const format::FileKind& kind : kKinds) {
      if (kindName == format::InfoOf(kind).kindName) named = &kind;
    }
    if (named == nullptr) {
      problems.push_back("header: kind name \"" + kindName + "\" is not that of any kind of record file");
    } else if (format::InfoOf(*named).recordSize != recordSize) {
      problems.push_back("prologue: record size " + std::to_string(recordSize) + " does not fit the kind \"" +
                         kindName + "\", whose records are " +
                         std::to_string(format::InfoOf(*named).recordSize) + " bytes");
    }
  }
  if (problems.empty() && fileSize < prefix()) {
    problems.push_back("length: " + std::to_string(fileSize) + " bytes, shorter than the " +
                       std::to_string(prefix()) + " bytes of its prologue, header and category block");
  }
  if (!problems.empty()) {
    // Slots cut at a wrong size would only produce noise.
    problems.push_back(
        "the slots cannot be examined: the prologue's sizes are wrong or the file is shorter than them");
  }
  return problems;
}

std::string SlotProblem(const uint8_t* slot, uint64_t position, uint32_t recordSize) {
  if (std::string problem = InUseProblem(slot[format::record::kInUse], position); !problem.empty()) return problem;
  const uint32_t stated = GetU32(slot + format::record::kRecordSize);
  if (slot[format::record::kInUse] == 1 && stated != recordSize) {
    return "slot at position " + std::to_string(position) + ": a record of " + std::to_string(stated) +
           " bytes in slots of " + std::to_string(recordSize) + " (the slots do not line up)";
  }
  return {};
}

Result ReadRecordFileShape(File& file, const std::string& path, RecordFileShape& shape) {
  shape = RecordFileShape();
  if (Result sized = file.Size(shape.fileSize); !sized.ok()) return sized;
  if (shape.fileSize < format::kPrologueSize) {
    return Result::Fail("Not a record file (" + std::to_string(shape.fileSize) + " bytes, shorter than its " +
                            std::to_string(format::kPrologueSize) + "-byte prologue):",
                        0, path);
  }
  uint8_t prologue[format::kPrologueSize];
  if (Result rd = file.ReadAt(0, prologue, sizeof prologue); !rd.ok()) return rd;
  shape.headerSize = GetU32(prologue + format::kPrologueHeaderSize);
  shape.categorySize = GetU32(prologue + format::kPrologueCategorySize);
  shape.recordSize = GetU32(prologue + format::kPrologueRecordSize);
  if (shape.fileSize >= uint64_t(format::kHeaderOffset) + format::header::kKindName + format::header::kNameWidth) {
    uint8_t name[format::header::kNameWidth];
    if (Result rd = file.ReadAt(format::kHeaderOffset + format::header::kKindName, name, sizeof name); !rd.ok()) {
      return rd;
    }
    shape.kindName = std::string(RawText(name, sizeof name));
  }
  return Result::Ok();
}

std::string InUseProblem(uint8_t inUse, uint64_t position) {
  if (inUse <= 1) return {};
  return "slot at position " + std::to_string(position) + ": in-use byte " + std::to_string(inUse) +
         ", expected 0 or 1";
}

Result DamageRefusal(const std::string& problem, const std::string& path) {
  return Result::Fail("The record file is damaged (" + problem + "); nothing was changed in", 0, path);
}

Result FindDamage(File& file, const RecordFileShape& shape, const std::string& path, bool* damaged) {
  std::vector<std::string> problems = shape.Problems();
  if (damaged) *damaged = !problems.empty();
  if (!problems.empty()) return DamageRefusal(problems.front(), path);
  SlotReader reader(file, shape.prefix(), shape.recordSize, path);
  while (reader.Next()) {
    for (size_t i = 0; i < reader.count(); ++i) {
      std::string problem = SlotProblem(reader.slot(i), reader.positionOf(i), shape.recordSize);
      if (problem.empty()) continue;
      if (damaged) *damaged = true;
      return DamageRefusal(problem, path);
    }
  }
  return reader.result();
}

Result RecordFileView::Load(const std::string& path) {
  path_ = path;
  file_.reset();
  shape_ = RecordFileShape();
  header_.clear();
  categories_.clear();
  if (Result opened = FileSystem::Default().OpenReadOnly(path, file_); !opened.ok()) return opened;
  if (Result read = ReadRecordFileShape(*file_, path, shape_); !read.ok()) return read;
  if (shape_.fileSize < uint64_t(format::kPrologueSize) + format::kHeaderSize) {
    return Result::Fail("Not a record file (" + std::to_string(shape_.fileSize) + " bytes, shorter than its " +
                            std::to_string(format::kPrologueSize + format::kHeaderSize) +
                            "-byte prologue and header):",
                        0, path);
  }
  header_.resize(format::kHeaderSize);
  if (Result rd = file_->ReadAt(format::kHeaderOffset, header_.data(), header_.size()); !rd.ok()) return rd;
  if (shape_.SlotsReadable()) {
    categories_.resize(format::kCategoryBlockSize);
    if (Result rd = file_->ReadAt(format::kPrologueSize + uint64_t(shape_.headerSize), categories_.data(),
                                  categories_.size());
        !rd.ok()) {
      return rd;
    }
  }
  return Result::Ok();
}

Result RecordFileView::ForEachSlot(const std::function<void(uint64_t position, const uint8_t* slot)>& visit) {
  if (!file_) return Result::Fail("The file is not open:", 0, path_);
  if (!shape_.SlotsReadable()) return Result::Ok();
  SlotReader reader(*file_, shape_.prefix(), shape_.recordSize, path_);
  // Only the slots that were there when the file was loaded.
  const uint64_t end = shape_.prefix() + shape_.WholeSlots() * shape_.recordSize;
  while (reader.Next()) {
    for (size_t i = 0; i < reader.count(); ++i) {
      if (reader.positionOf(i) >= end) return Result::Ok();
      visit(reader.positionOf(i), reader.slot(i));
    }
  }
  return reader.result();
}

Result RecordFileView::FindDamage() {
  if (!file_) return Result::Fail("The file is not open:", 0, path_);
  return velmora::FindDamage(*file_, shape_, path_);
}

}  // namespace velmora
