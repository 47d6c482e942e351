// TTabsWnd: a strip of tabs hanging below a list, numbered from 1, and an
// optional link at the right that is shown only while one given tab is
// selected. Choosing a tab posts the control id with the tab's number; the
// link posts the control id with its own parameter.
#pragma once

#include <QStringList>
#include <vector>

#include "toolkit/TesselWnd.h"

namespace velmora {

struct TabsLayout {
  std::vector<QRect> tabs;
  QRect link;  // empty when hidden
  static TabsLayout For(const QStringList& titles, const QString& linkText, bool linkShown, const QSize& size,
                        const QFontMetrics& metrics);
};

// selected is a tab number (1-based).
void PaintTabs(QPainter& painter, const QRect& rect, const QStringList& titles, int selected,
               const TabsLayout& layout, const QString& linkText, bool linkHover);

class TTabsWnd : public TesselWnd {
  Q_OBJECT

 public:
  TTabsWnd(const QStringList& titles, int command, QWidget* parent = nullptr);

  void SetLink(const QString& text, int param, int shownForTab);
  // Selects tab (1-based) without posting anything.
  void SetSelected(int tab);
  int selected() const { return selected_; }
  const TabsLayout& layout() const { return layout_; }

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Relayout();

  QStringList titles_;
  int selected_ = 1;
  QString linkText_;
  int linkParam_ = 0;
  int linkTab_ = 0;
  bool linkHover_ = false;
  TabsLayout layout_;
};

}  // namespace velmora
