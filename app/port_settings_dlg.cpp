#include "app/port_settings_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// Chooser entries carry the path they stand for; the first entry stands for
// a path typed by hand.
constexpr int kTypedEntry = 0;

}  // namespace

CPortSettingsDlg::CPortSettingsDlg(const PortDiscovery& discovery, const PortMap& current, int openPort,
                                   QWidget* parent)
    : QDialog(parent), m_discovery(discovery) {
  setWindowTitle(QStringLiteral("Port settings"));
  auto* layout = new QVBoxLayout(this);

#ifdef Q_OS_WIN
  // Windows names its serial ports itself; there is no stable name to offer.
  auto* intro = new QLabel(
      QStringLiteral("Choose the serial port that each COM port opens. The ports Windows knows are offered "
                     "with their device name; another one may be typed by its name (COM5, COM12)."),
      this);
#else
  auto* intro = new QLabel(
      QStringLiteral("Choose the serial device that each COM port opens. A USB adapter is offered under "
                     "its stable name in /dev/serial/by-id, which stays the same when it is plugged into "
                     "another socket; its kernel name is shown in brackets."),
      this);
#endif
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Device"), this), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Path"), this), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("State"), this), 0, 3);
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    Row& r = row(n);
    r.chooser = new QComboBox(this);
    r.chooser->setObjectName(QStringLiteral("chooser%1").arg(n));
    r.chooser->setMinimumContentsLength(40);
    r.chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    r.path = new QLineEdit(qs(current.path(n)), this);
    r.path->setObjectName(QStringLiteral("path%1").arg(n));
    r.path->setMinimumWidth(r.path->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    r.state = new QLabel(this);
    r.state->setObjectName(QStringLiteral("state%1").arg(n));
    auto* label = new QLabel(QStringLiteral("COM &%1").arg(n), this);
    label->setBuddy(r.chooser);
    grid->addWidget(label, n, 0);
    grid->addWidget(r.chooser, n, 1);
    grid->addWidget(r.path, n, 2);
    grid->addWidget(r.state, n, 3);
    connect(r.chooser, &QComboBox::activated, this, [this, n](int index) { onChosen(n, index); });
    connect(r.path, &QLineEdit::textEdited, this, [this, n] { onPathEdited(n); });
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);

  m_note = new QLabel(this);
  m_note->setObjectName(QStringLiteral("note"));
  m_note->setWordWrap(true);
  m_note->setText(openPort >= 1 && openPort <= PortMap::kPorts
                      ? QStringLiteral("COM %1 is open: a change of its device takes effect the next time "
                                       "it is opened.")
                            .arg(openPort)
                      : QStringLiteral("A change of the device of an open port takes effect the next time "
                                       "it is opened."));
  layout->addWidget(m_note);

  auto* bottom = new QHBoxLayout;
  m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
  m_refresh->setAutoDefault(false);
  connect(m_refresh, &QPushButton::clicked, this, &CPortSettingsDlg::refresh);
  bottom->addWidget(m_refresh);
  bottom->addStretch(1);
  m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  bottom->addWidget(m_buttons);
  layout->addLayout(bottom);

  refresh();
}

PortMap CPortSettingsDlg::ports() const {
  PortMap map;
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    const QString path = row(n).path->text().trimmed();
    if (!path.isEmpty()) map.setPath(n, path.toStdString());
  }
  return map;
}

void CPortSettingsDlg::markCommandLine(int n) {
  row(n).path->setToolTip(
      QStringLiteral("Given with --port for this run only. It is saved only if you change it here."));
}

void CPortSettingsDlg::refresh() {
  m_present = m_discovery.ports();
  for (int n = 1; n <= PortMap::kPorts; ++n) fillChooser(n);
}

void CPortSettingsDlg::fillChooser(int n) {
  Row& r = row(n);
  const QSignalBlocker block(r.chooser);
  r.chooser->clear();
  r.chooser->addItem(QStringLiteral("Other device: type its path"), QString());
  for (const SerialPortInfo& p : m_present) {
    r.chooser->addItem(qs(p.summary()), qs(p.preferredPath()));
    r.chooser->setItemData(r.chooser->count() - 1, qs(p.summary()), Qt::ToolTipRole);
  }
  const std::string path = r.path->text().trimmed().toStdString();
  if (const SerialPortInfo* found = findPort(m_present, path)) {
    r.chooser->setCurrentIndex(static_cast<int>(found - m_present.data()) + 1);
  } else if (!path.empty() && !QFileInfo::exists(qs(path))) {
    // Kept and shown, not dropped: the adapter may just be unplugged.
    r.chooser->addItem(QStringLiteral("%1 (absent now)").arg(qs(path)), qs(path));
    r.chooser->setCurrentIndex(r.chooser->count() - 1);
  } else {
    r.chooser->setCurrentIndex(kTypedEntry);
  }
  showState(n);
}

void CPortSettingsDlg::onChosen(int n, int index) {
  Row& r = row(n);
  const QString path = r.chooser->itemData(index).toString();
  if (index == kTypedEntry || path.isEmpty()) {
    r.path->setFocus();
    r.path->selectAll();
  } else {
    r.path->setText(path);
  }
  showState(n);
}

void CPortSettingsDlg::onPathEdited(int n) {
  fillChooser(n);
}

void CPortSettingsDlg::showState(int n) {
  Row& r = row(n);
  const std::string path = r.path->text().trimmed().toStdString();
  QString state;
  if (path.empty()) {
    state = QStringLiteral("built-in: %1").arg(qs(PortMap::defaultPath(n)));
  } else if (const SerialPortInfo* found = findPort(m_present, path)) {
    state =
        found->path == path ? QStringLiteral("present") : QStringLiteral("present, %1").arg(qs(found->path));
  } else if (QFileInfo::exists(qs(path))) {
    state = QStringLiteral("present");
  } else {
    state = QStringLiteral("absent now");
  }
  r.state->setText(state);
}
