// libFuzzer target: the input is a vCard file. Reading it must end without
// crash or hang; every card must read into a contact; and a contact read
// from a card must come back unchanged from the card we write for it, in
// both versions. A failed check aborts, so the fuzzer keeps it.
//
//   vcard_fuzzer -max_len=65536 -rss_limit_mb=2048 vcard-work fuzz/vcard_corpus
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/model/Contact.h"
#include "importexport/VCard.h"
#include "importexport/VCardReader.h"

namespace {

using namespace velmora;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "vcard check failed: %s\n", what);
  std::abort();
}

Contact FromCard(const VCard& card) {
  Contact contact;
  std::vector<std::string> leftOut;
  (void)ContactFromVCard(card, contact, leftOut);
  return contact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)LooksLikeVCard(bytes);
  const VCardFile file = ReadVCards(bytes);
  for (const VCard& card : file.cards) {
    const Contact contact = FromCard(card);
    for (VCardVersion version : {VCardVersion::V4, VCardVersion::V3}) {
      const std::string written = ContactVCard(contact, version);
      Check(LooksLikeVCard(written), "our card is recognised");
      const VCardFile again = ReadVCards(written);
      Check(again.cards.size() == 1 && again.unread.empty() && again.cards[0].problems.empty(), "our card reads whole");
      const Contact back = FromCard(again.cards[0]);
      if (back.bytes() != contact.bytes()) {
        size_t at = 0;
        while (back.bytes()[at] == contact.bytes()[at]) ++at;
        std::fprintf(stderr, "first difference at byte %zu of the record\n%s", at, written.c_str());
      }
      Check(back.bytes() == contact.bytes(), "a contact survives its own card");
    }
  }
  return 0;
}
