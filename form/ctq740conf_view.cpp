#include "form/ctq740conf_view.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QValidator>
#include <cassert>
#include <map>

#include "form/corder_list_ctrl.h"
#include "form/form_template.h"
#include "link/modbus_master.h"
#include "link/posix_serial_device.h"
#include "link/user_prompt.h"
#include "model/control_ids.h"
#include "model/field_domains.h"
#include "model/register_image.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "model/configuration.h"
#include "ops/device_operations.h"
#include "ops/form_transfer.h"

// Resources of the static tq_form library must be registered explicitly.
static void initFormResources() { Q_INIT_RESOURCE(form); }

namespace {

constexpr int kOkIcon = 132;
constexpr int kErrorIcon = 131;

// Digits only, and at most a number of characters from the keyboard. Text
// that the program put into the field is never shortened: a longer text may
// still be shortened by the user, just not lengthened.
class DigitLimitValidator : public QValidator {
 public:
  explicit DigitLimitValidator(QLineEdit* edit) : QValidator(edit) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { m_current = t.size(); });
  }
  void setLimit(int chars) { m_limit = chars; }
  // Text set by the program is taken whole, whatever its length.
  void setProgramText(QLineEdit* edit, const QString& text) {
    m_program = true;
    edit->setText(text);
    m_program = false;
  }
  int limit() const { return m_limit; }

  State validate(QString& input, int&) const override {
    for (QChar c : input)
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
    if (!m_program && m_limit > 0 && input.size() > m_limit && input.size() >= m_current) return Invalid;
    return Acceptable;
  }

 private:
  int m_limit = 0;
  bool m_program = false;
  qsizetype m_current = 0;
};

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// What the device operations see of the form: controls addressed by id.
class ViewFormAdapter : public ConfigForm {
 public:
  explicit ViewFormAdapter(CTQ740confView& view) : m_view(view) {}

  int comboIndex(int id) const override {
    auto* box = qobject_cast<QComboBox*>(m_view.control(id));
    return box ? box->currentIndex() : -1;
  }
  void setComboIndex(int id, int index) override {
    if (auto* box = qobject_cast<QComboBox*>(m_view.control(id)))
      box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
  }
  std::string editText(int id) const override {
    auto* edit = qobject_cast<QLineEdit*>(m_view.control(id));
    return edit ? edit->text().toStdString() : std::string();
  }
  void setEditText(int id, const std::string& text) override;
  void markIndicator(int indicatorId, Mark mark) override;
  void HideAllIndicators() override { m_view.HideAllIndicators(); }
  void ShowMasterOrderGroup(bool show) override { m_view.ShowMasterOrderGroup(show); }
  void OnSelectDevice() override { m_view.OnSelectDevice(); }

  int orderCount() const override { return list()->rowCount(); }
  std::string orderText(int row, int column) const override { return list()->text(row, column).toStdString(); }
  long long orderData(int row) const override { return list()->rowValue(row); }
  void deleteAllOrders() override { list()->deleteAllRows(); }
  void insertOrder(int row, const std::string& column0) override {
    list()->insertRow(row, QString::fromStdString(column0));
  }
  void setOrderText(int row, int column, const std::string& text) override {
    list()->setText(row, column, QString::fromStdString(text));
  }
  void setOrderData(int row, long long value) override { list()->setRowValue(row, value); }

 private:
  COrderListCtrl* list() const { return m_view.orderList(); }
  CTQ740confView& m_view;
};

struct CTQ740confView::Impl {
  Impl(CTQ740confView& view, const ViewEnvironment& e)
      : env(e),
        prompt(*e.prompt),
        port(*e.prompt,
             e.deviceFactory ? e.deviceFactory
                             : SerialDeviceFactory([] { return std::make_unique<PosixSerialDevice>(); }),
             e.ports),
        modbus(image, *e.prompt),
        adapter(view) {
    port.setDiscovery(e.discovery);
  }

  ViewEnvironment env;
  UserPrompt& prompt;
  RegisterImage image;
  SerialPort port;  // m_nPort, m_hPort
  ModbusMaster modbus;
  FieldLimits limits;
  ViewFormAdapter adapter;

  int m_nDevice = -1;
  bool m_bParamsRead = false;
  int m_nSelectedOrder = -1;
  int m_nMaxOrders = kMaxOrders;

