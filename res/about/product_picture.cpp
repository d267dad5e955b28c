#include "res/about/product_picture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// Coordinates below are pixels of the 230 x 110 picture.
constexpr int kRailTop = 41;
constexpr int kRailHeight = 28;
constexpr QRect kModule(60, 2, 110, 106);

void drawRail(QPainter& p) {
  // A 35 mm top-hat rail seen from the front: a steel strip with bent lips
  // and a row of long mounting slots.
  QLinearGradient steel(0, kRailTop, 0, kRailTop + kRailHeight);
  steel.setColorAt(0.0, QColor(0x9a, 0x9f, 0xa6));
  steel.setColorAt(0.12, QColor(0xe4, 0xe7, 0xea));
  steel.setColorAt(0.2, QColor(0xb5, 0xba, 0xc0));
  steel.setColorAt(0.8, QColor(0xb5, 0xba, 0xc0));
  steel.setColorAt(0.88, QColor(0xe4, 0xe7, 0xea));
  steel.setColorAt(1.0, QColor(0x86, 0x8b, 0x92));
  p.setPen(QColor(0x5c, 0x61, 0x68));
  p.setBrush(steel);
  p.drawRect(QRectF(-1, kRailTop, kProductPictureWidth + 1, kRailHeight));

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x4a, 0x4e, 0x54));
  for (int x = 8; x < kProductPictureWidth; x += 26) {
    p.drawRoundedRect(QRectF(x, kRailTop + 11, 14, 6), 3, 3);
  }
}

void drawTerminalBlock(QPainter& p, const QRect& r) {
  // A green pluggable screw terminal with three wires: A, B and ground.
  p.setPen(QColor(0x1c, 0x4d, 0x2e));
  p.setBrush(QColor(0x2f, 0x8f, 0x55));
  p.drawRoundedRect(r, 2, 2);
  const int step = r.width() / 3;
  for (int i = 0; i < 3; ++i) {
    const QPointF c(r.left() + step / 2.0 + i * step + 0.5, r.center().y() + 0.5);
    QRadialGradient metal(c - QPointF(1.5, 1.5), 5);
    metal.setColorAt(0, QColor(0xf2, 0xf2, 0xf2));
    metal.setColorAt(1, QColor(0x8a, 0x8f, 0x95));
    p.setPen(QColor(0x40, 0x44, 0x48));
    p.setBrush(metal);
    p.drawEllipse(c, 4.5, 4.5);
    p.setPen(QPen(QColor(0x30, 0x33, 0x36), 1.4));
    p.drawLine(c + QPointF(-3, 3), c + QPointF(3, -3));
  }
}

void drawLed(QPainter& p, const QPointF& c, const QColor& lit, const QString& label, const QFont& font) {
  QRadialGradient glow(c - QPointF(1, 1), 3.5);
  glow.setColorAt(0, lit.lighter(170));
  glow.setColorAt(1, lit);
  p.setPen(QColor(0x30, 0x30, 0x30));
  p.setBrush(glow);
  p.drawEllipse(c, 3, 3);
  p.setFont(font);
  p.setPen(QColor(0x33, 0x33, 0x33));
  p.drawText(QRectF(c.x() - 11, c.y() + 4, 22, 9), Qt::AlignHCenter | Qt::AlignTop, label);
}

void drawModule(QPainter& p) {
  // Shadow on the rail and the backdrop.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawRoundedRect(kModule.translated(3, 2), 5, 5);

  // Housing: light grey plastic with a slightly darker stepped profile.
  QLinearGradient plastic(kModule.left(), 0, kModule.right(), 0);
  plastic.setColorAt(0, QColor(0xc9, 0xc9, 0xc3));
  plastic.setColorAt(0.08, QColor(0xe2, 0xe2, 0xdc));
  plastic.setColorAt(0.92, QColor(0xe2, 0xe2, 0xdc));
  plastic.setColorAt(1, QColor(0xb8, 0xb8, 0xb1));
  p.setPen(QPen(QColor(0x5e, 0x5e, 0x58), 1));
  p.setBrush(plastic);
  p.drawRoundedRect(kModule, 5, 5);

  // The four serial ports: COM1 and COM2 on the upper edge, COM3 and COM4
  // on the lower edge.
  QFont small(QStringLiteral("DejaVu Sans"));
  small.setPixelSize(7);
  small.setBold(true);
  const int left = kModule.left() + 5;
  const int right = kModule.center().x() + 3;
  const int blockW = 48;
  const struct {
    QRect block;
    QRect label;
    const char* name;
  } ports[] = {
      {QRect(left, 5, blockW, 15), QRect(left, 21, blockW, 8), "COM1"},
      {QRect(right, 5, blockW, 15), QRect(right, 21, blockW, 8), "COM2"},
      {QRect(left, 89, blockW, 15), QRect(left, 80, blockW, 8), "COM3"},
      {QRect(right, 89, blockW, 15), QRect(right, 80, blockW, 8), "COM4"},
  };
  for (const auto& port : ports) {
    drawTerminalBlock(p, port.block);
    p.setFont(small);
    p.setPen(QColor(0x22, 0x22, 0x22));
    p.drawText(port.label, Qt::AlignCenter, QString::fromLatin1(port.name));
  }

  // Front panel with the type label, the LEDs and the function line.
  const QRect panel(kModule.left() + 6, 31, kModule.width() - 12, 47);
  p.setPen(QColor(0x8a, 0x8a, 0x84));
  p.setBrush(QColor(0xf4, 0xf4, 0xef));
  p.drawRoundedRect(panel, 3, 3);

  const QRect badge(panel.left() + 4, panel.top() + 3, panel.width() - 8, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1f, 0x4e, 0x8c));
  p.drawRoundedRect(badge, 2, 2);
  QFont type(QStringLiteral("DejaVu Sans"));
  type.setPixelSize(10);
  type.setBold(true);
  p.setFont(type);
  p.setPen(Qt::white);
  p.drawText(badge, Qt::AlignCenter, QStringLiteral("TQ-740-0"));

  QFont tiny(QStringLiteral("DejaVu Sans"));
  tiny.setPixelSize(6);
  const double ledY = panel.top() + 22;
  const double ledStep = (panel.width() - 16) / 3.0;
  const struct {
    QColor colour;
    const char* label;
  } leds[] = {{QColor(0x2e, 0xc4, 0x3c), "PWR"},
              {QColor(0xf0, 0xc0, 0x20), "RUN"},
              {QColor(0x2e, 0xc4, 0x3c), "TX"},
              {QColor(0xe0, 0x3a, 0x2a), "RX"}};
  for (int i = 0; i < 4; ++i) {
    drawLed(p, QPointF(panel.left() + 8 + i * ledStep, ledY), leds[i].colour,
            QString::fromLatin1(leds[i].label), tiny);
  }

  QFont line(QStringLiteral("DejaVu Sans"));
  line.setPixelSize(7);
  p.setFont(line);
  p.setPen(QColor(0x33, 0x33, 0x33));
  p.drawText(QRect(panel.left(), panel.bottom() - 10, panel.width(), 9), Qt::AlignCenter,
             QStringLiteral("Modbus RTU gateway"));
}

}  // namespace

QImage productPicture() {
  QImage image(kProductPictureWidth, kProductPictureHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient backdrop(0, 0, 0, kProductPictureHeight);
  backdrop.setColorAt(0, QColor(0xfa, 0xfb, 0xfc));
  backdrop.setColorAt(1, QColor(0xdd, 0xe2, 0xe8));
  p.fillRect(image.rect(), backdrop);

  drawRail(p);
  drawModule(p);
  p.end();
  return image;
}
