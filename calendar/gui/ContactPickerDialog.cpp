#include "calendar/gui/ContactPickerDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "addressbook/model/ContactLayout.h"
#include "resources/Strings.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "shell/PasswordDialog.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "store/Settings.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {

constexpr std::string_view kCalendarSettings = "Almanor.ini";
constexpr std::string_view kAddressBookSettings = "Cardora.ini";
constexpr std::string_view kSection = "Preference";
constexpr std::string_view kContactFileKey = "eContactFile";
constexpr std::string_view kAddressBookFileKey = "DefaulFile";
constexpr const char* kContactFileFilter = "Cardora file (*.adr)|*.adr||";
// A path setting holds at most this many bytes (a path of the file format).
constexpr size_t kPathCapacity = 4096;

static_assert(std::all_of(kContactPhrases.begin(), kContactPhrases.end(),
                          [](std::string_view phrase) { return phrase.size() <= kContactPhraseLimit; }));

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Lowers A..Z only, so the order does not depend on the desktop's locale.
int CompareFolded(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    const auto x = uint8_t(fold(a[i]));
    const auto y = uint8_t(fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

// The password of the address book, asked as the address book asks it.
std::optional<std::string> AskPassword(QWidget* owner, const std::string& fileName) {
  PasswordDialog dialog(Q(fileName), owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.password();
}

}  // namespace

std::string ContactFileSetting(Result* remembered) {
  if (remembered) *remembered = Result::Ok();
  std::string path;
  if (ReadSettingText(SuiteSettingsPath(kCalendarSettings), kSection, kContactFileKey, path, kPathCapacity)) {
    return path;
  }
  if (!ReadSettingText(SuiteSettingsPath(kAddressBookSettings), kSection, kAddressBookFileKey, path,
                       kPathCapacity)) {
    return {};
  }
  const Result written = RememberContactFile(path);
  if (remembered) *remembered = written;
  return path;
}

Result RememberContactFile(const std::string& path) {
  return WriteSettingText(SuiteSettingsPath(kCalendarSettings), kSection, kContactFileKey, path);
}

std::string ContactPickerName(const Contact& contact) {
  return contact.Text(contact::kFirstName) + " " + contact.Text(contact::kLastName);
}

std::vector<std::string> ContactDescriptions(std::optional<std::string_view> name) {
  std::vector<std::string> out;
  for (std::string_view phrase : kContactPhrases) {
    std::string text(phrase);
    if (name) text += " " + std::string(*name) + ".";
    out.push_back(std::move(text));
  }
  if (name) out.emplace_back(*name);
  return out;
}

void SortContactNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int folded = CompareFolded(a, b);
    return folded != 0 ? folded < 0 : a < b;
  });
}

ContactLoad LoadContactNames(const std::string& path, const PasswordPrompt& prompt) {
  ContactLoad load;
  load.failure = ContactLoadFailure::CannotOpen;
  if (path.empty() || !RecordStore::FileExists(path)) return load;
  // The passwords from a short look at the header, as the address book
  // itself checks them before it opens.
  const ResultOf<NetworkPasswords> passwords = ReadNetworkPasswords(path);
  if (!passwords.ok()) return load;
  std::string password;
  if (!passwords->owner.empty()) {
    std::optional<std::string> typed =
        prompt ? prompt(std::filesystem::path(path).filename().string()) : std::nullopt;
    if (!typed) {
      load.failure = ContactLoadFailure::Cancelled;
      return load;
    }
    // With an Owner password set, an empty text is no password at all.
    if (typed->empty() ||
        (*typed != passwords->owner && *typed != passwords->assistant && *typed != passwords->reader)) {
      load.failure = ContactLoadFailure::WrongPassword;
      return load;
    }
    password = std::move(*typed);
  }

  RecordStore store(path, password);
  // Only an address book's records are contacts: a calendar or another
  // record file read as one would list nonsense.
  if (store.OpenFailed() || store.recordSize() != contact::kRecordSize) return load;
  RecordQuery query;
  if (!query.AddMatchAll() || !query.Run(store).ok()) return load;
  Bytes buffer;
  for (RecordPosition position : query.positions()) {
    // A contact another user deleted since the query ran is passed over.
    if (!store.ReadRecordIfLive(buffer, position).ok()) continue;
    load.names.push_back(ContactPickerName(Contact(buffer)));
  }
  SortContactNames(load.names);
  load.failure = ContactLoadFailure::None;
  return load;
}

