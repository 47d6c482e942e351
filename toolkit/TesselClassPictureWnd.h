// TesselClassPictureWnd: the picture box. It shows one picture file scaled
// to fit (never enlarged), centred, on a white background; made with
// buttons, it has a light background and a 19-pixel strip along its bottom
// with the link buttons "New" (command 100) and "Remove" (command 101),
// whose clicks go to the button handler.
//
// Pictures are decoded off the paint path: Load() reads only the file's
// header and returns; a worker thread decodes the picture at the size it is
// drawn and hands it back. Decoded pictures are kept in a small cache keyed
// by path, modification time and drawn size, so showing the same picture
// again costs nothing. A picture that fails to decode, or has not arrived
// yet, shows the empty box; nothing ever waits for a decode.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

#include "toolkit/TesselWnd.h"

namespace velmora {

class TesselClassLinkButton;

// The size a picture is drawn at in an area: its own size when both its
// width and height fit; otherwise shrunk keeping its proportions (whole
// pixels): a picture wider than tall starts from the area's width and
// loses a pixel of width until the proportional height fits; any other
// starts from the area's height and loses a pixel of height until the
// proportional width fits. An empty picture or area gives an empty size.
QSize FitPicture(QSize picture, QSize area);
// FitPicture's size centred in area.
QRect PictureRect(QSize picture, const QRect& area);

class TesselClassPictureWnd : public TesselWnd {
  Q_OBJECT

 public:
  static constexpr int kCmdNew = 100;
  static constexpr int kCmdRemove = 101;
  static constexpr int kButtonHeight = 17;
  static constexpr int kButtonStrip = 19;
  static constexpr int kMargin = 2;

  explicit TesselClassPictureWnd(bool withButtons, QWidget* parent = nullptr);
  ~TesselClassPictureWnd() override;

  // True when the path names a file whose picture can be read (its header
  // decodes); the previous picture is then replaced and the new one is
  // decoded in the background. An empty path, a missing file or one no
  // reader knows fails and leaves the box as it was.
  bool Load(const QString& path);
  void Clear();
  bool HasPicture() const { return !path_.isEmpty(); }
  const QString& path() const { return path_; }
  // The picture's own size (empty without a picture).
  QSize pictureSize() const { return pictureSize_; }
  // True while the picture is still being decoded.
  bool Decoding() const { return HasPicture() && shown_.isNull() && !failed_; }
  // True when the last loaded picture could not be decoded after all: the
  // box then shows empty and has no picture.
  bool DecodeFailed() const { return failed_; }

  bool withButtons() const { return withButtons_; }
  // The drawing area: the box less 2 pixels on each side and the button
  // strip.
  QRect PictureArea() const;
  TesselClassLinkButton* newButton() const { return newButton_; }
  TesselClassLinkButton* removeButton() const { return removeButton_; }

  // Who carries out "New" and "Remove" (the command number); without one
  // the buttons do nothing.
  using ButtonHandler = std::function<void(int command)>;
  void SetButtonHandler(ButtonHandler handler) { handler_ = std::move(handler); }

  qintptr OnCommand(const Command& command) override;

  // Forgets every decoded picture (tests, and a low-memory hint).
  static void ClearPictureCache();

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RequestDecode();
  void Decoded(quint64 ticket, const QImage& image);

  bool withButtons_;
  QString path_;
  QSize pictureSize_;
  qint64 modified_ = 0;
  QImage shown_;        // the decoded picture at the size last asked for
  bool failed_ = false;
  quint64 ticket_ = 0;  // the decode whose answer is awaited
  ButtonHandler handler_;
  TesselClassLinkButton* newButton_ = nullptr;
  TesselClassLinkButton* removeButton_ = nullptr;
};

}  // namespace velmora
