// TFlyMenu: a drop-down chooser. It shows the chosen entry's text beside a
// small arrow glyph; a click opens the list of its entries (at most 100:
// texts, numbered texts of the program's string table, or separators).
// Choosing an entry posts the entry's command value, with the entry's text,
// to the notify target.
#pragma once

#include <vector>

#include "toolkit/TesselWnd.h"

class QMenu;

namespace velmora {

inline constexpr int kMaxFlyEntries = 100;

struct FlyEntry {
  QString text;
  int command = 0;
  bool separator = false;
};

void PaintFlyMenu(QPainter& painter, const QRect& rect, const QString& text, bool hover, bool open);

class TFlyMenu : public TesselWnd {
  Q_OBJECT

 public:
  explicit TFlyMenu(QWidget* parent = nullptr);

  // Each returns false when the chooser is full.
  bool AddEntry(const QString& text, int command);
  bool AddSeparator();
  void Clear();

  const std::vector<FlyEntry>& entries() const { return entries_; }
  // Shows the entry with that command value as chosen; false when none has it.
  bool SetChosen(int command);
  int chosenIndex() const { return chosen_; }
  QString chosenText() const;

  // What choosing entry index in the opened list does.
  void Choose(int index);
  // Puts the entries into menu as the opened list shows them: only the
  // chosen entry carries a check mark, the others none (not an empty box).
  void FillList(QMenu& menu) const;
  // Opens the list below the chooser (modal); what is chosen is Choose()n.
  void OpenList();

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::vector<FlyEntry> entries_;
  int chosen_ = -1;
  bool hover_ = false;
  bool open_ = false;
};

}  // namespace velmora
