#pragma once
// CPortSettingsDlg: the Port settings dialog. Owns four rows, COM 1 to COM 4,
// each a chooser of the serial devices present now, the device path that the
// port opens (editable, for anything the list does not show) and the state
// of that device; a Refresh button lists the devices again.

#include <QDialog>
#include <array>
#include <vector>

#include "link/port_discovery.h"
#include "link/port_map.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CPortSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  // openPort: the COM port open now (0 none), named in the note that a
  // change takes effect at its next opening.
  CPortSettingsDlg(const PortDiscovery& discovery, const PortMap& current, int openPort,
                   QWidget* parent = nullptr);

  // The mapping as the rows show it; an emptied path means the port's
  // built-in device.
  PortMap ports() const;
  // Marks a row whose path came from --port for this run only.
  void markCommandLine(int n);
  // Lists the devices present now again; the paths stay as they are.
  void refresh();

  QComboBox* chooser(int n) const { return row(n).chooser; }
  QLineEdit* pathEdit(int n) const { return row(n).path; }
  QLabel* stateLabel(int n) const { return row(n).state; }
  QPushButton* refreshButton() const { return m_refresh; }
  QDialogButtonBox* buttonBox() const { return m_buttons; }
  QLabel* noteLabel() const { return m_note; }

 private:
  struct Row {
    QComboBox* chooser = nullptr;
    QLineEdit* path = nullptr;
    QLabel* state = nullptr;
  };
  const Row& row(int n) const { return m_rows.at(static_cast<std::size_t>(n - 1)); }
  Row& row(int n) { return m_rows.at(static_cast<std::size_t>(n - 1)); }
  void fillChooser(int n);
  void onChosen(int n, int index);
  void onPathEdited(int n);
  void showState(int n);

  const PortDiscovery& m_discovery;
  std::vector<SerialPortInfo> m_present;
  std::array<Row, PortMap::kPorts> m_rows;
  QPushButton* m_refresh = nullptr;
  QDialogButtonBox* m_buttons = nullptr;
  QLabel* m_note = nullptr;
};
