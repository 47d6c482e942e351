#include "toolkit/TesselPane.h"

#include <QPainter>
#include <algorithm>
#include <utility>

#include "toolkit/PaletteColours.h"
#include "toolkit/Skin.h"

namespace velmora {

namespace {
PaneRegistry*& Installed() {
  static PaneRegistry* installed = nullptr;
  return installed;
}

PaneRegistry& Registry() {
  static PaneRegistry own;
  return Installed() ? *Installed() : own;
}
}  // namespace

PaneRegistry* SetPaneRegistry(PaneRegistry* registry) { return std::exchange(Installed(), registry); }

TesselPane::TesselPane(QString name, QWidget* parent) : TesselWnd(parent), name_(std::move(name)) {
  PaneRegistry& registry = Registry();
  if (registry.panes.size() < size_t(kMaxPanes)) registry.panes.push_back(this);
  registry.current = 0;
}

TesselPane::~TesselPane() {
  auto& panes = Registry().panes;
  panes.erase(std::remove(panes.begin(), panes.end(), this), panes.end());
  if (Registry().current >= int(panes.size())) Registry().current = 0;
}

void TesselPane::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselPane");
  windowClass.background = look::Colour(look::kPaper);
}

void TesselPane::Paint(QPainter& painter) { PaintPaneFrame(painter, rect()); }

const std::vector<TesselPane*>& RegisteredPanes() { return Registry().panes; }

int CurrentPaneIndex() { return Registry().current; }

void SetCurrentPaneIndex(int index) {
  Registry().current = (index < 0 || index >= int(Registry().panes.size())) ? 0 : index;
}

TesselPane* CurrentPane() {
  const auto& panes = Registry().panes;
  const int index = Registry().current;
  return index < int(panes.size()) ? panes[size_t(index)] : nullptr;
}

TesselPane* FindPane(const QString& name) {
  for (TesselPane* pane : Registry().panes) {
    if (pane->name() == name) return pane;
  }
  return nullptr;
}

bool ForwardToPane(const QString& name, const Command& command) {
  TesselPane* pane = FindPane(name);
  if (!pane) return false;
  PostCommand(pane, command);
  return true;
}

void PaintPaneFrame(QPainter& painter, const QRect& rect) {
  painter.save();
  painter.setPen(GetSkin().colour(SkinColour::PanelFrame));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  painter.restore();
}

}  // namespace velmora