ContactPickerDialog::ContactPickerDialog(QWidget* owner, PasswordPrompt prompt)
    : QDialog(owner), prompt_(std::move(prompt)) {
  setObjectName(QStringLiteral("contactPicker"));
  setWindowTitle(QStringLiteral("With"));
  setFont(NormalFont());
  if (!prompt_) prompt_ = [this](const std::string& fileName) { return AskPassword(this, fileName); };

  // Created in the order the keyboard visits them.
  description_ = new QComboBox(this);
  description_->setObjectName(QStringLiteral("description"));
  description_->setEditable(true);
  description_->setInsertPolicy(QComboBox::NoInsert);
  LimitUtf8Bytes(description_, int(kContactDescriptionLimit));
  description_->setMinimumWidth(320);
  contacts_ = new QListWidget(this);
  contacts_->setObjectName(QStringLiteral("contacts"));
  file_ = new QLineEdit(this);
  file_->setObjectName(QStringLiteral("file"));
  file_->setReadOnly(true);
  auto* browse = new QPushButton(QStringLiteral("&Browse"), this);
  browse->setObjectName(QStringLiteral("browse"));
  auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));

  auto label = [this](const char* text, QWidget* buddy) {
    auto* shown = new QLabel(QString::fromLatin1(text), this);
    shown->setBuddy(buddy);
    return shown;
  };
  auto* grid = new QGridLayout();
  grid->addWidget(label("&Description:", description_), 0, 0);
  grid->addWidget(description_, 1, 0);
  grid->addWidget(label("Cardora &contacts:", contacts_), 2, 0);
  grid->addWidget(contacts_, 3, 0);
  grid->setRowStretch(3, 1);
  grid->addWidget(label("Cardora &file:", file_), 4, 0);
  auto* fileRow = new QHBoxLayout();
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(browse);
  grid->addLayout(fileRow, 5, 0);

  auto* buttons = new QVBoxLayout();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* outer = new QHBoxLayout(this);
  outer->addLayout(grid, 1);
  outer->addLayout(buttons);

  connect(contacts_, &QListWidget::currentRowChanged, this, &ContactPickerDialog::ContactChosen);
  connect(contacts_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { accept(); });
  connect(browse, &QPushButton::clicked, this, &ContactPickerDialog::BrowseContactFile);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // The bare phrases first: they stay when no address book can be read.
  RebuildDescriptions(std::nullopt);
  // A failed takeover is not told: the same setting is taken over again the
  // next time, and this opening uses the path all the same.
  const std::string path = ContactFileSetting();
  file_->setText(Q(path));
  LoadContacts(path);

  resize(460, 340);
  TesselDialog::CentreOver(this, owner);
  description_->setFocus(Qt::OtherFocusReason);
}

std::string ContactPickerDialog::description() const { return description_->currentText().toStdString(); }

std::string ContactPickerDialog::contactFile() const { return file_->text().toStdString(); }

std::vector<std::string> ContactPickerDialog::contactNames() const {
  std::vector<std::string> names;
  for (int row = 0; row < contacts_->count(); ++row) names.push_back(contacts_->item(row)->text().toStdString());
  return names;
}

bool ContactPickerDialog::LoadContacts(const std::string& path) {
  const ContactLoad load = LoadContactNames(path, prompt_);
  switch (load.failure) {
    case ContactLoadFailure::None:
      break;
    case ContactLoadFailure::CannotOpen:
      InformationBox(this, std::string(kCantOpenContactFileText) + path);
      return false;
    case ContactLoadFailure::WrongPassword:
      InformationBox(this, kMsgWrongPassword);
      return false;
    case ContactLoadFailure::Cancelled:
      return false;
  }
  {
    QSignalBlocker block(contacts_);
    contacts_->clear();
    for (const std::string& name : load.names) contacts_->addItem(Q(name));
  }
  if (contacts_->count() > 0) {
    contacts_->setCurrentRow(0);
    ContactChosen();
  }
  return true;
}

void ContactPickerDialog::RebuildDescriptions(std::optional<std::string_view> name) {
  const int remembered = description_->currentIndex();
  QSignalBlocker block(description_);
  description_->clear();
  for (const std::string& text : ContactDescriptions(name)) description_->addItem(Q(text));
  description_->setCurrentIndex(remembered < 0 ? 0 : std::min(remembered, description_->count() - 1));
}

void ContactPickerDialog::ContactChosen() {
  const int row = contacts_->currentRow();
  if (row < 0) return;
  RebuildDescriptions(contacts_->item(row)->text().toStdString());
}

void ContactPickerDialog::BrowseContactFile() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = kContactFileFilter;
  request.defaultExtension = "adr";
  const std::string shown = contactFile();
  const std::filesystem::path folder = std::filesystem::path(shown).parent_path();
  std::error_code error;
  if (!shown.empty() && std::filesystem::is_directory(folder, error)) {
    request.start = StartFolder::Given;
    request.folder = folder.string();
  }
  std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(this, request);
  if (!chosen || !LoadContacts(*chosen)) return;
  file_->setText(Q(*chosen));
  const Result remembered = RememberContactFile(*chosen);
  if (!remembered.ok()) InformationBox(this, remembered.Message());
}

std::optional<std::string> PickContactDescription(QWidget* owner) {
  ContactPickerDialog picker(owner);
  if (picker.exec() != QDialog::Accepted) return std::nullopt;
  return picker.description();
}

}  // namespace velmora
