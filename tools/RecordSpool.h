// Where `add` keeps the records of its input between checking them and
// adding them: a temporary file with a fresh unguessable name, created
// exclusively and unlinked at once (so it is gone however the tool ends),
// read back in batches. Each record is written as its differences from the
// new record of the kind, so the spool stays small next to the file it
// feeds and memory stays at one batch however long the input grows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora::tool {

class RecordSpool {
 public:
  // base: the record every spooled record is written against.
  explicit RecordSpool(Bytes base);
  ~RecordSpool();
  RecordSpool(const RecordSpool&) = delete;
  RecordSpool& operator=(const RecordSpool&) = delete;

  // Creates the temporary file in $TMPDIR (else /tmp).
  Result Open();
  // REQUIRES: Open succeeded; record has the size of base.
  Result Append(const Bytes& record);
  // Ends the writing and goes back to the first record.
  Result Rewind();
  // The next up to max records, in the order appended, laid end to end in
  // batch (replaced); an empty batch at the end. REQUIRES: Rewind succeeded.
  Result ReadBatch(size_t max, Bytes& batch);

  size_t count() const { return count_; }

 private:
  Result WriteOut();
  Result ReadExactly(void* out, size_t length);

  Bytes base_;
  int fd_ = -1;
  std::string buffer_;
  size_t readPos_ = 0;
  size_t count_ = 0;
  size_t read_ = 0;
};

}  // namespace velmora::tool