  QWidget* page = nullptr;  // the form itself, scrolled by the view
  QFont formFont;
  QFont m_fontName;
  QPixmap okIcon, errorIcon;
  std::map<int, QWidget*> controls;
  std::map<int, DigitLimitValidator*> validators;
  COrderListCtrl* m_orderList = nullptr;

  QComboBox* combo(int id) const { return qobject_cast<QComboBox*>(controls.at(id)); }
  QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(controls.at(id)); }
  QLabel* label(int id) const { return qobject_cast<QLabel*>(controls.at(id)); }
  void show(int id, bool visible) const { controls.at(id)->setVisible(visible); }
  int readInt(int id) const { return dialogInt(edit(id)->text().toStdString()); }
  void setEditText(int id, const QString& text) const {
    auto v = validators.find(id);
    if (v != validators.end())
      v->second->setProgramText(edit(id), text);
    else
      edit(id)->setText(text);
  }
  void setLimit(int id, int chars) const { validators.at(id)->setLimit(chars); }
};

void ViewFormAdapter::setEditText(int id, const std::string& text) {
  if (qobject_cast<QLineEdit*>(m_view.control(id))) m_view.d->setEditText(id, QString::fromStdString(text));
}

void ViewFormAdapter::markIndicator(int indicatorId, Mark mark) {
  if (m_view.control(indicatorId)) m_view.markField(indicatorId, mark == Mark::Ok);
}

CTQ740confView::CTQ740confView(const ViewEnvironment& env, QWidget* parent) : QScrollArea(parent) {
  assert(env.prompt && "the view needs a message seam");
  initFormResources();
  d = std::make_unique<Impl>(*this, env);
  d->modbus.setPort(&d->port);
  d->modbus.setTrace(env.trace);
  buildForm();
}

CTQ740confView::~CTQ740confView() {
  OnDisconnect();
  // The controls outlive the members they report to: stop the reports.
  d->m_orderList->disconnect(this);
}

