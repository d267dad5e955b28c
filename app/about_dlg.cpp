#include "app/about_dlg.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "app/app_title.h"
#include "res/about/product_picture.h"

namespace {

// Fixedsys is a bitmap face with 8 x 15 pixel cells. Where the platform
// substitutes a smaller face, the box keeps at least those base units, so
// the 230 x 110 product picture still fits inside its group box.
constexpr double kFixedsysCharWidth = 8;
constexpr double kFixedsysCharHeight = 15;

// The window icon of the box's owner (the main window), else the
// application's.
QIcon applicationIcon(const QWidget* w) {
  QIcon icon = w->windowIcon();
  if (icon.isNull()) icon = w->style()->standardIcon(QStyle::SP_ComputerIcon);
  return icon;
}

}  // namespace

CAboutDlg::CAboutDlg(std::function<void()> onDocumentation, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_onDocumentation(std::move(onDocumentation)) {
  setObjectName(QStringLiteral("dlg_100"));
  setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(app::kAppTitle));

  QFont font(QStringLiteral("Fixedsys"), 8);
  font.setStyleHint(QFont::TypeWriter);
  setFont(font);
  const QFontMetricsF fm(font);
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  m_baseX = std::max(kFixedsysCharWidth, fm.horizontalAdvance(alphabet) / alphabet.size());
  m_baseY = std::max(kFixedsysCharHeight, fm.height());

  setFixedSize(dialogRect(0, 0, 188, 149).size());

  // Controls in their dialog order; only the two buttons take the focus.
  auto* frame = new QGroupBox(this);
  frame->setGeometry(dialogRect(16, 12, 153, 126));
  frame->setFocusPolicy(Qt::NoFocus);

  auto* version = new QLabel(QStringLiteral("TQ740conf Version 1.0"), this);
  version->setTextFormat(Qt::PlainText);
  version->setAlignment(Qt::AlignCenter);
  version->setFrameStyle(QFrame::Box | QFrame::Plain);
  version->setGeometry(dialogRect(42, 22, 92, 11));

  auto* subtitle = new QLabel(QStringLiteral("Configurator for TQ-740-0"), this);
  subtitle->setObjectName(QStringLiteral("about_subtitle"));
  subtitle->setTextFormat(Qt::PlainText);
  subtitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  subtitle->setGeometry(dialogRect(46, 38, 89, 8));

  m_ok = new QPushButton(QStringLiteral("OK"), this);
  m_ok->setObjectName(QStringLiteral("ctl_1"));
  m_ok->setGeometry(dialogRect(128, 119, 32, 14));
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

  m_documentation = new QPushButton(QStringLiteral("Documentation"), this);
  m_documentation->setObjectName(QStringLiteral("ctl_1080"));
  m_documentation->setGeometry(dialogRect(24, 119, 64, 14));
  connect(m_documentation, &QPushButton::clicked, this, [this] {
    if (m_onDocumentation) m_onDocumentation();
  });

  // The picture is shown at its own size, with a one-pixel border around it.
  const QImage picture = productPicture();
  auto* pictureLabel = new QLabel(this);
  pictureLabel->setObjectName(QStringLiteral("about_picture"));
  pictureLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
  pictureLabel->setPixmap(QPixmap::fromImage(picture));
  const QRect pictureArea = dialogRect(33, 50, 118, 62);
  pictureLabel->setGeometry(pictureArea.left(), pictureArea.top(), picture.width() + 2, picture.height() + 2);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("about_icon"));
  icon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  icon->setAlignment(Qt::AlignCenter);
  const QRect iconArea = dialogRect(7, 7, 20, 20);
  const int iconSide = std::min(iconArea.width(), iconArea.height()) - 4;
  icon->setPixmap(applicationIcon(this).pixmap(std::min(32, iconSide)));
  icon->setGeometry(iconArea);

  setTabOrder(m_ok, m_documentation);
  m_ok->setFocus();
}

QRect CAboutDlg::dialogRect(int x, int y, int w, int h) const {
  const int left = static_cast<int>(x * m_baseX / 4);
  const int top = static_cast<int>(y * m_baseY / 8);
  const int right = static_cast<int>((x + w) * m_baseX / 4);
  const int bottom = static_cast<int>((y + h) * m_baseY / 8);
  return QRect(left, top, right - left, bottom - top);
}
