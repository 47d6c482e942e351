// What the import tests share: the contacts an import left in a file.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "addressbook/model/Contact.h"
#include "store/Format.h"
#include "store/RecordStore.h"

namespace velmora::testing {

// The live contacts of a file, in file order.
inline std::vector<Contact> Contacts(RecordStore& store) {
  std::vector<Contact> all;
  EXPECT_TRUE(store
                  .ScanSlots([&](RecordPosition, const uint8_t* slots, size_t count) {
                    for (size_t i = 0; i < count; ++i) {
                      const uint8_t* r = slots + i * store.recordSize();
                      if (r[format::record::kInUse] == 1) all.emplace_back(Bytes(r, r + store.recordSize()));
                    }
                  })
                  .ok());
  return all;
}

}  // namespace velmora::testing