void CTQ740confView::buildForm() {
  // The form font: the desktop's default face at the template's point size.
  d->formFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  d->formFont.setPointSize(form::kFormPointSize);
  d->page = new QWidget;
  d->page->setObjectName(QStringLiteral("form101"));
  d->page->setFont(d->formFont);

  // Dialog units scale with the form font: a horizontal unit is a quarter of
  // the average character width, a vertical unit an eighth of its height.
  const QFontMetrics fm(d->formFont);
  const int alphabet = fm.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int baseX = (alphabet / 26 + 1) / 2;
  const int baseY = fm.height();
  auto px = [baseX](int x) { return (x * baseX + 2) / 4; };
  auto py = [baseY](int y) { return (y * baseY + 4) / 8; };
  const int editHeight = py(12);

  QWidget* previous = nullptr;
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    QWidget* w = nullptr;
    const QString text = t.text ? QString::fromLatin1(t.text) : QString();
    QRect geometry(px(t.x), py(t.y), px(t.w), py(t.h));
    switch (t.kind) {
      case form::Kind::Label: {
        auto* l = new QLabel(text, d->page);
        l->setAlignment(((t.style & form::kAlignRight) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        l->setWordWrap(true);
        // The form's face may run wider than the one the template was drawn
        // for. A label whose lines would wrap beyond its height grows
        // sideways instead, away from the edge it is aligned to.
        const QRect wrapped = fm.boundingRect(QRect(0, 0, geometry.width(), 10000), Qt::TextWordWrap, text);
        const int natural = fm.boundingRect(QRect(0, 0, 10000, 10000), 0, text).width() + 1;
        if (wrapped.height() > geometry.height() && natural > geometry.width()) {
          if (t.style & form::kAlignRight)
            geometry.setLeft(geometry.right() + 1 - natural);
          else
            geometry.setWidth(natural);
        }
        w = l;
        break;
      }
      case form::Kind::Edit: {
        auto* e = new QLineEdit(d->page);
        e->setFrame(t.style & form::kBorder);
        e->setReadOnly(t.style & form::kReadOnly);
        if (t.style & form::kAlignCenter) e->setAlignment(Qt::AlignCenter);
        if (t.style & form::kNumber) {
          auto* v = new DigitLimitValidator(e);
          e->setValidator(v);
          d->validators[t.id] = v;
        }
        if (t.style & form::kReadOnly) e->setFocusPolicy(Qt::NoFocus);
        w = e;
        break;
      }
      case form::Kind::DropDown: {
        auto* c = new QComboBox(d->page);
        c->setEditable(false);
        c->setFocusPolicy(Qt::StrongFocus);
        // The closed box is as high as an edit; the rest of the template's
        // height is its opened list.
        geometry.setHeight(editHeight);
        c->setMaxVisibleItems(std::max(1, (t.h - 12) / 8));
        w = c;
        break;
      }
      case form::Kind::GroupBox:
        w = new QGroupBox(text, d->page);
        break;
      case form::Kind::Button:
        w = new QPushButton(text, d->page);
        break;
      case form::Kind::OrderList:
        d->m_orderList = new COrderListCtrl(d->page);  // bound to m_orderList
        w = d->m_orderList;
        break;
      case form::Kind::Indicator: {
        auto* l = new QLabel(d->page);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setProperty("icon", 0);
        w = l;
        break;
      }
    }
    w->setObjectName(QStringLiteral("ctl_%1").arg(t.id));
    w->setGeometry(geometry);
    d->controls[t.id] = w;
    if (w->focusPolicy() != Qt::NoFocus) {
      if (previous) QWidget::setTabOrder(previous, w);
      previous = w;
    }
  }
  d->page->setFixedSize(px(form::kFormWidth), py(form::kFormHeight));
  setWidget(d->page);
  setWidgetResizable(false);

  connect(d->combo(ctl::kMasterMode), &QComboBox::activated, this, [this] { OnMasterModeChange(); });
  connect(d->combo(ctl::kOrderFunction), &QComboBox::activated, this, [this] { OnFunctionChange(); });
  connect(d->combo(ctl::kOrderMemSel), &QComboBox::activated, this, [this] { OnMemorySelectionChange(); });
  auto button = [this](int id) { return qobject_cast<QPushButton*>(d->controls.at(id)); };
  connect(button(ctl::kAddButton), &QPushButton::clicked, this, [this] { OnAddOrder(); });
  connect(button(ctl::kInsertButton), &QPushButton::clicked, this, [this] { OnInsertOrder(); });
  connect(button(ctl::kModifyButton), &QPushButton::clicked, this, [this] { OnModifyOrder(); });
  connect(button(ctl::kDeleteButton), &QPushButton::clicked, this, [this] { OnDeleteOrder(); });
  connect(d->m_orderList, &COrderListCtrl::rowChanged, this, [this] { OnOrderItemChanged(); });
}

QWidget* CTQ740confView::control(int id) const {
  auto it = d->controls.find(id);
  return it == d->controls.end() ? nullptr : it->second;
}

ConfigForm& CTQ740confView::configForm() { return d->adapter; }
COrderListCtrl* CTQ740confView::orderList() const { return d->m_orderList; }
int CTQ740confView::selectedOrder() const { return d->m_nSelectedOrder; }
const FieldLimits& CTQ740confView::fieldLimits() const { return d->limits; }
int CTQ740confView::textLimit(int id) const {
  auto it = d->validators.find(id);
  return it == d->validators.end() ? 0 : it->second->limit();
}

int CTQ740confView::portNumber() const { return d->port.portNumber(); }
bool CTQ740confView::isPortOpen() const { return d->port.isOpen(); }
int CTQ740confView::selectedDevice() const { return d->m_nDevice; }
bool CTQ740confView::paramsRead() const { return d->m_bParamsRead; }
const PortMap& CTQ740confView::portMap() const { return d->port.ports(); }
void CTQ740confView::setPortMap(const PortMap& ports) { d->port.setPorts(ports); }
QString CTQ740confView::openPortPath() const { return QString::fromStdString(d->port.openPath()); }

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

  d->okIcon = QPixmap(QStringLiteral(":/indicators/ok_132.xpm"));
  d->errorIcon = QPixmap(QStringLiteral(":/indicators/error_131.xpm"));

  // The Name field's own face. Where the platform has no face of that name,
  // font matching substitutes one; if that is the form's face, bold keeps
  // the two apart.
  d->m_fontName = QFont(QStringLiteral("System"));
  if (QFontInfo(d->m_fontName).family() == QFontInfo(d->formFont).family()) d->m_fontName.setBold(true);
  d->controls.at(ctl::kName)->setFont(d->m_fontName);

  // The choice lists are filled once; a later initialisation keeps them.
  auto fill = [this](std::initializer_list<int> ids, const auto& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
      for (int id : ids)
        if (d->combo(id)->count() < static_cast<int>(list.size())) d->combo(id)->addItem(qs(list[i]));
  };
  fill({ctl::kCom1Parity, ctl::kCom2Parity, ctl::kCom3Parity, ctl::kCom4Parity}, domain::ParityList);
  fill({ctl::kCom1Baud, ctl::kCom2Baud, ctl::kCom3Baud, ctl::kCom4Baud}, domain::BaudRateList);
  fill({ctl::kCom1SlaveMode, ctl::kCom2SlaveMode, ctl::kCom3SlaveMode}, domain::SlaveModeList);
  fill({ctl::kMasterMode}, domain::MasterModeList);
  fill({ctl::kOrderFunction}, domain::FunctionList);
  fill({ctl::kOrderMemSel}, domain::MemorySelectionList);

  for (const TextLimit& t : kTextLimits) d->setLimit(t.controlId, t.chars);
  d->m_nSelectedOrder = -1;
  d->limits.setDefaults();
  d->m_nMaxOrders = kMaxOrders;
  // The labels that the dependent rules rewrite go back with their ranges.
  for (int id : {ctl::kOrderFunctionLabel, ctl::kOrderRegCountLabel, ctl::kOrderMemAddrLabel})
    d->label(id)->setText(QString::fromLatin1(form::findControl(id)->text));

  d->m_orderList->createColumns();
}

