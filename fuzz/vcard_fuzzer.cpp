// libFuzzer target: the input is a vCard file. Reading it must end without
// crash or hang, and give the same cards whether the file comes whole or
// in small pieces; every card must read into a contact; and a contact read
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

// The cards as one text: each property's line, name, group, parameters and
// value, each card's problems, each unread card.
std::string Shape(const VCardFile& file) {
  std::string out;
  for (const VCard& card : file.cards) {
    out += "card " + std::to_string(card.line) + "\n";
    for (const VCardProperty& property : card.properties) {
      out += std::to_string(property.line) + " " + property.group + "." + property.name;
      for (const VCardParameter& parameter : property.parameters) {
        out += ";" + parameter.name;
        for (const std::string& value : parameter.values) out += "=" + value;
      }
      out += ":" + property.value + "\n";
    }
    for (const std::string& problem : card.problems) out += "problem " + problem + "\n";
  }
  for (const VCardProblem& problem : file.unread) out += "unread " + std::to_string(problem.line) + problem.reason + "\n";
  return out;
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
  {
    VCardFile pieces;
    VCardStreamReader reader;
    const size_t piece = 1 + size % 13;
    for (size_t at = 0; at < size; at += piece) reader.Feed(bytes.substr(at, piece), pieces);
    reader.Finish(pieces);
    Check(Shape(pieces) == Shape(file), "pieces read as the whole file");
  }
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
