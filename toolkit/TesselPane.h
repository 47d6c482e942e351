// TesselPane: a pane of the main window. Panes register themselves, in the
// order of their construction, in the process-wide pane registry (at most
// 100); the pane bar shows one button per registered pane and the main
// window shows the current one.
#pragma once

#include <vector>

#include "toolkit/TesselWnd.h"

namespace velmora {

class RecordStore;

inline constexpr int kMaxPanes = 100;

class TesselPane : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselPane(QString name, QWidget* parent = nullptr);
  ~TesselPane() override;

  const QString& name() const { return name_; }

  // Whether the pane may be left, or entered; both agree by default.
  virtual bool MayLeave() { return true; }
  virtual bool MayEnter() { return true; }
  // Told after the pane was made current and shown.
  virtual void Entered() {}
  // Gives the pane the open record file (none: closed).
  virtual void SetRecordFile(RecordStore*) {}

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;

 private:
  QString name_;
};

// The pane registry: the panes in the order of their construction and the
// index of the current one.
struct PaneRegistry {
  std::vector<TesselPane*> panes;
  int current = 0;
};
// Makes registry the one panes join and are looked up in (nothing: the
// process's own) and returns the one it replaces. A set of suite services
// can bring a registry of its own, so that its windows start with none.
PaneRegistry* SetPaneRegistry(PaneRegistry* registry);

const std::vector<TesselPane*>& RegisteredPanes();
int CurrentPaneIndex();
void SetCurrentPaneIndex(int index);  // an index out of range means 0
TesselPane* CurrentPane();
TesselPane* FindPane(const QString& name);
// Posts the command to the pane of that name; false when there is none.
bool ForwardToPane(const QString& name, const Command& command);

// The thin frame around a pane, in the skin's panel colour.
void PaintPaneFrame(QPainter& painter, const QRect& rect);

}  // namespace velmora