void CTQ740confView::HideDeviceControls() {
  HideAllIndicators();
  for (int id : form::kDeviceControls) d->show(id, false);
  ShowMasterOrderGroup(false);
}

void CTQ740confView::HideAllIndicators() {
  HideOrderIndicators();
  for (int id : form::kFieldIndicators) d->show(id, false);
}

void CTQ740confView::HideOrderIndicators() {
  for (int id : form::kOrderIndicators) d->show(id, false);
}

void CTQ740confView::ShowMasterOrderGroup(bool show) {
  for (int id : form::kMasterOrderGroup) d->show(id, show);
}

void CTQ740confView::OnSelectDevice() {
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  HideDeviceControls();
  d->m_nDevice = 0;
  const DeviceType& type = DeviceTypeTable[static_cast<std::size_t>(d->m_nDevice)];
  d->setEditText(ctl::kSymbol, qs(type.typeLabel));
  d->setEditText(ctl::kName, qs(type.description));
  for (int id : form::kDeviceControls) d->show(id, true);
  ShowMasterOrderGroup(true);

  ConfigForm& f = d->adapter;
  for (int id : {ctl::kCom1Parity, ctl::kCom2Parity, ctl::kCom3Parity, ctl::kCom4Parity, ctl::kCom1Baud,
                 ctl::kCom2Baud, ctl::kCom3Baud, ctl::kCom4Baud})
    f.setComboIndex(id, -1);
  for (int id : {ctl::kCom1Redirect, ctl::kCom2Redirect, ctl::kCom3Redirect, ctl::kCom1SlaveAddr,
                 ctl::kCom2SlaveAddr, ctl::kCom3SlaveAddr})
    f.setEditText(id, {});
  for (int id : {ctl::kCom1SlaveMode, ctl::kCom2SlaveMode, ctl::kCom3SlaveMode, ctl::kMasterMode})
    f.setComboIndex(id, -1);
  for (int id : {ctl::kMasterPoolTime, ctl::kMasterTimeout, ctl::kMasterMaxErrors, ctl::kOrderSlaveAddr})
    f.setEditText(id, {});
  f.setComboIndex(ctl::kOrderFunction, -1);
  for (int id : {ctl::kOrderStart, ctl::kOrderRegCount, ctl::kOrderMemAddr}) f.setEditText(id, {});
  f.setComboIndex(ctl::kOrderMemSel, -1);

  d->m_orderList->deleteAllRows();
  showOrderCount();
  // Hiding the control that had the keyboard focus moved the focus on, and
  // the scroll area followed it: back to the origin.
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
}

