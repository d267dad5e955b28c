#pragma once
// CTQ740confView: the configuration form on template 101. Owns the port
// connection, the transaction engine with its buffers, the register image,
// the field limits, the form's controls and the master order list, and
// forwards each device command to the operation that performs it.
//
// The public interface below is what the application shell relies on
// (command handlers and the state its update rules read). Implementation
// details may grow; these names stay.

#include <QScrollArea>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/serial_device.h"
#include "link/serial_port.h"

class UserPrompt;
class FrameTrace;
struct OperationResult;
class IoWait;
namespace ops {
class OperationObserver;
}
class PortDiscovery;
class QWidget;
class ConfigForm;
class COrderListCtrl;
class FieldLimits;
class Configuration;
struct DiffRow;

// Where a list of differences between the module and the form is shown.
enum class DiffPurpose {
  Compare,      // Compare with device: the answer does not matter
  BeforeWrite,  // Show changes before writing: true writes, false cancels
};

// What the view needs from its surroundings; tests pass fakes.
struct ViewEnvironment {
  UserPrompt* prompt = nullptr;       // message boxes and busy cursor (required)
  SerialDeviceFactory deviceFactory;  // empty: the system's serial port backend
  PortMap ports;                      // port number -> device path
  FrameTrace* trace = nullptr;        // --trace, may be null
  IoWait* ioWait = nullptr;           // how the port waits; null: plainly
  // Follows the operations' progress; may be null.
  ops::OperationObserver* observer = nullptr;
  const PortDiscovery* discovery = nullptr;  // devices a failed open suggests, may be null
  // Shows the differences from the module (left) to the form (right). Empty:
  // nothing is shown, and a Write goes on.
  std::function<bool(const std::vector<DiffRow>&, DiffPurpose)> showDifferences;
};

class CTQ740confView : public QScrollArea {
  Q_OBJECT

 public:
  explicit CTQ740confView(const ViewEnvironment& env, QWidget* parent = nullptr);
  ~CTQ740confView() override;  // closes an open port

  // Form initialisation: runs at start, after New and after Open. A port
  // that is open at that moment is closed, as Disconnect does.
  void OnInitialUpdate();

  // Command handlers. Auto, Read and Write tell whether they succeeded.
  void OnSelectDevice();     // 32784
  bool OnAutoSelect();       // 32783
  bool OnReadParameters();   // 32773
  bool OnWriteParameters();  // 32774
  // 32801: the form's configuration (after the Write check) against the
  // module's, read into a configuration of its own; the form stays as it is.
  void OnCompareWithDevice();
  // Whether Write shows what it would change, and asks, before writing.
  void setShowChangesBeforeWriting(bool on);
  bool showChangesBeforeWriting() const;
  void OnReadFirmwareVersion();  // 32776
  void OnConnectCom(int n);      // 32779..32782 -> open_com_port(n)
  void OnDisconnect();           // 32778 -> close_com_port()

  // The document's configuration. Loading selects the device and fills the
  // form as a successful read does (Write enabled); taking checks the fields
  // as Write does, with the indicators, and gives nothing when one fails.
  void loadConfiguration(const Configuration& config);
  std::optional<Configuration> takeConfiguration();

  // State read by the update rules.
  int portNumber() const;      // m_nPort
  bool isPortOpen() const;     // m_hPort present
  int selectedDevice() const;  // m_nDevice
  bool paramsRead() const;     // m_bParamsRead

  // Which device each COM port opens. A new map takes effect at the next
  // open; the device of an open port stays in use until it is closed.
  const PortMap& portMap() const;
  void setPortMap(const PortMap& ports);
  // The device path of the open port, empty while none is open.
  QString openPortPath() const;

  // The control with a fixed id (1000..1105), or null.
  QWidget* control(int id) const;

  // The form as the device operations see it (controls addressed by id).
  ConfigForm& configForm();
  COrderListCtrl* orderList() const;  // m_orderList, control 1055
  int selectedOrder() const;          // m_nSelectedOrder
  const FieldLimits& fieldLimits() const;
  // Characters that a number edit accepts from the keyboard (0: no limit).
  int textLimit(int id) const;

  // Visibility operations.
  void HideDeviceControls();
  void HideAllIndicators();
  void HideOrderIndicators();
  void ShowMasterOrderGroup(bool show);

 signals:
  // The view sets the document's title ("Kestra") in its initial update.
  void documentTitleRequested(const QString& title);
  // The user changed a field or the order list (never sent for the
  // program's own changes).
  void userChangedForm();

 private:
  // Reads the module into config without touching the form or the image
  // that a Write sends from; no success box. Boxes go to prompt.
  bool readModule(Configuration& config, UserPrompt& prompt);
  // The end of a write: reports what a stopped one left written.
  bool writeEnded(const OperationResult& result);
  // Handler of the user's choice in drop-down 1046.
  void OnMasterModeChange();

  struct Impl;
  std::unique_ptr<Impl> d;
};
