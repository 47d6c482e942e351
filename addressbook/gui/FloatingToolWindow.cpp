#include "addressbook/gui/FloatingToolWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr const char* kSection = "Preference";
}

QRect FloatingPlacement(const std::optional<QRect>& saved, const QRect& mainFrame, QSize defaultSize,
                        bool otherOpen, const QRect& desktop) {
  QRect placement;
  if (saved) {
    placement = *saved;
  } else {
    placement = QRect(mainFrame.x() + mainFrame.width() + 3, mainFrame.y(), defaultSize.width(),
                      defaultSize.height());
    if (otherOpen) placement.translate(20, 20);
  }
  if (desktop.isEmpty()) return placement;
  const int overRight = placement.x() + placement.width() - (desktop.x() + desktop.width());
  if (overRight > 0) placement.translate(-overRight, 0);
  const int overBottom = placement.y() + placement.height() - (desktop.y() + desktop.height());
  if (overBottom > 0) placement.translate(0, -overBottom);
  if (placement.y() < desktop.y()) placement.moveTop(desktop.y());
  if (placement.x() < desktop.x()) placement.moveLeft(desktop.x());
  return placement;
}

std::optional<QRect> ReadFloatingPlacement(const std::string& prefix) {
  const std::string file = ProgramSettingsPath();
  int x = 0, y = 0, w = 0, h = 0;
  if (!ReadSettingInt(file, kSection, prefix + "X", x) || !ReadSettingInt(file, kSection, prefix + "Y", y) ||
      !ReadSettingInt(file, kSection, prefix + "W", w) || !ReadSettingInt(file, kSection, prefix + "H", h)) {
    return std::nullopt;
  }
  if (w <= 0 || h <= 0) return std::nullopt;
  return QRect(x, y, w, h);
}

Result WriteFloatingPlacement(const std::string& prefix, const QRect& rect) {
  return WriteSettingTexts(ProgramSettingsPath(), kSection,
                           {{prefix + "X", std::to_string(rect.x())},
                            {prefix + "Y", std::to_string(rect.y())},
                            {prefix + "W", std::to_string(rect.width())},
                            {prefix + "H", std::to_string(rect.height())}});
}

FloatingToolWindow::FloatingToolWindow(QWidget* owner, const QString& title, const char* gripBitmap,
                                       std::string placementPrefix)
    : TesselWnd(owner), title_(title), grip_(gripBitmap), prefix_(std::move(placementPrefix)) {
  setWindowTitle(title_);
}

FloatingToolWindow::~FloatingToolWindow() = default;

void FloatingToolWindow::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselFloatingWnd");
  windowClass.background = look::Colour(look::kSilver);
}

bool FloatingToolWindow::Open(const QRect& placement) {
  if (!Create(parentWidget(), kStylePopup)) return false;
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setMinimumSize(120, kTitleHeight + 60);
  setGeometry(placement);
  show();
  return true;
}

void FloatingToolWindow::CloseWindow() {
  if (closing_) return;
  closing_ = true;
  if (!isMaximized()) {
    // A placement that cannot be written only costs the next start its
    // place; closing goes on.
    (void)WriteFloatingPlacement(prefix_, frameGeometry());
  }
  hide();
  if (closed_) {
    auto closed = std::move(closed_);
    closed_ = nullptr;
    closed();
  }
  deleteLater();
}

bool FloatingToolWindow::OnCloseRequest() {
  CloseWindow();
  return true;
}

void FloatingToolWindow::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  setWindowTitle(title);
  update(0, 0, width(), kTitleHeight);
}

QRect FloatingToolWindow::ContentRect() const {
  return rect().adjusted(1, kTitleHeight, -1, -1);
}

QRect FloatingToolWindow::CloseButtonRect() const {
  return {width() - kCloseSize - 3, (kTitleHeight - kCloseSize) / 2, kCloseSize, kCloseSize};
}

QRect FloatingToolWindow::GripRect() const {
  return {width() - kGripSize - 1, height() - kGripSize - 1, kGripSize, kGripSize};
}

void FloatingToolWindow::EraseBackground(QPainter& painter) {
  painter.fillRect(rect(), look::Colour(look::kSilver));
}

void FloatingToolWindow::Paint(QPainter& painter) {
  const QRect titleBar(0, 0, width(), kTitleHeight);
  const QImage& strip = BitmapImage("pic_ttl.bmp");
  if (strip.isNull()) {
    painter.fillRect(titleBar, look::Colour(look::kAccentDark));
  } else {
    DrawStretched(painter, titleBar, strip);
  }
  painter.setFont(BoldFont());
  painter.setPen(look::Colour(look::kInk));
  painter.drawText(titleBar.adjusted(6, 0, -(kCloseSize + 8), 0), Qt::AlignVCenter | Qt::AlignLeft,
                   painter.fontMetrics().elidedText(title_, Qt::ElideRight, titleBar.width() - kCloseSize - 14));
  const QImage& close = BitmapImage("pic_close.bmp");
  if (!close.isNull()) painter.drawImage(CloseButtonRect().topLeft(), close);
  painter.setPen(look::Colour(look::kSteelDark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!isMaximized()) {
    const QImage& grip = BitmapImage(grip_);
    if (!grip.isNull()) painter.drawImage(GripRect().topLeft(), grip);
  }
}

void FloatingToolWindow::resizeEvent(QResizeEvent* event) {
  LayoutContent();
  TesselWnd::resizeEvent(event);
}

void FloatingToolWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return TesselWnd::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  dragStart_ = event->globalPosition().toPoint();
  startGeometry_ = geometry();
  if (CloseButtonRect().contains(at)) {
    drag_ = Drag::Close;
  } else if (at.y() < kTitleHeight && !isMaximized()) {
    drag_ = Drag::Move;
  } else if (GripRect().contains(at) && !isMaximized()) {
    drag_ = Drag::Resize;
  } else {
    drag_ = Drag::None;
  }
}

void FloatingToolWindow::mouseMoveEvent(QMouseEvent* event) {
  const QPoint delta = event->globalPosition().toPoint() - dragStart_;
  if (drag_ == Drag::Move) {
    move(startGeometry_.topLeft() + delta);
  } else if (drag_ == Drag::Resize) {
    resize(qMax(minimumWidth(), startGeometry_.width() + delta.x()),
           qMax(minimumHeight(), startGeometry_.height() + delta.y()));
  }
  if (GripRect().contains(event->position().toPoint()) || drag_ == Drag::Resize) {
    setCursor(Qt::SizeFDiagCursor);
  } else {
    setCursor(Qt::ArrowCursor);
  }
}

void FloatingToolWindow::mouseReleaseEvent(QMouseEvent* event) {
  const Drag drag = drag_;
  drag_ = Drag::None;
  if (drag == Drag::Close && CloseButtonRect().contains(event->position().toPoint())) CloseWindow();
}

void FloatingToolWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->position().y() >= kTitleHeight || CloseButtonRect().contains(event->position().toPoint())) return;
  if (isMaximized()) {
    showNormal();
  } else {
    showMaximized();
  }
}

}  // namespace velmora
