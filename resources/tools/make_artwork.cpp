// Draws the interface artwork of both programs: the bitmaps, cursors and
// program icons, the three shipped skins with their bitmaps, and the Qt
// resource file that compiles them in. Everything is drawn from the toolkit's
// palette (resources/Palette.h) so that it reads as one set.
//
//   velmora_make_artwork <source>/resources
//
// The output is deterministic; commit it after changing a drawing.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "resources/Palette.h"

namespace {

using namespace velmora::look;

QColor C(QRgb rgb) { return QColor::fromRgba(rgb); }
QColor Mix(QColor a, QColor b, double t) {
  return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                          float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

const QColor kMagenta(255, 0, 255);
const QColor kAmberDark(150, 100, 20);
const QColor kAmberLight(246, 204, 110);
const QColor kGreenDark(36, 110, 48);
const QColor kRedDark(150, 40, 32);
const QColor kStripMatte(230, 233, 238);  // the toolbar strip behind its icons

QString g_root;       // <source>/resources
QStringList g_qrc;    // lines of the resource file

// A transparent canvas to draw on with antialiasing.
QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Turns a drawing with soft edges into a colour-keyed bitmap: pixels that are
// mostly transparent become magenta, the others are blended over the colour
// the bitmap will sit on, so edges stay smooth without pink fringes.
QImage Flatten(const QImage& art, QColor matte, int threshold = 90) {
  QImage out(art.size(), QImage::Format_RGB32);
  const QImage src = art.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < src.height(); ++y) {
    for (int x = 0; x < src.width(); ++x) {
      const QRgb p = src.pixel(x, y);
      const int a = qAlpha(p);
      if (a < threshold) {
        out.setPixel(x, y, kMagenta.rgb());
        continue;
      }
      const double t = a / 255.0;
      out.setPixel(x, y, qRgb(int(qRed(p) * t + matte.red() * (1 - t) + 0.5), int(qGreen(p) * t + matte.green() * (1 - t) + 0.5),
                              int(qBlue(p) * t + matte.blue() * (1 - t) + 0.5)));
    }
  }
  return out;
}

// A drawing with no transparent colour.
QImage Opaque(const QImage& art, QColor background) {
  QImage out(art.size(), QImage::Format_RGB32);
  out.fill(background);
  QPainter p(&out);
  p.drawImage(0, 0, art);
  return out;
}

void Save(const QImage& image, const QString& relative) {
  const QString path = g_root + QLatin1Char('/') + relative;
  QDir().mkpath(QFileInfo(path).path());
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (!rgb.save(path, "BMP")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

// Saves a bitmap of the compiled-in set under bitmaps/ and names it in the
// resource file by each alias (a file name or a number; "almanor/..." for the
// calendar's own version).
void Resource(const QImage& image, const QString& file, const QStringList& aliases) {
  Save(image, QStringLiteral("bitmaps/") + file);
  for (const QString& alias : aliases) {
    g_qrc << QStringLiteral("  <file alias=\"bmp/%1\">bitmaps/%2</file>").arg(alias, file);
  }
}

void VGradient(QPainter& p, const QRectF& r, QColor top, QColor bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

QPainterPath Rounded(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

QFont Face(int pixels, bool bold) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

QPainter* Begin(QImage& image) {
  auto* p = new QPainter(&image);
  p->setRenderHint(QPainter::Antialiasing);
  p->setRenderHint(QPainter::TextAntialiasing);
  return p;
}

// ---- small drawings shared by several bitmaps ---------------------------

// A record card: a white page with a folded corner and lines of text.
void DrawCard(QPainter& p, const QRectF& r) {
  const double fold = std::max(2.5, r.width() * 0.3);
  QPainterPath page;
  page.moveTo(r.left(), r.top());
  page.lineTo(r.right() - fold, r.top());
  page.lineTo(r.right(), r.top() + fold);
  page.lineTo(r.right(), r.bottom());
  page.lineTo(r.left(), r.bottom());
  page.closeSubpath();
  p.fillPath(page, Qt::white);
  p.setPen(QPen(C(kSteelDark), 1));
  p.drawPath(page);
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  p.fillPath(corner, C(kSteelLight));
  p.drawPath(corner);
  // Lines of text, the last one shorter.
  p.setPen(QPen(C(kSteel), 1));
  const double step = std::max(3.0, r.height() / 11);
  const double inset = std::max(2.0, r.width() / 7);
  for (double y = r.top() + fold + 2; y < r.bottom() - 1.5; y += step) {
    const bool last = y + step >= r.bottom() - 1.5;
    p.drawLine(QPointF(r.left() + inset, y), QPointF(last ? r.center().x() : r.right() - inset, y));
  }
}

// A round badge with a white sign: '+' or 'x'.
void DrawBadge(QPainter& p, QPointF centre, double radius, QColor fill, QColor ring, char sign) {
  // Small badges are flat: a gradient only muddies a few pixels.
  QRadialGradient g(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
  g.setColorAt(0, Mix(fill, Qt::white, 0.35));
  g.setColorAt(1, fill);
  if (radius < 5) {
    p.setBrush(fill);
  } else {
    p.setBrush(g);
  }
  p.setPen(QPen(ring, 1));
  p.drawEllipse(centre, radius, radius);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, std::max(1.5, radius / 2.6), Qt::SolidLine, Qt::RoundCap));
  const double a = radius * 0.5;
  if (sign == '+') {
    p.drawLine(centre + QPointF(-a, 0), centre + QPointF(a, 0));
    p.drawLine(centre + QPointF(0, -a), centre + QPointF(0, a));
  } else if (sign == 'x' && radius < 5) {
    // Drawn by pixel: a smoothed cross this small is a blur.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int cx = int(centre.x() - 0.5) - 1, cy = int(centre.y() - 0.5) - 1;
    for (int k = 0; k < 4; ++k) {
      p.fillRect(cx + k, cy + k, 1, 1, Qt::white);
      p.fillRect(cx + 3 - k, cy + k, 1, 1, Qt::white);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
  } else if (sign == 'x') {
    p.drawLine(centre + QPointF(-a, -a), centre + QPointF(a, a));
    p.drawLine(centre + QPointF(-a, a), centre + QPointF(a, -a));
  } else {  // tick
    QPainterPath tick;
    tick.moveTo(centre + QPointF(-a * 1.1, 0));
    tick.lineTo(centre + QPointF(-a * 0.25, a * 0.8));
    tick.lineTo(centre + QPointF(a * 1.1, -a * 0.8));
    p.drawPath(tick);
  }
}

// A person: head and shoulders.
void DrawPerson(QPainter& p, const QRectF& r, QColor colour) {
  const double cx = r.center().x();
  const double head = r.width() * 0.34;
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QPointF(cx, r.top() + head * 0.55 + 0.5), head / 2, head * 0.55);
  QPainterPath body;
  body.moveTo(r.left(), r.bottom());
  body.cubicTo(r.left(), r.top() + head * 1.2, r.right(), r.top() + head * 1.2, r.right(), r.bottom());
  body.closeSubpath();
  p.drawPath(body);
  p.setBrush(Qt::NoBrush);
}

// A calendar page with its header band, rings and a grid of days.
void DrawCalendarPage(QPainter& p, const QRectF& r, int columns, int rows, int marked) {
  p.setPen(QPen(C(kSteelDark), 1));
  p.fillPath(Rounded(r, r.width() / 14), Qt::white);
  p.drawPath(Rounded(r, r.width() / 14));
  const double band = r.height() * 0.26;
  QPainterPath top;
  top.addRoundedRect(QRectF(r.left(), r.top(), r.width(), band), r.width() / 14, r.width() / 14);
  QLinearGradient g(r.topLeft(), QPointF(r.left(), r.top() + band));
  g.setColorAt(0, Mix(C(kRed), Qt::white, 0.25));
  g.setColorAt(1, C(kRed));
  p.fillPath(top, g);
  p.fillRect(QRectF(r.left() + 0.5, r.top() + band * 0.6, r.width() - 1, band * 0.4), C(kRed));
  p.setPen(QPen(kRedDark, 1));
  p.drawLine(QPointF(r.left() + 0.5, r.top() + band), QPointF(r.right() - 0.5, r.top() + band));
  // Rings.
  p.setPen(QPen(C(kSteelDark), std::max(1.0, r.width() / 24), Qt::SolidLine, Qt::RoundCap));
  for (double x : {r.left() + r.width() * 0.28, r.right() - r.width() * 0.28}) {
    p.drawLine(QPointF(x, r.top() - band * 0.25), QPointF(x, r.top() + band * 0.35));
  }
  // Days.
  const QRectF grid(r.left() + r.width() * 0.1, r.top() + band + r.height() * 0.08, r.width() * 0.8,
                    r.height() - band - r.height() * 0.16);
  const double cw = grid.width() / columns, ch = grid.height() / rows;
  for (int row = 0; row < rows; ++row) {
    for (int col = 0; col < columns; ++col) {
      const int index = row * columns + col;
      const QRectF cell(grid.left() + col * cw + cw * 0.15, grid.top() + row * ch + ch * 0.2, cw * 0.7, ch * 0.6);
      p.fillRect(cell, index == marked ? C(kAccent) : (col == 0 ? Mix(C(kRed), Qt::white, 0.6) : C(kSteelLight)));
    }
  }
}

// A classic arrow pointer with its tip at (x, y).
void DrawPointer(QPainter& p, int x, int y) {
  QPolygonF arrow;
  arrow << QPointF(0, 0) << QPointF(0, 16) << QPointF(4, 12) << QPointF(7, 18.5) << QPointF(9.5, 17.5)
        << QPointF(6.5, 11) << QPointF(11.5, 11) << QPointF(0, 0);
  arrow.translate(x + 0.5, y + 0.5);
  p.setBrush(Qt::white);
  p.setPen(QPen(C(kInk), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.drawPolygon(arrow);
  p.setBrush(Qt::NoBrush);
}

// The grip of a resize corner: six dots in a triangle.
QImage Grip(int size, QColor dark, QColor light) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(kMagenta);
  QPainter p(&image);
  const int step = size >= 14 ? 3 : 3;
  const int last = size - 3;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (i + j < 2) continue;
      const int x = last - (2 - i) * step, y = last - (2 - j) * step;
      p.fillRect(x + 1, y + 1, 2, 2, light);
      p.fillRect(x, y, 2, 2, dark);
    }
  }
  return image;
}

// ---- skins --------------------------------------------------------------

struct Theme {
  QString file, folder, name;
  QColor titleTop, titleMid, titleBottom, titleLine, titleText;
  QColor buttonTop, buttonBottom, buttonLine, glyph;
  QColor hoverTop, hoverBottom, hoverLine, hoverGlyph;
  QColor pressTop, pressBottom, pressGlyph;
  // The pane bar's section buttons: raised (another pane) and down (the
  // current pane), drawn over the frame's background.
  QColor sectionTop, sectionBottom, sectionLine;
  QColor sectionDownTop, sectionDownBottom, sectionDownLine;
  // colorBack .. colorPanelFrame, in the order of the keys.
  std::array<QColor, 11> colours;
};

const char* const kColourKeys[] = {"colorBack",  "colorBackUp",  "colorBackDown",  "colorTitle",     "colorTitleUp",    "colorTitleDown",
                                   "colorFrame", "colorFrameUp", "colorFrameDown", "colorTextTitle", "colorPanelFrame"};

std::vector<Theme> Themes() {
  Theme metallic;
  metallic.file = QStringLiteral("1_Metallic.ini");
  metallic.folder = QStringLiteral("Metallic");
  metallic.name = QStringLiteral("Metallic");
  metallic.titleTop = QColor(244, 245, 248);
  metallic.titleMid = QColor(208, 213, 222);
  metallic.titleBottom = QColor(172, 180, 194);
  metallic.titleLine = QColor(118, 126, 142);
  metallic.titleText = C(kInk);
  metallic.buttonTop = QColor(252, 252, 253);
  metallic.buttonBottom = QColor(204, 209, 219);
  metallic.buttonLine = C(kSteel);
  metallic.glyph = C(kInk);
  metallic.hoverTop = QColor(236, 243, 253);
  metallic.hoverBottom = C(kAccentLight);
  metallic.hoverLine = C(kAccent);
  metallic.hoverGlyph = C(kAccentDark);
  metallic.pressTop = C(kAccent);
  metallic.pressBottom = C(kAccentDark);
  metallic.pressGlyph = Qt::white;
  metallic.sectionTop = QColor(252, 252, 253);
  metallic.sectionBottom = QColor(212, 216, 225);
  metallic.sectionLine = C(kSteel);
  metallic.sectionDownTop = C(kAccentLight);
  metallic.sectionDownBottom = C(kAccent);
  metallic.sectionDownLine = C(kAccentDark);
  metallic.colours = {QColor(212, 210, 218), QColor(236, 235, 240), QColor(158, 156, 170), QColor(200, 206, 216),
                      QColor(244, 245, 248), QColor(150, 158, 174), QColor(178, 184, 198), QColor(228, 231, 238),
                      QColor(104, 112, 128), C(kInk),              C(kSteel)};

  Theme ocean = metallic;
  ocean.file = QStringLiteral("2_Ocean.ini");
  ocean.folder = QStringLiteral("Ocean");
  ocean.name = QStringLiteral("Ocean");
  ocean.titleTop = QColor(120, 172, 236);
  ocean.titleMid = QColor(56, 118, 206);
  ocean.titleBottom = QColor(30, 80, 162);
  ocean.titleLine = QColor(18, 52, 112);
  ocean.titleText = Qt::white;
  ocean.buttonTop = QColor(138, 186, 242);
  ocean.buttonBottom = QColor(46, 102, 190);
  ocean.buttonLine = QColor(22, 60, 128);
  ocean.glyph = Qt::white;
  ocean.hoverTop = QColor(190, 222, 255);
  ocean.hoverBottom = QColor(92, 152, 232);
  ocean.hoverLine = QColor(22, 60, 128);
  ocean.hoverGlyph = Qt::white;
  ocean.pressTop = QColor(26, 70, 146);
  ocean.pressBottom = QColor(18, 52, 112);
  ocean.sectionTop = QColor(250, 252, 255);
  ocean.sectionBottom = QColor(198, 214, 236);
  ocean.sectionLine = QColor(92, 130, 186);
  ocean.sectionDownTop = QColor(120, 172, 236);
  ocean.sectionDownBottom = QColor(30, 80, 162);
  ocean.sectionDownLine = QColor(18, 52, 112);
  ocean.colours = {QColor(214, 226, 242), QColor(240, 246, 253), QColor(150, 172, 204), QColor(56, 118, 206),
                   QColor(120, 172, 236), QColor(30, 80, 162),   QColor(74, 128, 204),  QColor(150, 190, 240),
                   QColor(22, 60, 128),   Qt::white,             QColor(92, 130, 186)};

  Theme graphite = metallic;
  graphite.file = QStringLiteral("3_Graphite.ini");
  graphite.folder = QStringLiteral("Graphite");
  graphite.name = QStringLiteral("Graphite");
  graphite.titleTop = QColor(104, 110, 120);
  graphite.titleMid = QColor(70, 75, 84);
  graphite.titleBottom = QColor(46, 49, 55);
  graphite.titleLine = QColor(24, 26, 30);
  graphite.titleText = QColor(242, 242, 244);
  graphite.buttonTop = QColor(118, 124, 134);
  graphite.buttonBottom = QColor(62, 66, 74);
  graphite.buttonLine = QColor(28, 30, 34);
  graphite.glyph = QColor(236, 236, 240);
  graphite.hoverTop = Mix(C(kAmber), Qt::white, 0.35);
  graphite.hoverBottom = C(kAmber);
  graphite.hoverLine = kAmberDark;
  graphite.hoverGlyph = C(kInk);
  graphite.pressTop = kAmberDark;
  graphite.pressBottom = QColor(112, 74, 14);
  graphite.sectionTop = QColor(244, 244, 246);
  graphite.sectionBottom = QColor(196, 198, 204);
  graphite.sectionLine = QColor(96, 100, 110);
  graphite.sectionDownTop = QColor(118, 124, 134);
  graphite.sectionDownBottom = QColor(52, 56, 63);
  graphite.sectionDownLine = QColor(24, 26, 30);
  graphite.colours = {QColor(196, 197, 202), QColor(226, 227, 230), QColor(128, 130, 138), QColor(70, 75, 84),
                      QColor(104, 110, 120), QColor(46, 49, 55),    QColor(84, 88, 96),    QColor(128, 134, 144),
                      QColor(30, 32, 36),    QColor(242, 242, 244), QColor(96, 100, 110)};
  return {metallic, ocean, graphite};
}

constexpr int kTitleHeight = 24;

QImage TitleStrip(const Theme& t, int width) {
  QImage image = Canvas(width, kTitleHeight);
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, kTitleHeight);
  g.setColorAt(0, t.titleTop);
  g.setColorAt(0.45, t.titleMid);
  g.setColorAt(1, t.titleBottom);
  p.fillRect(image.rect(), g);
  p.setPen(Mix(t.titleTop, Qt::white, 0.6));
  p.drawLine(0, 0, width - 1, 0);
  p.setPen(t.titleLine);
  p.drawLine(0, kTitleHeight - 1, width - 1, kTitleHeight - 1);
  return image;
}

// The left end of the title bar: the strip with a rounded outer corner.
QImage TitleEnd(const Theme& t, bool right) {
  const int w = 12;
  QImage strip = TitleStrip(t, w);
  QImage art = Canvas(w, kTitleHeight);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(0, 0, w + 8, kTitleHeight + 8), 6, 6);
  p.setClipPath(shape);
  p.drawImage(0, 0, strip);
  p.setClipping(false);
  p.setPen(QPen(t.titleLine, 1));
  p.drawPath(Rounded(QRectF(0.5, 0.5, w + 8, kTitleHeight + 8), 6));
  p.end();
  QImage flat = Flatten(art, t.titleMid, 110);
  return right ? flat.mirrored(true, false) : flat;
}

QImage SubTitle(const Theme& t) {
  QImage image(8, 3, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(0, 0, 8, 1, Mix(t.titleBottom, Qt::black, 0.25));
  p.fillRect(0, 1, 8, 1, t.colours[1]);
  p.fillRect(0, 2, 8, 1, t.colours[0]);
  return image;
}

enum Glyph { kMinimize, kMaximize, kClose };

QImage CaptionButtonImage(const Theme& t, Glyph glyph, int state, int size = 18) {
  QImage art = Canvas(size, size);
  QPainter* p = Begin(art);
  QColor top = t.buttonTop, bottom = t.buttonBottom, line = t.buttonLine, ink = t.glyph;
  if (state == 1) {
    top = t.hoverTop, bottom = t.hoverBottom, line = t.hoverLine, ink = t.hoverGlyph;
    if (glyph == kClose) top = QColor(246, 150, 140), bottom = C(kRed), line = kRedDark, ink = Qt::white;
  } else if (state == 2) {
    top = t.pressTop, bottom = t.pressBottom, line = t.buttonLine, ink = t.pressGlyph;
    if (glyph == kClose) top = C(kRed), bottom = kRedDark, ink = Qt::white;
  }
  const QRectF box(0.5, 0.5, size - 1, size - 1);
  QLinearGradient g(0, 0, 0, size);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p->fillPath(Rounded(box, 4), g);
  p->setPen(QPen(line, 1));
  p->drawPath(Rounded(box, 4));
  if (state != 2) {  // a highlight under the top edge
    p->setPen(QPen(QColor(255, 255, 255, 110), 1));
    p->drawLine(QPointF(3, 1.5), QPointF(size - 3, 1.5));
  }
  const double d = state == 2 ? 1 : 0;
  const double s = size / 18.0;
  p->setRenderHint(QPainter::Antialiasing, glyph == kClose);
  switch (glyph) {
    case kMinimize:
      p->fillRect(QRectF(5 * s + d, 11 * s + d, 8 * s, 2), ink);
      break;
    case kMaximize:
      p->setPen(QPen(ink, 1));
      p->drawRect(QRectF(5 * s + d, 5 * s + d, 7 * s, 7 * s));
      p->fillRect(QRectF(5 * s + d, 5 * s + d, 7 * s + 1, 2), ink);
      break;
    case kClose:
      p->setPen(QPen(ink, 1.9 * s, Qt::SolidLine, Qt::RoundCap));
      p->drawLine(QPointF(5.5 * s + d, 5.5 * s + d), QPointF(12.5 * s + d, 12.5 * s + d));
      p->drawLine(QPointF(5.5 * s + d, 12.5 * s + d), QPointF(12.5 * s + d, 5.5 * s + d));
      break;
  }
  delete p;
  return Flatten(art, t.titleMid, 110);
}

// A section button of the pane bar, on the skin's background colour.
QImage SectionButton(const Theme& t, bool down) {
  QImage art = Canvas(72, 16);
  QPainter* p = Begin(art);
  QPainterPath tab;
  tab.moveTo(0.5, 16);
  tab.lineTo(0.5, 4.5);
  tab.quadTo(0.5, 0.5, 4.5, 0.5);
  tab.lineTo(67.5, 0.5);
  tab.quadTo(71.5, 0.5, 71.5, 4.5);
  tab.lineTo(71.5, 16);
  QLinearGradient g(0, 0, 0, 16);
  g.setColorAt(0, down ? t.sectionDownTop : t.sectionTop);
  g.setColorAt(1, down ? t.sectionDownBottom : t.sectionBottom);
  p->fillPath(tab, g);
  p->setPen(QPen(down ? t.sectionDownLine : t.sectionLine, 1));
  p->drawPath(tab);
  p->setPen(QPen(QColor(255, 255, 255, down ? 90 : 200), 1));
  p->drawLine(QPointF(4, 1.5), QPointF(68, 1.5));
  delete p;
  return Flatten(art, t.colours[0], 110);
}

void WriteSkin(const Theme& t) {
  const QString dir = QStringLiteral("Styles/") + t.folder + QLatin1Char('/');
  Save(TitleStrip(t, 8), dir + "title.bmp");
  Save(TitleEnd(t, false), dir + "title_left.bmp");
  Save(TitleEnd(t, true), dir + "title_right.bmp");
  Save(SubTitle(t), dir + "subtitle.bmp");
  const char* names[] = {"minimize", "restore", "close"};
  for (int b = 0; b < 3; ++b) {
    for (int s = 0; s < 3; ++s) {
      Save(CaptionButtonImage(t, Glyph(b), s), dir + QStringLiteral("%1_%2.bmp").arg(names[b]).arg(s + 1));
    }
  }
  Save(Grip(14, Mix(t.colours[2], Qt::black, 0.2), Qt::white), dir + "resize.bmp");
  // The pane bar's buttons go by their built-in names: the skin file has no
  // keys for them, the toolkit looks for them in the skin's folder.
  Save(SectionButton(t, false), dir + "section_button_up.bmp");
  Save(SectionButton(t, true), dir + "section_button_down.bmp");

  QFile file(g_root + QStringLiteral("/Styles/") + t.file);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::exit(1);
  QTextStream out(&file);
  out << "[Preference]\r\n";
  out << "name=" << t.name << "\r\n";
  out << "folder=" << t.folder << "\r\n";
  out << "bmpTitle=title.bmp\r\nbmpTitle_left=title_left.bmp\r\nbmpTitle_right=title_right.bmp\r\n";
  out << "bmpSubTitle=subtitle.bmp\r\n";
  const char* keys[] = {"Minimize", "Restore", "Close"};
  for (int b = 0; b < 3; ++b) {
    for (int s = 1; s <= 3; ++s) out << "bmpButton" << keys[b] << "_" << s << "=" << names[b] << "_" << s << ".bmp\r\n";
  }
  out << "bmpResize=resize.bmp\r\n";
  for (int i = 0; i < 11; ++i) {
    const QColor c = t.colours[size_t(i)];
    out << kColourKeys[i] << "=" << c.red() << "," << c.green() << "," << c.blue() << "\r\n";
  }
}

// ---- the program's bitmaps ----------------------------------------------

QImage ToolIcon(const std::function<void(QPainter&)>& draw, QColor matte = kStripMatte) {
  QImage art = Canvas(16, 16);
  QPainter* p = Begin(art);
  draw(*p);
  delete p;
  return Flatten(art, matte);
}

void DrawFolder(QPainter& p) {
  QPainterPath back;
  back.moveTo(1.5, 13.5);
  back.lineTo(1.5, 2.5);
  back.lineTo(6, 2.5);
  back.lineTo(7.5, 4.5);
  back.lineTo(14.5, 4.5);
  back.lineTo(14.5, 13.5);
  back.closeSubpath();
  p.fillPath(back, QColor(214, 150, 40));
  p.setPen(QPen(kAmberDark, 1));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(1.5, 13.5);
  front.lineTo(3.5, 7);
  front.lineTo(15.5, 7);
  front.lineTo(13.5, 13.5);
  front.closeSubpath();
  QLinearGradient g(0, 7, 0, 14);
  g.setColorAt(0, kAmberLight);
  g.setColorAt(1, C(kAmber));
  p.fillPath(front, g);
  p.drawPath(front);
}

void DrawPencil(QPainter& p, QPointF at, double scale) {
  p.save();
  p.translate(at);
  p.rotate(45);
  p.scale(scale, scale);
  QRectF body(-1.8, -7, 3.6, 8.5);
  QLinearGradient g(-1.8, 0, 1.8, 0);
  g.setColorAt(0, kAmberLight);
  g.setColorAt(1, C(kAmber));
  p.fillRect(body, g);
  p.setPen(QPen(kAmberDark, 0.9));
  p.drawRect(body);
  p.fillRect(QRectF(-1.8, -8.8, 3.6, 1.8), C(kSteel));
  p.drawRect(QRectF(-1.8, -8.8, 3.6, 1.8));
  QPolygonF tip;
  tip << QPointF(-1.8, 1.5) << QPointF(1.8, 1.5) << QPointF(0, 5);
  p.setBrush(QColor(240, 214, 170));
  p.drawPolygon(tip);
  p.setBrush(C(kInk));
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF() << QPointF(-0.7, 3.6) << QPointF(0.7, 3.6) << QPointF(0, 5));
  p.restore();
}

void DrawLens(QPainter& p, QPointF centre, double r, double handle) {
  p.setPen(QPen(C(kInk), r / 2.2, Qt::SolidLine, Qt::RoundCap));
  const QPointF dir(0.7071, 0.7071);
  p.drawLine(centre + dir * (r + 0.5), centre + dir * (r + handle));
  QRadialGradient g(centre - QPointF(r / 3, r / 3), r * 1.3);
  g.setColorAt(0, Qt::white);
  g.setColorAt(1, C(kAccentPale));
  p.setBrush(g);
  p.setPen(QPen(C(kInk), r / 3.2));
  p.drawEllipse(centre, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, r / 4, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(centre.x() - r * 0.6, centre.y() - r * 0.6, r * 1.2, r * 1.2), 100 * 16, 70 * 16);
}

void DrawHelp(QPainter& p) {
  QRadialGradient g(QPointF(6, 5), 9);
  g.setColorAt(0, C(kAccentLight));
  g.setColorAt(1, C(kAccent));
  p.setBrush(g);
  p.setPen(QPen(C(kAccentDark), 1));
  p.drawEllipse(QRectF(1, 1, 14, 14));
  p.setBrush(Qt::NoBrush);
  p.setPen(Qt::white);
  p.setFont(Face(12, true));
  p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
}

QImage SmallIcon(int w, int h, const std::function<void(QPainter&)>& draw) {
  QImage art = Canvas(w, h);
  QPainter* p = Begin(art);
  draw(*p);
  delete p;
  return Flatten(art, C(kPaper), 100);
}

void DrawPaperclip(QPainter& p, double scale, double angle, QPointF at) {
  p.save();
  p.translate(at);
  p.rotate(angle);
  p.scale(scale, scale);
  QPainterPath clip;
  clip.moveTo(1.5, -1.5);
  clip.lineTo(1.5, 2.5);
  clip.arcTo(QRectF(-1.5, 1, 3, 3), 0, -180);
  clip.lineTo(-1.5, -3.5);
  clip.arcTo(QRectF(-1.5, -5.5, 5, 4), 180, -180);
  clip.lineTo(3.5, 3.5);
  p.setPen(QPen(C(kSteelDark), 1.25 / scale * 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(clip);
  p.restore();
}

void DrawEnvelope(QPainter& p, const QRectF& r, QColor line, QColor fill) {
  p.fillRect(r, fill);
  p.setPen(QPen(line, 1));
  p.drawRect(r);
  QPainterPath flap;
  flap.moveTo(r.topLeft());
  flap.lineTo(r.center().x(), r.top() + r.height() * 0.6);
  flap.lineTo(r.topRight());
  p.drawPath(flap);
}

QImage CaptionBuiltIn(Glyph g, int state) { return CaptionButtonImage(Themes()[0], g, state); }

QImage TaskButton(bool active, const QString& label, const std::function<void(QPainter&)>& icon) {
  QImage art = Canvas(60, 20);
  QPainter* p = Begin(art);
  const QRectF box(0.5, 0.5, 59, 19);
  QLinearGradient g(0, 0, 0, 20);
  g.setColorAt(0, active ? QColor(240, 246, 254) : Qt::white);
  g.setColorAt(1, active ? C(kAccentLight) : QColor(218, 222, 231));
  p->fillPath(Rounded(box, 4), g);
  p->setPen(QPen(active ? C(kAccent) : C(kSteel), 1));
  p->drawPath(Rounded(box, 4));
  p->save();
  p->translate(4, 4);
  icon(*p);
  p->restore();
  p->setFont(Face(9, true));
  p->setPen(active ? C(kAccentDark) : C(kInk));
  p->drawText(QRectF(19, 0, 40, 20), Qt::AlignVCenter | Qt::AlignLeft, label);
  delete p;
  return Flatten(art, C(kPaper), 110);
}

void DrawPhoto(QPainter& p, const QRectF& r) {
  p.fillRect(r, C(kAccentPale));
  p.setPen(Qt::NoPen);
  p.setBrush(C(kAmber));
  p.drawEllipse(QPointF(r.right() - r.width() * 0.28, r.top() + r.height() * 0.32), r.width() * 0.12, r.width() * 0.12);
  p.setBrush(C(kGreen));
  QPolygonF hills;
  hills << QPointF(r.left(), r.bottom()) << QPointF(r.left() + r.width() * 0.32, r.top() + r.height() * 0.45)
        << QPointF(r.left() + r.width() * 0.55, r.top() + r.height() * 0.72)
        << QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.55) << QPointF(r.right(), r.bottom());
  p.drawPolygon(hills);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(C(kSteelDark), 1));
  p.drawRect(r);
}

void DrawClock(QPainter& p, QPointF c, double r) {
  p.setBrush(Qt::white);
  p.setPen(QPen(C(kAccentDark), 1.2));
  p.drawEllipse(c, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(C(kInk), 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c, c + QPointF(0, -r * 0.65));
  p.drawLine(c, c + QPointF(r * 0.5, r * 0.2));
}

void DrawRepeat(QPainter& p, QPointF c, double r, QColor colour) {
  p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::FlatCap));
  const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
  p.drawArc(circle, 20 * 16, 140 * 16);
  p.drawArc(circle, 200 * 16, 140 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  // Arrowheads at the ends of the arcs, pointing along them.
  auto head = [&](double degrees, double direction) {
    const double a = qDegreesToRadians(degrees);
    const QPointF at(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
    const QPointF along(std::sin(a) * direction, std::cos(a) * direction);
    const QPointF across(std::cos(a), -std::sin(a));
    QPolygonF t;
    t << at + along * 2.6 << at + across * 2.2 << at - across * 2.2;
    p.drawPolygon(t);
  };
  head(20, -1);
  head(200, -1);
  p.setBrush(Qt::NoBrush);
}

QImage Bin(bool full) {
  QImage art = Canvas(34, 40);
  QPainter* p = Begin(art);
  // Shadow on the floor.
  p->setPen(Qt::NoPen);
  p->setBrush(QColor(0, 0, 0, 40));
  p->drawEllipse(QRectF(7, 36, 20, 4));
  if (full) {
    // Two cards standing in the open bin.
    p->save();
    p->translate(8, 6);
    p->rotate(-10);
    DrawCard(*p, QRectF(0.5, 0.5, 10, 13));
    p->restore();
    p->save();
    p->translate(15, 4.5);
    p->rotate(9);
    DrawCard(*p, QRectF(0.5, 0.5, 10, 13));
    p->restore();
  }
  // Body: a tapered can with ribs.
  QPainterPath body;
  body.moveTo(7, 15);
  body.lineTo(27, 15);
  body.lineTo(25, 37.5);
  body.lineTo(9, 37.5);
  body.closeSubpath();
  QLinearGradient g(7, 0, 27, 0);
  g.setColorAt(0, C(kSteelLight));
  g.setColorAt(0.35, QColor(238, 240, 244));
  g.setColorAt(1, C(kSteel));
  p->fillPath(body, g);
  p->setPen(QPen(C(kSteelDark), 1));
  p->drawPath(body);
  p->setPen(QPen(C(kSteel), 1));
  for (double x : {12.5, 17.0, 21.5}) p->drawLine(QPointF(x, 18), QPointF(x + (x - 17) * 0.1, 35));
  // Lid: closed, or swung open about the right end of the rim.
  p->save();
  if (full) {
    p->translate(30, 13.5);
    p->rotate(32);
    p->translate(-30, -13.5);
  }
  QLinearGradient lid(0, 11, 0, 15);
  lid.setColorAt(0, QColor(246, 247, 250));
  lid.setColorAt(1, C(kSteel));
  p->setBrush(lid);
  p->setPen(QPen(C(kSteelDark), 1));
  p->drawPath(Rounded(QRectF(4.5, 11.5, 25, 3.5), 1.5));
  p->setBrush(Qt::NoBrush);
  p->drawPath(Rounded(QRectF(13.5, 8.5, 7, 3), 1.2));
  p->restore();
  delete p;
  return Flatten(art, C(kPaper), 100);
}

QImage Splash(bool calendar) {
  QImage art = Canvas(261, 226);
  QPainter* p = Begin(art);
  QLinearGradient g(0, 0, 0, 226);
  g.setColorAt(0, QColor(24, 60, 124));
  g.setColorAt(0.55, C(kAccent));
  g.setColorAt(1, C(kAccentLight));
  p->fillRect(art.rect(), g);
  // Soft rings of light.
  p->setPen(QPen(QColor(255, 255, 255, 28), 14));
  p->drawEllipse(QPointF(230, 20), 70, 70);
  p->setPen(QPen(QColor(255, 255, 255, 18), 10));
  p->drawEllipse(QPointF(20, 210), 60, 60);
  // The program's picture.
  if (calendar) {
    DrawCalendarPage(*p, QRectF(96.5, 26.5, 68, 62), 7, 4, 17);
  } else {
    p->save();
    p->translate(92, 24);
    for (int i = 2; i >= 0; --i) {
      const QRectF card(i * 4 + 0.5, i * 4 + 0.5, 66, 48);
      p->setBrush(i == 0 ? QColor(Qt::white) : Mix(Qt::white, C(kAccentPale), 0.5 + i * 0.2));
      p->setPen(QPen(C(kSteelDark), 1));
      p->drawPath(Rounded(card, 4));
    }
    p->setBrush(Qt::NoBrush);
    const QRectF front(0.5, 0.5, 66, 48);
    p->fillPath(Rounded(QRectF(0.5, 0.5, 66, 11), 4), C(kAccentPale));
    DrawPerson(*p, QRectF(7, 15, 20, 27), C(kAccent));
    p->setPen(QPen(C(kSteelLight), 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) p->drawLine(QPointF(33, 19 + i * 6.5), QPointF(i == 3 ? 48 : 58, 19 + i * 6.5));
    p->setPen(QPen(C(kSteelDark), 1));
    p->drawPath(Rounded(front, 4));
    p->restore();
  }
  p->setPen(Qt::white);
  p->setFont(Face(30, true));
  p->drawText(QRectF(0, 100, 261, 40), Qt::AlignCenter, calendar ? QStringLiteral("Almanor") : QStringLiteral("Cardora"));
  p->setPen(C(kAccentPale));
  p->setFont(Face(12, false));
  p->drawText(QRectF(0, 140, 261, 20), Qt::AlignCenter,
              calendar ? QStringLiteral("Calendar and appointments") : QStringLiteral("Address book"));
  p->setPen(QPen(QColor(255, 255, 255, 120), 1));
  p->drawLine(QPointF(70, 174.5), QPointF(191, 174.5));
  p->setPen(QColor(255, 255, 255, 220));
  p->setFont(Face(10, true));
  p->drawText(QRectF(0, 186, 261, 16), Qt::AlignCenter, QStringLiteral("V E L M O R A"));
  p->setPen(QColor(24, 60, 124));
  p->drawRect(QRectF(0.5, 0.5, 260, 225));
  delete p;
  return Opaque(art, C(kAccent));
}

QImage Intro(bool calendar) {
  QImage art = Canvas(140, 120);
  QPainter* p = Begin(art);
  p->setPen(Qt::NoPen);
  p->setBrush(QColor(0, 0, 0, 30));
  p->drawEllipse(QRectF(20, 106, 100, 12));
  if (calendar) {
    DrawCalendarPage(*p, QRectF(22.5, 14.5, 94, 90), 7, 5, 24);
    DrawClock(*p, QPointF(110, 90), 16);
  } else {
    for (int i = 2; i >= 0; --i) {
      const QRectF card(16.5 + i * 8, 18.5 + i * 8 - 16, 100, 70);
      p->setBrush(i == 0 ? QColor(Qt::white) : Mix(Qt::white, C(kAccentPale), 0.4 + i * 0.25));
      p->setPen(QPen(C(kSteelDark), 1));
      p->drawPath(Rounded(card.translated(0, 16), 5));
    }
    const QRectF front(16.5, 18.5, 100, 70);
    p->fillPath(Rounded(QRectF(17, 19, 99, 15), 5), C(kAccentPale));
    p->fillRect(QRectF(17, 28, 99, 6), C(kAccentPale));
    p->setPen(QPen(C(kSteelDark), 1));
    p->drawPath(Rounded(front, 5));
    DrawPerson(*p, QRectF(26, 40, 28, 40), C(kAccent));
    p->setPen(QPen(C(kSteelLight), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) p->drawLine(QPointF(64, 46 + i * 10), QPointF(i == 3 ? 88 : 106, 46 + i * 10));
    DrawLens(*p, QPointF(106, 88), 11, 12);
  }
  delete p;
  return Flatten(art, C(kPaper), 100);
}

QImage AppIcon(bool calendar) {
  QImage art = Canvas(32, 32);
  QPainter* p = Begin(art);
  if (calendar) {
    DrawCalendarPage(*p, QRectF(3.5, 5.5, 25, 24), 4, 3, 6);
  } else {
    p->setPen(QPen(C(kAccentDark), 1));
    p->setBrush(QColor(214, 228, 248));
    p->drawPath(Rounded(QRectF(6.5, 3.5, 23, 18), 3));
    p->setBrush(Qt::white);
    p->drawPath(Rounded(QRectF(2.5, 8.5, 25, 20), 3));
    p->fillPath(Rounded(QRectF(3, 9, 24, 5), 2.5), C(kAccentPale));
    DrawPerson(*p, QRectF(5, 14, 9, 12), C(kAccent));
    p->setPen(QPen(C(kSteel), 1.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) p->drawLine(QPointF(16, 16.5 + i * 4), QPointF(i == 2 ? 20 : 24, 16.5 + i * 4));
  }
  delete p;
  return Flatten(art, C(kSilver), 100);
}

QImage MailMergePicture() {
  QImage art = Canvas(110, 250);
  QPainter* p = Begin(art);
  QLinearGradient g(0, 0, 0, 250);
  g.setColorAt(0, QColor(24, 60, 124));
  g.setColorAt(1, C(kAccentLight));
  p->fillRect(art.rect(), g);
  p->setPen(QPen(QColor(255, 255, 255, 24), 12));
  p->drawEllipse(QPointF(100, 40), 60, 60);
  // A letter with a person on it and, in front, envelopes going out.
  p->save();
  p->translate(22, 46);
  p->rotate(-6);
  DrawCard(*p, QRectF(0.5, 0.5, 52, 66));
  DrawPerson(*p, QRectF(8, 26, 14, 20), C(kAccent));
  p->restore();
  for (int i = 0; i < 3; ++i) {
    const QRectF r(18.5 + i * 10, 118.5 + i * 14, 56, 34);
    DrawEnvelope(*p, r, C(kSteelDark), i == 2 ? QColor(Qt::white) : Mix(Qt::white, C(kAccentPale), 0.6));
  }
  DrawBadge(*p, QPointF(86, 170), 9, C(kGreen), kGreenDark, 'v');
  p->setPen(Qt::white);
  p->setFont(Face(15, true));
  p->drawText(QRectF(0, 196, 110, 20), Qt::AlignCenter, QStringLiteral("Mail"));
  p->drawText(QRectF(0, 214, 110, 20), Qt::AlignCenter, QStringLiteral("Merge"));
  delete p;
  return Opaque(art, C(kAccent));
}

QImage Cursor(const std::function<void(QPainter&)>& extra, bool pointer = true) {
  QImage art = Canvas(32, 32);
  QPainter* p = Begin(art);
  extra(*p);
  if (pointer) {
    p->setRenderHint(QPainter::Antialiasing, false);
    DrawPointer(*p, 1, 1);
  }
  delete p;
  return Flatten(art, Qt::white, 128);
}

QImage Hand() {
  QImage art = Canvas(32, 32);
  QPainter* p = Begin(art);
  // A pointing hand whose index fingertip is at (8, 1).
  QPainterPath hand;
  hand.moveTo(6.5, 3);
  hand.quadTo(6.5, 1, 8.5, 1);
  hand.quadTo(10.5, 1, 10.5, 3);
  hand.lineTo(10.5, 10.5);
  hand.quadTo(11, 9, 12.5, 9);
  hand.quadTo(14, 9, 14.5, 11);
  hand.quadTo(15, 9.5, 16.5, 9.5);
  hand.quadTo(18, 9.5, 18.5, 11.5);
  hand.quadTo(19, 10.5, 20.3, 10.8);
  hand.quadTo(21.5, 11.2, 21.5, 13);
  hand.lineTo(21.5, 18);
  hand.quadTo(21.5, 22, 19, 24.5);
  hand.lineTo(19, 27.5);
  hand.lineTo(8.5, 27.5);
  hand.lineTo(8.5, 25);
  hand.quadTo(5, 21, 3, 17.5);
  hand.quadTo(2, 15.5, 3.5, 14.5);
  hand.quadTo(5, 13.8, 6.5, 15.5);
  hand.closeSubpath();
  p->setBrush(Qt::white);
  p->setPen(QPen(C(kInk), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p->drawPath(hand);
  p->setPen(QPen(C(kSteel), 1));
  p->drawLine(QPointF(14.5, 11.5), QPointF(14.5, 15));
  p->drawLine(QPointF(18.5, 12), QPointF(18.5, 15));
  p->drawLine(QPointF(10.5, 10.5), QPointF(10.5, 15));
  delete p;
  return Flatten(art, Qt::white, 128);
}

void WriteBitmaps() {
  const Theme metallic = Themes()[0];

  // Frame of the main window (built-in, Metallic).
  Resource(Opaque(TitleStrip(metallic, 8), Qt::white), "window_title.bmp", {"window_title.bmp"});
  const char* kinds[] = {"minimize", "maximize", "close"};
  for (int b = 0; b < 3; ++b) {
    for (int s = 0; s < 3; ++s) {
      const QString name = QStringLiteral("%1_button%2.bmp").arg(kinds[b]).arg(s + 1);
      Resource(CaptionBuiltIn(Glyph(b), s), name, {name});
    }
  }
  Resource(Grip(14, C(kSteelDark), Qt::white), "resize.bmp", {"resize.bmp"});

  // Pane bar and toolbar.
  Resource(SectionButton(Themes()[0], false), "section_button_up.bmp", {"section_button_up.bmp"});
  Resource(SectionButton(Themes()[0], true), "section_button_down.bmp", {"section_button_down.bmp"});
  {
    QImage strip(8, 25, QImage::Format_RGB32);
    QPainter p(&strip);
    VGradient(p, QRectF(0, 0, 8, 25), QColor(250, 251, 252), QColor(216, 220, 228));
    p.setPen(Qt::white);
    p.drawLine(0, 0, 7, 0);
    p.setPen(QColor(176, 182, 194));
    p.drawLine(0, 24, 7, 24);
    p.end();
    Resource(strip, "tbar1.bmp", {"tbar1.bmp"});
    QImage art = Canvas(6, 25);
    QPainter* c = Begin(art);
    QPainterPath end = Rounded(QRectF(-8, 0.5, 13.5, 24), 4);
    c->setClipPath(end);
    c->drawImage(QRectF(-8, 0, 14, 25), strip);
    c->setClipping(false);
    c->setPen(QPen(QColor(176, 182, 194), 1));
    c->drawPath(end);
    delete c;
    Resource(Flatten(art, QColor(222, 224, 230), 110), "tbar1_corner.bmp", {"tbar1_corner.bmp"});
  }
  Resource(ToolIcon(DrawFolder), "tool_file.bmp", {"2000"});
  Resource(ToolIcon([](QPainter& p) {
             DrawCard(p, QRectF(2.5, 1.5, 10, 13));
             DrawBadge(p, QPointF(11.5, 11.5), 3.8, C(kGreen), kGreenDark, '+');
           }),
           "tool_new.bmp", {"2001"});
  Resource(ToolIcon([](QPainter& p) {
             DrawCard(p, QRectF(1.5, 1.5, 10, 13));
             DrawPencil(p, QPointF(10.5, 8.5), 0.95);
           }),
           "tool_edit.bmp", {"2002"});
  Resource(ToolIcon([](QPainter& p) {
             DrawCard(p, QRectF(2.5, 1.5, 10, 13));
             DrawBadge(p, QPointF(11.5, 11.5), 3.8, C(kRed), kRedDark, 'x');
           }),
           "tool_delete.bmp", {"2003"});
  Resource(ToolIcon([](QPainter& p) { DrawLens(p, QPointF(6.5, 6.5), 4.6, 6); }), "tool_find.bmp", {"2004"});
  Resource(ToolIcon(DrawHelp), "tool_help.bmp", {"2005"});
  {
    // The drop-down glyph of choosers and menu buttons: 10 x 8, drawn by
    // pixel so that it stays sharp.
    QImage glyph(10, 8, QImage::Format_RGB32);
    glyph.fill(kMagenta);
    for (int row = 0; row < 4; ++row) {
      for (int x = 1 + row; x <= 8 - row; ++x) glyph.setPixel(x, 2 + row, C(kInk).rgb());
    }
    Resource(glyph, "flymenu_arrow.bmp", {"flymenu_arrow.bmp"});
  }

  // Status icons of list rows.
  Resource(SmallIcon(11, 11,
                     [](QPainter& p) {
                       QPainterPath bell;
                       bell.moveTo(1, 8.5);
                       bell.quadTo(2.5, 7.5, 2.5, 5);
                       bell.quadTo(2.5, 1.5, 5.5, 1.5);
                       bell.quadTo(8.5, 1.5, 8.5, 5);
                       bell.quadTo(8.5, 7.5, 10, 8.5);
                       bell.closeSubpath();
                       QLinearGradient g(2, 0, 9, 0);
                       g.setColorAt(0, kAmberLight);
                       g.setColorAt(1, C(kAmber));
                       p.fillPath(bell, g);
                       p.setPen(QPen(kAmberDark, 1));
                       p.drawPath(bell);
                       p.setBrush(kAmberDark);
                       p.setPen(Qt::NoPen);
                       p.drawEllipse(QPointF(5.5, 9.6), 1.3, 1.1);
                     }),
           "icon_alarm.bmp", {"2014"});
  Resource(SmallIcon(15, 11, [](QPainter& p) { DrawEnvelope(p, QRectF(0.5, 1.5, 13, 8), C(kAccent), Qt::white); }),
           "icon_outgoing.bmp", {"2015"});
  Resource(SmallIcon(15, 11,
                     [](QPainter& p) {
                       DrawEnvelope(p, QRectF(0.5, 1.5, 13, 8), C(kGreen), QColor(232, 246, 234));
                     }),
           "icon_exchanged.bmp", {"2016"});
  Resource(SmallIcon(11, 11,
                     [](QPainter& p) {
                       p.setPen(QPen(C(kSteelDark), 1.4));
                       p.drawArc(QRectF(2.8, 0.8, 5.4, 7), 0, 180 * 16);
                       p.drawLine(QPointF(2.8, 4.3), QPointF(2.8, 5.5));
                       p.drawLine(QPointF(8.2, 4.3), QPointF(8.2, 5.5));
                       QLinearGradient g(0, 5, 0, 10);
                       g.setColorAt(0, kAmberLight);
                       g.setColorAt(1, C(kAmber));
                       p.setBrush(g);
                       p.setPen(QPen(kAmberDark, 1));
                       p.drawRect(QRectF(1.5, 5.5, 8, 5));
                       p.setPen(QPen(kAmberDark, 1.2));
                       p.drawLine(QPointF(5.5, 7.2), QPointF(5.5, 8.8));
                     }),
           "icon_confidential.bmp", {"2017"});
  Resource(SmallIcon(11, 11, [](QPainter& p) { DrawPaperclip(p, 1.0, 30, QPointF(5, 5.5)); }), "icon_attachment.bmp",
           {"2018"});
  Resource(SmallIcon(11, 11, [](QPainter& p) { DrawPhoto(p, QRectF(0.5, 1.5, 10, 8)); }), "icon_picture.bmp", {"2019"});
  Resource(SmallIcon(11, 11, [](QPainter& p) { DrawRepeat(p, QPointF(5.5, 5.5), 3.6, C(kAccent)); }),
           "almanor/icon_repeat.bmp", {"almanor/2019"});
  Resource(SmallIcon(14, 14, [](QPainter& p) { DrawPaperclip(p, 1.35, 35, QPointF(7, 7)); }), "paperclip.bmp",
           {"4006"});
  Resource(SmallIcon(13, 13, [](QPainter& p) { DrawBadge(p, QPointF(6.5, 6.5), 5.8, C(kGreen), kGreenDark, 'v'); }),
           "mm_true.bmp", {"mm_true.bmp"});
  Resource(SmallIcon(13, 13, [](QPainter& p) { DrawBadge(p, QPointF(6.5, 6.5), 5.8, C(kRed), kRedDark, 'x'); }),
           "mm_false.bmp", {"mm_false.bmp"});

  // The "Work" pane's buttons and the recycle bin.
  auto photo = [](QPainter& p) { DrawPhoto(p, QRectF(0.5, 1.5, 11, 9)); };
  auto clock = [](QPainter& p) { DrawClock(p, QPointF(6, 6), 5.2); };
  Resource(TaskButton(false, QStringLiteral("Picture"), photo), "pic_button1.bmp", {"pic_button1.bmp"});
  Resource(TaskButton(true, QStringLiteral("Picture"), photo), "pic_button2.bmp", {"pic_button2.bmp"});
  Resource(TaskButton(false, QStringLiteral("History"), clock), "his_button1.bmp", {"his_button1.bmp"});
  Resource(TaskButton(true, QStringLiteral("History"), clock), "his_button2.bmp", {"his_button2.bmp"});
  Resource(Bin(false), "recicle1.bmp", {"recicle1.bmp"});
  Resource(Bin(true), "recicle2.bmp", {"recicle2.bmp"});

  // Floating tool windows (picture, history).
  {
    QImage title = Canvas(8, 18);
    QPainter p(&title);
    QLinearGradient g(0, 0, 0, 18);
    g.setColorAt(0, metallic.titleTop);
    g.setColorAt(0.5, metallic.titleMid);
    g.setColorAt(1, metallic.titleBottom);
    p.fillRect(title.rect(), g);
    p.setPen(metallic.titleLine);
    p.drawLine(0, 17, 7, 17);
    p.end();
    Resource(Opaque(title, Qt::white), "pic_ttl.bmp", {"pic_ttl.bmp"});
    Resource(CaptionButtonImage(metallic, kClose, 0, 14), "pic_close.bmp", {"pic_close.bmp"});
    Resource(Grip(12, C(kSteelDark), Qt::white), "pic_resize.bmp", {"pic_resize.bmp"});
    Resource(Grip(12, C(kAccentDark), Qt::white), "his_resize.bmp", {"his_resize.bmp"});
  }

  // Contact editor's section list, mail merge, all-day band.
  {
    QImage field(120, 22, QImage::Format_RGB32);
    QPainter p(&field);
    VGradient(p, QRectF(0, 0, 120, 22), QColor(252, 252, 254), QColor(224, 228, 236));
    p.setPen(Qt::white);
    p.drawLine(0, 0, 119, 0);
    p.setPen(QColor(190, 196, 208));
    p.drawLine(0, 21, 119, 21);
    p.end();
    Resource(field, "field_button.bmp", {"field_button.bmp"});
  }
  Resource(MailMergePicture(), "mail_marge.bmp", {"mail_marge.bmp"});
  {
    QImage band(8, 16, QImage::Format_RGB32);
    QPainter p(&band);
    VGradient(p, QRectF(0, 0, 8, 16), QColor(236, 243, 253), C(kAccentPale));
    p.setPen(C(kAccent));
    p.drawLine(0, 0, 7, 0);
    p.drawLine(0, 15, 7, 15);
    p.end();
    Resource(band, "all_day.bmp", {"all_day.bmp"});
    QImage art = Canvas(6, 16);
    QPainter* e = Begin(art);
    QPainterPath end = Rounded(QRectF(0.5, 0.5, 12, 15), 5);
    e->setClipPath(end);
    e->drawImage(QRectF(0, 0, 6, 16), band);
    e->setClipping(false);
    e->setPen(QPen(C(kAccent), 1));
    e->drawPath(end);
    delete e;
    const QImage left = Flatten(art, C(kPaper), 110);
    Resource(left, "all_day_left.bmp", {"all_day_left.bmp"});
    Resource(left.mirrored(true, false), "all_day_right.bmp", {"all_day_right.bmp"});
  }

  // Pictures of each program.
  Resource(Splash(false), "splash.bmp", {"splash.bmp"});
  Resource(Splash(true), "almanor/splash.bmp", {"almanor/splash.bmp"});
  Resource(Intro(false), "intro.bmp", {"4000"});
  Resource(Intro(true), "almanor/intro.bmp", {"almanor/4000"});
  Resource(AppIcon(false), "app_icon.bmp", {"1000"});
  Resource(AppIcon(true), "almanor/app_icon.bmp", {"almanor/1000"});

  // Cursors of dragging and of links.
  auto cursor = [](const QImage& image, const char* name) {
    Save(image, QStringLiteral("bitmaps/cursors/%1.bmp").arg(QLatin1String(name)));
    g_qrc << QStringLiteral("  <file alias=\"cur/%1\">bitmaps/cursors/%1.bmp</file>").arg(QLatin1String(name));
  };
  auto draggedCard = [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(Rounded(QRectF(13, 18, 14, 10), 2));
    p.setBrush(Qt::white);
    p.setPen(QPen(C(kSteelDark), 1));
    p.drawPath(Rounded(QRectF(11.5, 16.5, 14, 10), 2));
    p.fillRect(QRectF(12, 17, 13, 3), C(kAccentPale));
    p.setPen(QPen(C(kSteel), 1));
    p.drawLine(QPointF(14, 22.5), QPointF(23, 22.5));
  };
  cursor(Cursor(draggedCard), "CUR_DRAG_TRUE");
  cursor(Cursor([&](QPainter& p) {
           draggedCard(p);
           DrawBadge(p, QPointF(25, 26), 4.6, C(kGreen), kGreenDark, '+');
         }),
         "CUR_DRAG_TRUE_COPY");
  cursor(Cursor([](QPainter& p) {
           p.setBrush(Qt::white);
           p.setPen(QPen(C(kRed), 2.4));
           p.drawEllipse(QPointF(20, 21), 6.5, 6.5);
           p.drawLine(QPointF(15.5, 16.5), QPointF(24.5, 25.5));
         }),
         "CUR_DRAG_STOP");
  cursor(Hand(), "CUR_HAND1");
}

void WriteResourceFile() {
  for (const char* sound :
       {"add.wav", "bindel.wav", "chpane.wav", "close.wav", "copy.wav", "delete.wav", "move.wav", "open.wav", "select.wav"}) {
    g_qrc << QStringLiteral("  <file alias=\"sounds/%1\">sounds/%1</file>").arg(QLatin1String(sound));
  }
  QFile file(g_root + QStringLiteral("/velmora_resources.qrc"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::exit(1);
  QTextStream out(&file);
  out << "<!DOCTYPE RCC>\n<!-- Written by resources/tools/make_artwork.cpp -->\n<RCC version=\"1.0\">\n"
         "<qresource prefix=\"/\">\n";
  for (const QString& line : g_qrc) out << line << "\n";
  out << "</qresource>\n</RCC>\n";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <source>/resources\n", argv[0]);
    return 2;
  }
  g_root = QString::fromLocal8Bit(argv[1]);
  WriteBitmaps();
  for (const Theme& theme : Themes()) WriteSkin(theme);
  WriteResourceFile();
  return 0;
}
