#include "addressbook/gui/PictureWindow.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>

#include "addressbook/model/Contact.h"
#include "addressbook/model/ContactCommands.h"
#include "resources/Strings.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/TesselClassPictureWnd.h"

namespace velmora {

namespace {
constexpr const char* kSelectForNew = "Please select Cardora record and then click New.";
constexpr const char* kSelectForRemove = "Please select Cardora record and then click Remove.";
constexpr const char* kRemoveFromContact = "Are you sure you want to remove this attachment ?";
constexpr const char* kRemoveFromBox = "Do you wish to remove this attachment?";
}  // namespace

std::string PictureFileFilter() {
  // The Pictures entry lists what the readers of the platform are offered;
  // metafiles keep their entries although they show as an empty box.
  return "Pictures(*.bmp;*.gif;*.jpg;*.ico;*.emf;*.wmf)|*.bmp;*.gif;*.jpg;*.ico;*.emf;*.wmf|"
         "Bitmaps (*.bmp)|*.bmp|"
         "GIF Files (*.gif)|*.gif|"
         "JPEG Files (*.jpg)|*.jpg|"
         "Icons (*.ico)|*.ico|"
         "Enhanced Metafiles (*.emf)|*.emf|"
         "Windows Metafiles (*.wmf)|*.wmf|"
         "PNG Files (*.png)|*.png||";
}

ScopedFileDialogTitle::ScopedFileDialogTitle(QString title) : title_(std::move(title)) {
  qApp->installEventFilter(this);
}

ScopedFileDialogTitle::~ScopedFileDialogTitle() { qApp->removeEventFilter(this); }

bool ScopedFileDialogTitle::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    if (auto* dialog = qobject_cast<QFileDialog*>(watched)) dialog->setWindowTitle(title_);
  }
  return false;
}

std::optional<std::string> ChoosePictureFile(QWidget* owner) {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = PictureFileFilter();
  request.start = StartFolder::Current;
  const ScopedFileDialogTitle title(QString::fromUtf8(kPictureDialogTitle));
  return FileDialogs::Current().ChooseFile(owner, request);
}

void ConnectPictureBoxButtons(TesselClassPictureWnd& box, std::function<void(const std::string& path)> changed) {
  TesselClassPictureWnd* target = &box;
  box.SetButtonHandler([target, changed](int command) {
    if (command == TesselClassPictureWnd::kCmdNew) {
      if (const std::optional<std::string> path = ChoosePictureFile(target)) {
        if (path->size() > kStoredPathLimit) {
          InformationBox(target, PathTooLongText(*path));
        } else {
          target->Load(QString::fromStdString(*path));
          if (changed) changed(*path);
        }
      }
    } else if (command == TesselClassPictureWnd::kCmdRemove) {
      if (target->HasPicture() && QuestionBox(target, kRemoveFromBox)) {
        target->Clear();
        if (changed) changed(std::string());
      }
    }
  });
}

void SetSelectedContactPicture(ContactWindowHost& host, const std::optional<std::string>& path) {
  QWidget* owner = host.mainWindow();
  RecordStore* store = host.addressBook();
  if (!store) return;
  if (store->GetAccessLevel() == kAccessReader) {
    InformationBox(owner, kMsgNoPermission);
    return;
  }
  const std::optional<RecordPosition> position = host.selectedContact();
  if (!position) return;
  const ContactChange change = EditContact(*store, *position, [&](const Bytes& current, Bytes& changed) {
    Contact contact(current);
    contact.SetPicture(path.value_or(std::string()));
    changed = contact.bytes();
    return Result::Ok();
  });
  switch (change.step) {
    case ContactStep::Done:
      SoundPlayer::Instance().Play("add.wav");
      host.ContactChanged(*position);
      break;
    case ContactStep::NotPermitted: InformationBox(owner, kMsgNoPermission); break;
    case ContactStep::Locked: InformationBox(owner, kMsgBeingEdited); break;
    case ContactStep::Frozen:
      host.FocusContacts();
      Beep();
      break;
    case ContactStep::Hidden:
    case ContactStep::Gone: host.ReloadContacts(); break;
    case ContactStep::Cancelled: break;
    case ContactStep::Failed: InformationBox(owner, change.failure.Message()); break;
  }
}

bool OpenContactAttachment(QWidget* owner, RecordStore& store, RecordPosition position) {
  if (store.GetAccessLevel() == kAccessReader) {
    InformationBox(owner, kMsgNoPermission);
    return false;
  }
  Bytes record;
  if (!store.ReadRecordIfLive(record, position).ok()) return false;
  const Contact contact(std::move(record));
  if (!contact.HasAttachment()) return false;
  return OpenDocument(contact.Attachment());
}

PictureWindow::PictureWindow(ContactWindowHost& host)
    : FloatingToolWindow(host.mainWindow(), QStringLiteral("Picture"), "pic_resize.bmp", "PWnd_"), host_(host) {
  setObjectName(QStringLiteral("PictureWindow"));
}

PictureWindow::~PictureWindow() = default;

bool PictureWindow::OnCreated() {
  box_ = new TesselClassPictureWnd(true, this);
  if (!box_->Create(this)) return false;
  box_->SetButtonHandler([this](int command) {
    if (command == TesselClassPictureWnd::kCmdNew) NewPicture();
    if (command == TesselClassPictureWnd::kCmdRemove) RemovePicture();
  });
  LayoutContent();
  return true;
}

void PictureWindow::LayoutContent() {
  // The grip's corner stays free below the box's button strip.
  if (box_) box_->setGeometry(ContentRect().adjusted(2, 2, -2, -(kGripSize - 4)));
}

void PictureWindow::ShowPicture(const std::string& path) {
  if (!box_) return;
  const std::string text = GetText(reinterpret_cast<const uint8_t*>(path.data()), path.size() + 1);
  if (text.empty() || !box_->Load(QString::fromStdString(text))) box_->Clear();
}

void PictureWindow::NewPicture() {
  if (!host_.mainWindowEnabled()) {
    Beep();
    return;
  }
  if (!host_.selectedContact()) {
    InformationBox(this, kSelectForNew);
    return;
  }
  QWidget* main = host_.mainWindow();
  if (main) main->setEnabled(false);
  setEnabled(false);
  const std::optional<std::string> path = ChoosePictureFile(this);
  setEnabled(true);
  if (main) main->setEnabled(true);
  if (!path) return;
  if (path->size() > kStoredPathLimit) {
    InformationBox(this, PathTooLongText(*path));
    return;
  }
  SetSelectedContactPicture(host_, path);
}

void PictureWindow::RemovePicture() {
  if (!host_.mainWindowEnabled()) {
    Beep();
    return;
  }
  if (!host_.selectedContact()) {
    InformationBox(this, kSelectForRemove);
    return;
  }
  if (!box_ || !box_->HasPicture()) return;
  if (QuestionBox(this, kRemoveFromContact)) SetSelectedContactPicture(host_, std::nullopt);
}

}  // namespace velmora