void CTQ740confView::OnMasterModeChange() {
  switch (d->combo(ctl::kMasterMode)->currentIndex()) {
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

void CTQ740confView::OnAutoSelect() {
  if (!isPortOpen()) return;
  DeviceContext ctx{d->modbus, d->prompt, d->adapter, d->limits};
  if (AutoSelect(ctx)) d->m_bParamsRead = true;
}

void CTQ740confView::OnReadParameters() {
  if (!isPortOpen() || d->m_nDevice == -1) return;
  DeviceContext ctx{d->modbus, d->prompt, d->adapter, d->limits};
  if (ReadParameters(ctx)) d->m_bParamsRead = true;
}

void CTQ740confView::OnWriteParameters() {
  if (!isPortOpen() || !d->m_bParamsRead) return;
  DeviceContext ctx{d->modbus, d->prompt, d->adapter, d->limits};
  WriteParameters(ctx);
}

void CTQ740confView::OnReadFirmwareVersion() {
  if (!isPortOpen()) return;
  ReadFirmwareVersion(d->modbus, d->prompt);
}

void CTQ740confView::loadConfiguration(const Configuration& config) {
  OnSelectDevice();
  FormTransfer(d->adapter, d->limits).show(config);
  d->m_bParamsRead = true;
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

// ---------------------------------------------------------------------------
// Master order list editor

// Marking a field: show its indicator, then set the OK or the error icon.
void CTQ740confView::markField(int indicatorId, bool ok) {
  QLabel* icon = d->label(indicatorId);
  icon->show();
  icon->setPixmap(ok ? d->okIcon : d->errorIcon);
  icon->setProperty("icon", ok ? kOkIcon : kErrorIcon);
}

void CTQ740confView::OnFunctionChange() {
  FunctionRuleResult r;
  if (!functionRule(d->combo(ctl::kOrderFunction)->currentIndex(), r)) return;
  d->limits.setEntry(limit_entry::kOrderRegCount, r.regCount);
  d->setLimit(ctl::kOrderRegCount, r.chars);
  d->label(ctl::kOrderRegCountLabel)->setText(qs(r.label));
}

void CTQ740confView::OnMemorySelectionChange() {
  MemoryRuleResult r;
  if (!memorySelectionRule(d->combo(ctl::kOrderMemSel)->currentIndex(), r)) return;
  d->limits.setEntry(limit_entry::kOrderMemAddr, r.memAddress);
  d->setLimit(ctl::kOrderMemAddr, r.chars);
  d->label(ctl::kOrderMemAddrLabel)->setText(qs(r.memLabel));
  d->label(ctl::kOrderFunctionLabel)->setText(qs(r.functionLabel));
}

bool CTQ740confView::ValidateOrderEditor() {
  bool allValid = true;
  // A number field is read, written back in its canonical form and checked
  // against its range.
  auto number = [&](int editId, int indicatorId, int entry) {
    const int v = d->readInt(editId);
    d->setEditText(editId, QString::number(v));
    const bool ok = d->limits.entry(entry).contains(v);
    markField(indicatorId, ok);
    allValid = allValid && ok;
  };
  number(ctl::kOrderSlaveAddr, ctl::kIndOrderSlaveAddr, limit_entry::kOrderSlaveAddr);

  const bool functionOk = functionCompatible(d->combo(ctl::kOrderFunction)->currentIndex(),
                                             d->combo(ctl::kOrderMemSel)->currentIndex());
  markField(ctl::kIndOrderFunction, functionOk);
  allValid = allValid && functionOk;

  number(ctl::kOrderStart, ctl::kIndOrderStart, limit_entry::kOrderStart);
  number(ctl::kOrderRegCount, ctl::kIndOrderRegCount, limit_entry::kOrderRegCount);
  number(ctl::kOrderMemAddr, ctl::kIndOrderMemAddr, limit_entry::kOrderMemAddr);

  const bool memSelOk = d->combo(ctl::kOrderMemSel)->currentIndex() != -1;
  markField(ctl::kIndOrderMemSel, memSelOk);
  allValid = allValid && memSelOk;
  return allValid;
}

// Columns 1 to 6 and the per-row value of a row from the editor fields, taken
// as they stand. No function chosen stores an empty "Fun" text; a memory
// selection of -1 shows as the number itself.
void CTQ740confView::fillRow(int row) {
  COrderListCtrl* list = d->m_orderList;
  list->setText(row, 1, d->edit(ctl::kOrderSlaveAddr)->text());
  QComboBox* function = d->combo(ctl::kOrderFunction);
  list->setText(row, 2, function->currentIndex() >= 0 ? function->currentText() : QString());
  list->setText(row, 3, d->edit(ctl::kOrderStart)->text());
  list->setText(row, 4, d->edit(ctl::kOrderRegCount)->text());
  list->setText(row, 5, d->edit(ctl::kOrderMemAddr)->text());
  list->setRowValue(row, d->combo(ctl::kOrderMemSel)->currentIndex());
  list->setText(row, 6, QString::fromStdString(domain::memorySelectionText(list->rowValue(row))));
}

void CTQ740confView::renumberFrom(int row) {
  for (int r = std::max(row, 0); r < d->m_orderList->rowCount(); ++r)
    d->m_orderList->setText(r, 0, QString::number(r + 1));
}

void CTQ740confView::showOrderCount() {
  d->setEditText(ctl::kOrderCount, QString::number(d->m_orderList->rowCount()));
}

void CTQ740confView::OnAddOrder() {
  COrderListCtrl* list = d->m_orderList;
  const int n = list->rowCount();
  if (n == d->m_nMaxOrders) {
    d->prompt.message("message 48\n\nOrder list is full.", MsgKind::Error);
    return;
  }
  if (!ValidateOrderEditor()) {
    d->prompt.message("message 49\n\nInvalid parameters.", MsgKind::Error);
    return;
  }
  list->insertRow(n, QString::number(n + 1));
  fillRow(n);
  list->setRowSelectedFocused(n);
  d->m_nSelectedOrder = n;
  list->scrollByPixels(list->rowCount() * list->rowHeightPx(n));
  showOrderCount();
}

void CTQ740confView::OnInsertOrder() {
  COrderListCtrl* list = d->m_orderList;
  const int s = d->m_nSelectedOrder;
  const int n = list->rowCount();
  // A remembered row beyond the end of the list (it was emptied or rebuilt
  // shorter since) counts as none; one just past the last row appends.
  if (s < 0 || s > n) {
    OnAddOrder();
    return;
  }
  if (n == d->m_nMaxOrders) {
    d->prompt.message("message 51\n\nOrder list is full.", MsgKind::Error);
    return;
  }
  list->insertRow(s, QString());
  fillRow(s);
  renumberFrom(s);
  list->setRowSelectedFocused(s);
  showOrderCount();
}

void CTQ740confView::OnModifyOrder() {
  COrderListCtrl* list = d->m_orderList;
  const int s = d->m_nSelectedOrder;
  if (s < 0 || s >= list->rowCount()) return;
  if (d->prompt.message("message 52\n\nDo you really want to modify this order?", MsgKind::Question,
                        /*defaultNo=*/true) != MsgAnswer::Yes)
    return;
  fillRow(s);
}

void CTQ740confView::OnDeleteOrder() {
  COrderListCtrl* list = d->m_orderList;
  const int s = d->m_nSelectedOrder;
  if (s < 0 || s >= list->rowCount()) return;
  if (d->prompt.message("message 50\n\nDo you really want to delete this order?", MsgKind::Question,
                        /*defaultNo=*/true) != MsgAnswer::Yes)
    return;
  list->deleteRow(s);
  renumberFrom(s);
  const int t = std::min(s, list->rowCount() - 1);
  if (t >= 0) list->setRowSelectedFocused(t);
  showOrderCount();
}

void CTQ740confView::OnOrderItemChanged() {
  COrderListCtrl* list = d->m_orderList;
  const int top = list->topIndex();
  const int k = list->countPerPage();
  for (int r = top; r <= top + k - 1 && r < list->rowCount(); ++r) {
    if (!list->isRowSelected(r) || r == d->m_nSelectedOrder) continue;
    d->m_nSelectedOrder = r;
    // The first item whose text begins with the column's text; no match
    // (or an empty text) leaves the drop-down as it was.
    auto selectPrefix = [](QComboBox* box, const QString& text) {
      if (text.isEmpty()) return;
      for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
          box->setCurrentIndex(i);
          return;
        }
    };
    d->setEditText(ctl::kOrderSlaveAddr, list->text(r, 1));
    selectPrefix(d->combo(ctl::kOrderFunction), list->text(r, 2));
    d->setEditText(ctl::kOrderStart, list->text(r, 3));
    d->setEditText(ctl::kOrderRegCount, list->text(r, 4));
    d->setEditText(ctl::kOrderMemAddr, list->text(r, 5));
    selectPrefix(d->combo(ctl::kOrderMemSel), list->text(r, 6));
  }
  HideOrderIndicators();
}
