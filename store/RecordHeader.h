// Named access to the common record header at the start of every slot.
#pragma once

#include <cstdint>
#include <string>

#include "store/Bytes.h"
#include "store/Format.h"

namespace velmora::rec {

namespace f = format::record;

inline bool InUse(const uint8_t* r) { return r[f::kInUse] != 0; }
inline bool Locked(const uint8_t* r) { return r[f::kEditLock] != 0; }
inline uint64_t Id(const uint8_t* r) { return GetU64(r + f::kId); }
inline void SetId(uint8_t* r, uint64_t id) { PutU64(r + f::kId, id); }
inline bool Confidential(const uint8_t* r) { return r[f::kConfidential] != 0; }
inline void SetConfidential(uint8_t* r, bool on) { r[f::kConfidential] = on ? 1 : 0; }
inline std::string Category(const uint8_t* r) { return GetText(r + f::kCategory, f::kCategoryWidth); }
inline void SetCategory(uint8_t* r, std::string_view name) { PutText(r + f::kCategory, f::kCategoryWidth, name); }
inline DateValue CreatedDate(const uint8_t* r) { return GetDate(r + f::kCreatedDate); }
inline TimeValue CreatedTime(const uint8_t* r) { return GetTime(r + f::kCreatedTime); }
inline uint8_t ExchangeState(const uint8_t* r) { return r[f::kExchangeState]; }

}  // namespace velmora::rec
