#include "addressbook/model/SampleContacts.h"

#include <array>
#include <string_view>

#include "addressbook/model/Contact.h"

namespace velmora {

namespace c = contact;

namespace {

// The sample contacts. Their texts are checked at compile time to fit their
// fields, so nothing is ever cut when they are stored.
struct SampleContact {
  std::string_view firstName, middleName, lastName, nickName, picture;
  std::string_view homeStreet, homeCity, homeState, homeZip, homeCountry;
  std::string_view homeEmail, homePhone, homeFax, homeMobile, homeWeb;
  std::string_view company, jobTitle;
  std::string_view workStreet, workCity, workState, workZip, workCountry;
  std::string_view workEmail, workPhone, workFax, workMobile, workWeb;
  std::string_view spouse;
  std::array<std::string_view, 2> children;
  std::array<std::string_view, c::kOtherPhoneCount> otherPhones;
};

constexpr std::string_view kSampleTitle = c::kTitles[3];  // "Ms."
constexpr std::string_view kSampleDepartment = "Department";
constexpr std::string_view kSampleOffice = "Office";

constexpr std::array<SampleContact, 3> kSamples{{
    {"Anna", "Louise", "Bergman", "Annie", "anna_bergman.jpg",
     "1420 Maple Avenue\r\nApartment 3B", "Springfield", "IL", "62704", "USA",
     "anna.bergman@example.com", "(217) 555-0142", "(217) 555-0143", "(217) 555-0178",
     "www.example.com/~abergman",
     "Prairie Lantern Design", c::kJobTitles[4],  // Director
     "200 Commerce Plaza\r\nSuite 1200", "Springfield", "IL", "62701", "USA",
     "a.bergman@prairielantern.example.com", "(217) 555-0100", "(217) 555-0101", "(217) 555-0179",
     "www.prairielantern.example.com",
     "David Bergman", {"Emma", "Lucas"},
     {"(217) 555-0110", "(217) 555-0111", "(217) 555-0112", "(217) 555-0113", "(217) 555-0114"}},
    {"Maria", "Elena", "Santos", "Mari", "",
     "88 Willow Creek Drive\r\nUnit 12", "Austin", "TX", "78745", "USA",
     "maria.santos@example.net", "(512) 555-0134", "(512) 555-0135", "(512) 555-0163",
     "www.example.net/msantos",
     "Lone Star Analytics", c::kJobTitles[3],  // Consultant
     "5100 Congress Avenue\r\nFloor 7", "Austin", "TX", "78701", "USA",
     "msantos@lonestaranalytics.example.com", "(512) 555-0190", "(512) 555-0191", "(512) 555-0164",
     "www.lonestaranalytics.example.com",
     "Rafael Santos", {"Sofia", ""},
     {"(512) 555-0120", "(512) 555-0121", "(512) 555-0122", "(512) 555-0123", "(512) 555-0124"}},
    {"Grace", "Ann", "O'Connell", "Gracie", "",
     "3107 Alder Street\r\nPO Box 455", "Portland", "OR", "97214", "USA",
     "grace.oconnell@example.org", "(503) 555-0156", "(503) 555-0157", "(503) 555-0185",
     "www.example.org/goconnell",
     "Cascade Bridgeworks", c::kJobTitles[5],  // Engineer
     "900 River Parkway\r\nBuilding C", "Portland", "OR", "97201", "USA",
     "g.oconnell@cascadebridge.example.com", "(503) 555-0170", "(503) 555-0171", "(503) 555-0186",
     "www.cascadebridge.example.com",
     "Thomas O'Connell", {"Liam", "Nora"},
     {"(503) 555-0130", "(503) 555-0131", "(503) 555-0132", "(503) 555-0133", "(503) 555-0134"}},
}};

constexpr bool Fits(std::string_view text, ContactField f) { return text.size() < f.width; }

constexpr bool SampleFits(const SampleContact& s) {
  bool ok = Fits(s.firstName, c::kFirstName) && Fits(s.middleName, c::kMiddleName) &&
            Fits(s.lastName, c::kLastName) && Fits(s.nickName, c::kNickName) && Fits(kSampleTitle, c::kTitle) &&
            Fits(s.picture, c::kPicture) && Fits(s.homeStreet, c::kHomeStreet) && Fits(s.homeCity, c::kHomeCity) &&
            Fits(s.homeState, c::kHomeState) && Fits(s.homeZip, c::kHomeZip) &&
            Fits(s.homeCountry, c::kHomeCountry) && Fits(s.homeEmail, c::kHomeEmail) &&
            Fits(s.homePhone, c::kHomePhone) && Fits(s.homeFax, c::kHomeFax) &&
            Fits(s.homeMobile, c::kHomeMobile) && Fits(s.homeWeb, c::kHomeWeb) && Fits(s.company, c::kCompany) &&
            Fits(s.jobTitle, c::kJobTitle) && Fits(kSampleDepartment, c::kDepartment) &&
            Fits(kSampleOffice, c::kOffice) && Fits(s.workStreet, c::kWorkStreet) &&
            Fits(s.workCity, c::kWorkCity) && Fits(s.workState, c::kWorkState) && Fits(s.workZip, c::kWorkZip) &&
            Fits(s.workCountry, c::kWorkCountry) && Fits(s.workEmail, c::kWorkEmail) &&
            Fits(s.workPhone, c::kWorkPhone) && Fits(s.workFax, c::kWorkFax) &&
            Fits(s.workMobile, c::kWorkMobile) && Fits(s.workWeb, c::kWorkWeb) && Fits(s.spouse, c::kSpouseName);
  for (std::string_view child : s.children) ok = ok && Fits(child, c::Child(0));
  for (std::string_view phone : s.otherPhones) ok = ok && Fits(phone, c::OtherPhone(0));
  return ok;
}
static_assert(SampleFits(kSamples[0]) && SampleFits(kSamples[1]) && SampleFits(kSamples[2]));

void FillSample(Contact& contact, const SampleContact& s) {
  contact.SetText(c::kFirstName, s.firstName);
  contact.SetText(c::kMiddleName, s.middleName);
  contact.SetText(c::kLastName, s.lastName);
  contact.SetText(c::kNickName, s.nickName);
  contact.SetText(c::kTitle, kSampleTitle);
  contact.SetPicture(s.picture);
  contact.SetText(c::kHomeStreet, s.homeStreet);
  contact.SetText(c::kHomeCity, s.homeCity);
  contact.SetText(c::kHomeState, s.homeState);
  contact.SetText(c::kHomeZip, s.homeZip);
  contact.SetText(c::kHomeCountry, s.homeCountry);
  contact.SetText(c::kHomeEmail, s.homeEmail);
  contact.SetText(c::kHomePhone, s.homePhone);
  contact.SetText(c::kHomeFax, s.homeFax);
  contact.SetText(c::kHomeMobile, s.homeMobile);
  contact.SetText(c::kHomeWeb, s.homeWeb);
  contact.SetText(c::kCompany, s.company);
  contact.SetText(c::kJobTitle, s.jobTitle);
  contact.SetText(c::kDepartment, kSampleDepartment);
  contact.SetText(c::kOffice, kSampleOffice);
  contact.SetText(c::kWorkStreet, s.workStreet);
  contact.SetText(c::kWorkCity, s.workCity);
  contact.SetText(c::kWorkState, s.workState);
  contact.SetText(c::kWorkZip, s.workZip);
  contact.SetText(c::kWorkCountry, s.workCountry);
  contact.SetText(c::kWorkEmail, s.workEmail);
  contact.SetText(c::kWorkPhone, s.workPhone);
  contact.SetText(c::kWorkFax, s.workFax);
  contact.SetText(c::kWorkMobile, s.workMobile);
  contact.SetText(c::kWorkWeb, s.workWeb);
  contact.SetText(c::kSpouseName, s.spouse);
  for (size_t i = 0; i < s.children.size(); ++i) contact.SetChild(int(i), s.children[i]);
  for (size_t i = 0; i < s.otherPhones.size(); ++i) {
    contact.SetOtherPhone(int(i), s.otherPhones[i]);
    contact.SetOtherPhoneType(int(i), int32_t(i + 1));  // "Assistant" .. "Company"
  }
  contact.SetGender(c::kGenderFemale);
}

}  // namespace

Result AddSampleContacts(RecordStore& store) {
  for (const SampleContact& sample : kSamples) {
    Bytes buffer;
    InitContactRecord(store, buffer);
    Contact contact(std::move(buffer));
    FillSample(contact, sample);
    Result added = store.AddRecord(contact.bytes());
    if (!added.ok()) return added;
  }
  return Result::Ok();
}

}  // namespace velmora
