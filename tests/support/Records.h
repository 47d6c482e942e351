// Record files built for a test: a file of a kind with empty records and
// passwords, new records with the store's header, the passwords of an open
// file, and the header as it lies on disk (read without a connection, which
// would change the open count).
#pragma once

#include <string>
#include <string_view>

#include "store/Format.h"
#include "store/RecordStore.h"

namespace velmora::testing {

struct Passwords {
  std::string owner, assistant, reader;
};

// A record with the store's header fields, ready to fill in and add.
Bytes NewRecord(RecordStore& store);

// Writes the three passwords into the header of the file the store has open.
// A failure is reported as a test failure.
void SetPasswords(RecordStore& store, const Passwords& passwords);

// Creates a record file of the kind with records empty records (in use),
// then sets the passwords. A failure is reported as a test failure.
void MakeRecordFile(const std::string& path, format::FileKind kind, const Passwords& passwords = {},
                    int records = 0);

// The header bytes of a file straight from disk; empty when it has none.
Bytes HeaderOnDisk(const std::string& path);

}  // namespace velmora::testing
