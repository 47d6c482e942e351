// Contacts as vCards: a card read into a contact, a contact written as a
// 3.0 or 4.0 card, and the import and export of whole files.
//
// What a card holds goes to the contact's fields by its kind: the name's
// parts, a home and a work address, the six phones of the home and
// business pages and then the five other phones with their types, a home
// and a work e-mail address and then e-mail types among the other phones,
// the two web pages, the organisation (company, department, office), job
// title, notes, birthday, anniversary, gender, spouse and children, the
// first category, and the picture file as a file: URI. A card with an empty
// N takes the name from FN. A date without a year (--0503, Apple's 1604)
// is told, not stored: the record keeps a date only with its year. An other phone is
// written with an X-CARDORA-TYPE parameter naming its type, so a card we
// wrote comes back into the same slot.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/Contact.h"
#include "importexport/ContactImport.h"
#include "importexport/ContactRecordText.h"
#include "importexport/VCardReader.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

enum class VCardVersion { V3, V4 };

// Fills contact (a new record) from the card. leftOut receives what the
// card holds that found no room, and each value cut to its field, one
// reason each; properties that carry no user data (VERSION, PRODID, REV,
// UID and the like) are not told. False when the card gave the contact
// nothing at all.
bool ContactFromVCard(const VCard& card, Contact& contact, std::vector<std::string>& leftOut);

// The contact as one card, lines ending CR LF and folded at 75 bytes.
std::string ContactVCard(const Contact& contact, VCardVersion version);

// A vCard file read piece by piece: next puts the next piece of the file in
// chunk (which it finds empty) and leaves it empty at the end of the file.
struct VCardInput {
  std::function<Result(std::string& chunk)> next;
  size_t size = 0;  // the file's length in bytes, for the progress; 0 when not known
};

// The pieces a file held whole is given in.
inline constexpr size_t kVCardChunkBytes = size_t(64) << 10;

// Imports every card of the file into an address book, through the same
// acceptance step as the delimited import, one card at a time: memory
// holds one piece of the file and one card, and the records go to the file
// in batches. counts.linesRead counts the cards; unread and partly name
// each card by its BEGIN:VCARD line (a card inside a card by its AGENT
// line). progress is told after each card the bytes read so far and
// input.size. A Reader is refused with code 104; a failure to read the
// file keeps what was added and says how far the import got.
Result ImportVCards(RecordStore& store, const VCardInput& input, ImportCounts& counts,
                    const ImportProgress& progress = {});
// The same for a file held whole.
Result ImportVCards(RecordStore& store, std::string_view fileBytes, ImportCounts& counts,
                    const ImportProgress& progress = {});

// Writes the contacts the options select, in the export's order, as one
// vCard file at path (replaced only when the whole file is written).
Result WriteVCards(RecordStore& store, const RecordTextOptions& options, const std::string& path, VCardVersion version,
                   const RecordTextProgress& progress = {});

}  // namespace velmora
