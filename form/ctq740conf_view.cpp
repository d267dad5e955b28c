#include "form/ctq740conf_view.h"

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <cassert>
#include <cstdio>

#include "form/corder_list_ctrl.h"
#include "form/form_change_watch.h"
#include "form/form_page.h"
#include "form/form_template.h"
#include "form/order_editor.h"
#include "form/view_form_adapter.h"
#include "link/frame_trace.h"
#include "link/modbus_master.h"
#include "link/serial_device.h"
#include "link/user_prompt.h"
#include "model/config_diff.h"
#include "model/config_fields.h"
#include "model/configuration.h"
#include "model/control_ids.h"
#include "model/field_domains.h"
#include "model/order_fields.h"
#include "model/register_image.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "ops/configuration_transfer.h"
#include "ops/device_operations.h"
#include "ops/form_transfer.h"

namespace {
QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

struct CTQ740confView::Impl {
  Impl(CTQ740confView& view, const ViewEnvironment& e)
      : env(e),
        prompt(*e.prompt),
        port(*e.prompt, e.deviceFactory ? e.deviceFactory : SerialDeviceFactory(makeSystemSerialDevice),
             e.ports),
        modbus(image, *e.prompt),
        page(new FormPage),
        editor(*page, limits, *e.prompt),
        adapter(*page, editor, [&view] { view.OnSelectDevice(); }),
        watch(*page) {
    port.setDiscovery(e.discovery);
  }

  DeviceLink link() { return DeviceLink{modbus, prompt, env.observer}; }

  ViewEnvironment env;
  UserPrompt& prompt;
  RegisterImage image;
  SerialPort port;  // m_nPort, m_hPort
  ModbusMaster modbus;
  FieldLimits limits;
  FormPage* page;  // the form itself, owned and scrolled by the view
  OrderEditor editor;
  ViewFormAdapter adapter;
  FormChangeWatch watch;

  int m_nDevice = -1;
  bool m_bParamsRead = false;
  bool showChanges = false;
};

namespace {

// The form as the source of a Write that first shows what it would change.
class PreviewedWrite : public FormTransfer {
 public:
  PreviewedWrite(ConfigForm& form, const FieldLimits& limits,
                 std::function<bool(const RegisterImage&)> confirm)
      : FormTransfer(form, limits), m_confirm(std::move(confirm)) {}
  bool confirmWrite(const RegisterImage& image) override { return m_confirm(image); }

 private:
  std::function<bool(const RegisterImage&)> m_confirm;
};

// The prompt of the read before a Write: the user has just accepted this
// module's product code (message 59), so the read's own question about it
// (message 55) is answered the same way rather than asked twice.
class AcceptedModulePrompt : public UserPrompt {
 public:
  explicit AcceptedModulePrompt(UserPrompt& inner) : m_inner(inner) {}
  MsgAnswer message(const std::string& text, MsgKind kind, bool defaultNo,
                    const std::string& detail) override {
    if (kind == MsgKind::Question) return MsgAnswer::Yes;
    return m_inner.message(text, kind, defaultNo, detail);
  }
  MsgAnswer askSaveChanges(const std::string& text) override { return m_inner.askSaveChanges(text); }
  void beginWaitCursor() override { m_inner.beginWaitCursor(); }
  void endWaitCursor() override { m_inner.endWaitCursor(); }

