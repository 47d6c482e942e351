#include "addressbook/gui/ContactWindows.h"

#include <QGuiApplication>
#include <QScreen>

#include "addressbook/gui/HistoryWindow.h"
#include "addressbook/gui/PictureWindow.h"

namespace velmora {

ContactWindows::ContactWindows(ContactWindowHost& host) : host_(host) {}

ContactWindows::~ContactWindows() {
  ClosePictureWindow();
  CloseHistoryWindow();
}

QRect ContactWindows::MainFrame() const {
  QWidget* main = host_.mainWindow();
  return main ? main->frameGeometry() : QRect();
}

QRect ContactWindows::Desktop() const {
  QWidget* main = host_.mainWindow();
  QScreen* screen = main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

void ContactWindows::ShowPictureWindow(const std::string& path) {
  if (!picture_) {
    auto* window = new PictureWindow(host_);
    const QRect placement =
        FloatingPlacement(ReadFloatingPlacement("PWnd_"), MainFrame(),
                          {PictureWindow::kDefaultWidth, PictureWindow::kDefaultHeight}, HistoryWindowOpen(), Desktop());
    if (!window->Open(placement)) {
      delete window;
      return;
    }
    window->SetClosedHandler([this] {
      picture_ = nullptr;
      if (!closingByCall_ && pictureClosed_) pictureClosed_();
    });
    picture_ = window;
  }
  picture_->ShowPicture(path);
}

void ContactWindows::ClosePictureWindow() {
  if (!picture_) return;
  closingByCall_ = true;
  picture_->CloseWindow();
  closingByCall_ = false;
  picture_ = nullptr;
}

void ContactWindows::ShowHistoryWindow(RecordStore& addressBook, const Bytes* contact) {
  if (!history_) {
    auto* window = new HistoryWindow(host_);
    const QRect placement = FloatingPlacement(ReadFloatingPlacement("HWnd_"), MainFrame(),
                                              {HistoryWindow::kDefaultWidth, HistoryWindow::kDefaultHeight},
                                              PictureWindowOpen(), Desktop());
    if (!window->Open(placement)) {
      delete window;
      return;
    }
    window->SetClosedHandler([this] {
      history_ = nullptr;
      if (!closingByCall_ && historyClosed_) historyClosed_();
    });
    history_ = window;
  }
  history_->ShowContact(addressBook, contact, contact ? host_.selectedContact() : std::nullopt);
}

void ContactWindows::CloseHistoryWindow() {
  if (!history_) return;
  closingByCall_ = true;
  history_->CloseWindow();
  closingByCall_ = false;
  history_ = nullptr;
}

QObject* ContactWindows::HistoryWindowObject() const { return history_.data(); }

bool ContactWindows::HistoryListHasFocus() const { return history_ && history_->ListHasFocus(); }

}  // namespace velmora
