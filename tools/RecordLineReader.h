// The reader of `add`'s input: turns one line of JSON into a record of the
// file's kind, or into a refusal that says what is wrong with the line.
// It reads nothing from the file itself, so every line is checked before
// anything is added.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "store/Format.h"
#include "store/RecordStore.h"
#include "store/Result.h"
#include "importexport/RecordJson.h"

namespace velmora::tool {

// The body keys of a kind; empty for kinds whose body the tool does not map
// (partner list, outgoing box, unknown record sizes).
FieldTable BodyFields(std::optional<format::FileKind> kind);

class RecordLineReader {
 public:
  // A reader for records of kind (address books and calendars; nullopt for
  // other kinds). newRecord is a new record of the kind with its defaults
  // (the store's header stamps, today's date and time); each line's record
  // starts as a copy of it with a fresh record id.
  static std::optional<RecordLineReader> For(std::optional<format::FileKind> kind, Bytes newRecord,
                                             const FillOptions& options);
  // The same with the new record made by store's connection.
  static std::optional<RecordLineReader> For(RecordStore& store, std::optional<format::FileKind> kind,
                                             const FillOptions& options);

  // Whether a line holds no record: nothing but spaces, tabs and CRs.
  static bool IsBlank(std::string_view line);

  // The longest line a record of the kind could be written as: every stored
  // byte escaped, with room for the keys and spaces between the tokens.
  size_t maxLineLength() const { return maxLineLength_; }
  // The record each line's record starts from.
  const Bytes& newRecord() const { return newRecord_; }

  // The record of one line. On refusal the result's text says why, without
  // the line number (the caller adds it).
  Result Read(std::string_view line, Bytes& record) const;
  // The record of one line laid over base (a stored record of the kind):
  // the keys the line gives replace base's values, everything else,
  // including the record id, stays.
  Result ReadOver(std::string_view line, const Bytes& base, Bytes& record) const;

 private:
  RecordLineReader(format::FileKind kind, Bytes newRecord, const FillOptions& options);
  // fresh: base is a new record (add), else a stored one (update).
  Result Fill(std::string_view line, const Bytes& base, Bytes& record, bool fresh) const;

  format::FileKind kind_;
  Bytes newRecord_;
  FillOptions options_;
  FieldTable body_;
  size_t maxLineLength_;
};

}  // namespace velmora::tool