 private:
  UserPrompt& m_inner;
};

}  // namespace

CTQ740confView::CTQ740confView(const ViewEnvironment& env, QWidget* parent) : QScrollArea(parent) {
  assert(env.prompt && "the view needs a message seam");
  d = std::make_unique<Impl>(*this, env);
  d->modbus.setPort(&d->port);
  d->modbus.setTrace(env.trace);
  setWidget(d->page);
  setWidgetResizable(false);
  connect(d->page->combo(ids::kMasterMode), &QComboBox::activated, this, [this] { OnMasterModeChange(); });
  d->port.setIoWait(env.ioWait);
  connect(&d->watch, &FormChangeWatch::userChanged, this, &CTQ740confView::userChangedForm);
}

CTQ740confView::~CTQ740confView() {
  OnDisconnect();
  // The controls outlive the editor they report to: stop the reports.
  d->page->orderList()->disconnect(&d->editor);
}

QWidget* CTQ740confView::control(int id) const {
  return d->page->control(id);
}
ConfigForm& CTQ740confView::configForm() {
  return d->adapter;
}
COrderListCtrl* CTQ740confView::orderList() const {
  return d->page->orderList();
}
int CTQ740confView::selectedOrder() const {
  return d->editor.selectedOrder();
}
const FieldLimits& CTQ740confView::fieldLimits() const {
  return d->limits;
}
int CTQ740confView::textLimit(int id) const {
  return d->page->textLimit(id);
}

int CTQ740confView::portNumber() const {
  return d->port.portNumber();
}
bool CTQ740confView::isPortOpen() const {
  return d->port.isOpen();
}
int CTQ740confView::selectedDevice() const {
  return d->m_nDevice;
}
bool CTQ740confView::paramsRead() const {
  return d->m_bParamsRead;
}
const PortMap& CTQ740confView::portMap() const {
  return d->port.ports();
}
void CTQ740confView::setPortMap(const PortMap& ports) {
  d->port.setPorts(ports);
}
QString CTQ740confView::openPortPath() const {
  return QString::fromStdString(d->port.openPath());
}

// ---------------------------------------------------------------------------
// Initialisation, visibility and device selection

void CTQ740confView::OnInitialUpdate() {
  emit documentTitleRequested(QStringLiteral("Kestra"));

  d->m_bParamsRead = false;
  OnDisconnect();  // a port still open from before is closed, not lost
  d->m_nDevice = -1;
  d->modbus.clearBuffers();
  d->image.ClearRegisterImage();

  HideDeviceControls();
  d->page->loadIndicatorIcons();
  d->page->setNameFont();

  // The choice lists are filled once; a later initialisation keeps them.
  // Adding the first item selects it; the drop-downs start without one.
  auto fill = [this](int id, std::span<const std::string_view> list) {
    if (list.empty()) return;
    QComboBox* box = d->page->combo(id);
    if (box->count() != 0) return;
    for (std::string_view item : list) box->addItem(qs(item));
    box->setCurrentIndex(-1);
  };
  for (const ConfigField& f : kConfigFields) fill(f.controlId, f.choices);
  for (const OrderFieldInfo& f : kOrderFields) fill(f.controlId, f.choices);
  d->page->fitDropDowns();

  for (const TextLimit& t : kTextLimits) d->page->setTextLimit(t.controlId, t.chars);
  d->editor.reset();
  d->limits.setDefaults();
  // The labels that the dependent rules rewrite go back with their ranges.
  for (int id : {ids::kOrderFunctionLabel, ids::kOrderRegCountLabel, ids::kOrderMemAddrLabel})
    d->page->label(id)->setText(QString::fromLatin1(form::findControl(id)->text));

  d->page->orderList()->createColumns();
  d->watch.resync();
}

void CTQ740confView::HideDeviceControls() {
  HideAllIndicators();
  d->page->show(form::kDeviceControls, false);
  ShowMasterOrderGroup(false);
}

void CTQ740confView::HideAllIndicators() {
  d->adapter.HideAllIndicators();
}

void CTQ740confView::HideOrderIndicators() {
  d->editor.HideOrderIndicators();
}

void CTQ740confView::ShowMasterOrderGroup(bool show) {
  d->adapter.ShowMasterOrderGroup(show);
}

void CTQ740confView::OnSelectDevice() {
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  HideDeviceControls();
  d->m_nDevice = 0;
  const DeviceType& type = DeviceTypeTable[static_cast<std::size_t>(d->m_nDevice)];
  d->page->setEditText(ids::kSymbol, qs(type.typeLabel));
  d->page->setEditText(ids::kName, qs(type.description));
  d->page->show(form::kDeviceControls, true);
  ShowMasterOrderGroup(true);

  // Every drop-down without a selection, every number edit empty.
  for (const ConfigField& f : kConfigFields)
    if (f.kind == FieldKind::Choice || f.kind == FieldKind::SlaveMode)
      d->page->combo(f.controlId)->setCurrentIndex(-1);
  for (const TextLimit& t : kTextLimits) d->page->setEditText(t.controlId, {});

  // The emptied list leaves the editor no remembered row and empty fields.
  d->page->orderList()->deleteAllRows();
  d->editor.forgetRow();
  d->editor.showOrderCount();
  // Hiding the control that had the keyboard focus moved the focus on, and
  // the scroll area followed it: back to the origin.
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  d->watch.resync();
}

void CTQ740confView::OnMasterModeChange() {
  switch (d->page->combo(ids::kMasterMode)->currentIndex()) {
    case 0:
      ShowMasterOrderGroup(true);
      break;
    case 1:
      HideOrderIndicators();
      ShowMasterOrderGroup(false);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Device commands

bool CTQ740confView::OnAutoSelect() {
  if (!isPortOpen()) return false;
  DeviceLink link = d->link();
  const bool ok = bool(AutoSelect(link, d->adapter, d->limits));
  if (ok) d->m_bParamsRead = true;
  d->watch.resync();
  return ok;
}

bool CTQ740confView::OnReadParameters() {
  if (!isPortOpen() || d->m_nDevice == -1) return false;
  DeviceLink link = d->link();
  const bool ok = bool(ReadParameters(link, d->adapter, d->limits));
  if (ok) d->m_bParamsRead = true;
  d->watch.resync();
  return ok;
}

bool CTQ740confView::OnWriteParameters() {
  if (!isPortOpen() || !d->m_bParamsRead) return false;
  DeviceLink link = d->link();
  if (!d->showChanges) return writeEnded(WriteParameters(link, d->adapter, d->limits));
  // After the identity, the check and its warnings, before the first block:
  // what this Write would send against what the module holds.
  PreviewedWrite source(d->adapter, d->limits, [this](const RegisterImage& image) {
    const Configuration send = Configuration::fromImage(image, image.get(reg::kMasterOrderCount));
    Configuration module;
    AcceptedModulePrompt accepted(d->prompt);
    if (!readModule(module, accepted)) return false;
    // In Catch mode the order records are not written, only their number.
    const bool withOrders = image.get(reg::kMasterMode) == 0;
    const std::vector<DiffRow> rows = compareConfigurations(module, send, withOrders);
    return !d->env.showDifferences || d->env.showDifferences(rows, DiffPurpose::BeforeWrite);
  });
  return writeEnded(writeConfiguration(link, source));
}

// A write stops only when the window is closing (a held close, a signal, the
// session's end), so no box can say what it left behind: standard error and
// the trace do, in the words tq740ctl uses.
bool CTQ740confView::writeEnded(const OperationResult& result) {
  if (result.stopped()) {
    const std::string line = "Stopped. Written to the module: " + result.writtenText() + ".";
    std::fprintf(stderr, "tq740conf: %s\n", line.c_str());
    if (d->env.trace) d->env.trace->note(line);
  }
  return bool(result);
}

bool CTQ740confView::readModule(Configuration& config, UserPrompt& prompt) {
  RegisterImage scratchImage;
  ModbusMaster scratch(scratchImage, prompt);
  scratch.setPort(&d->port);
  scratch.setTrace(d->env.trace);
  DeviceLink link{scratch, prompt, d->env.observer};
  ConfigurationTransfer target(config);
  return bool(readConfiguration(link, target, ReadEnd::Quiet));
}

void CTQ740confView::OnCompareWithDevice() {
  if (!isPortOpen() || d->m_nDevice == -1) return;
  const std::optional<Configuration> form = takeConfiguration();
  if (!form) {
    d->prompt.message("Nothing was compared: the fields marked on the form are invalid.", MsgKind::Error);
    return;
  }
  Configuration module;
  if (!readModule(module, d->prompt)) return;
  if (d->env.showDifferences)
    d->env.showDifferences(compareConfigurations(module, *form), DiffPurpose::Compare);
}

void CTQ740confView::setShowChangesBeforeWriting(bool on) {
  d->showChanges = on;
}

bool CTQ740confView::showChangesBeforeWriting() const {
  return d->showChanges;
}

void CTQ740confView::OnReadFirmwareVersion() {
  if (!isPortOpen()) return;
  DeviceLink link = d->link();
  ReadFirmwareVersion(link);
}

void CTQ740confView::loadConfiguration(const Configuration& config) {
  OnSelectDevice();
  FormTransfer(d->adapter, d->limits).show(config);
  d->m_bParamsRead = true;
  d->watch.resync();
}

std::optional<Configuration> CTQ740confView::takeConfiguration() {
  return FormTransfer(d->adapter, d->limits).take();
}

void CTQ740confView::OnConnectCom(int n) {
  if (n < 1 || n > 4) return;
  d->port.open_com_port(static_cast<std::uint8_t>(n));
}

void CTQ740confView::OnDisconnect() {
  d->port.close_com_port();
}
