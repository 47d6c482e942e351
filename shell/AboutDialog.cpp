#include "shell/AboutDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "toolkit/Bitmaps.h"
#include "toolkit/Command.h"
#include "toolkit/Fonts.h"

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "0.1"
#endif

namespace velmora {

AboutDialog::AboutDialog(const QString& program, const QString& description, QWidget* owner)
    : TesselDialog(kTemplate, owner) {
  setObjectName(QString::number(kTemplate));
  setWindowTitle(QStringLiteral("About %1").arg(program));

  auto* icon = new QLabel(this);
  icon->setPixmap(QPixmap::fromImage(BitmapImage(1000)));
  icon->setAlignment(Qt::AlignTop);

  auto* name = new QLabel(program, this);
  name->setFont(MapFont("Arial", 16, kWeightBold));
  auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(VELMORA_VERSION)), this);
  auto* suite = new QLabel(description, this);
  suite->setWordWrap(true);

  auto* text = new QVBoxLayout;
  text->addWidget(name);
  text->addWidget(version);
  text->addWidget(suite);
  text->addStretch();

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addSpacing(12);
  top->addLayout(text, 1);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kCmdOk));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { OnCommand(Command{kCmdOk, 0, {}, {}}); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  setFixedWidth(320);
}

void AboutDialog::OnInitDialog() {
  adjustSize();
  CentreOver(this, parentWidget());
}

}  // namespace velmora
