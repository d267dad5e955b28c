// The configuration form: its controls, visibility states, device selection,
// repeated initialisation, master mode, number edits and device commands.
#include <QFontInfo>
#include <QGroupBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeWidget>
#include <set>

#include "form/form_template.h"
#include "model/field_domains.h"
#include "ops/config_form.h"
#include "sim/sim_module.h"
#include "tests/form/form_fixture.h"

namespace {

const std::set<int> kRightAligned = {1026, 1027, 1028, 1033, 1034, 1035, 1048, 1049,
                                     1051, 1065, 1067, 1069, 1072, 1073, 1076, 1077};

const std::vector<int> kNumberEdits = {1036, 1037, 1038, 1030, 1031, 1032, 1047,
                                       1050, 1052, 1066, 1070, 1071, 1074};

const std::vector<int> kDropDowns = {1011, 1015, 1019, 1023, 1056, 1057, 1058,
                                     1059, 1042, 1043, 1044, 1046, 1068, 1075};

template <std::size_t N>
std::vector<std::string> items(const std::array<std::string_view, N>& list) {
  return {list.begin(), list.end()};
}

using FormView = FormFixture;

std::vector<std::string> itemsOf(QComboBox* box) {
  std::vector<std::string> out;
  for (int i = 0; i < box->count(); ++i) out.push_back(box->itemText(i).toStdString());
  return out;
}

TEST_F(FormView, TemplateControlsHaveTheirKindsTextsAlignmentAndProportionalPositions) {
  std::set<int> ids;
  // Pixels per dialog unit, from the size of the whole form.
  const double sx = double(view->widget()->width()) / form::kFormWidth;
  const double sy = double(view->widget()->height()) / form::kFormHeight;
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    SCOPED_TRACE(t.id);
    ids.insert(t.id);
    QWidget* w = view->control(t.id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName().toStdString(), "ctl_" + std::to_string(t.id));
    // A label that grew to fit its text keeps the edge it is aligned to.
    if (kRightAligned.count(t.id))
      EXPECT_NEAR(w->x() + w->width(), (t.x + t.w) * sx, 2.5);
    else
      EXPECT_NEAR(w->x(), t.x * sx, 1.5);
    EXPECT_NEAR(w->y(), t.y * sy, 1.5);
    switch (t.kind) {
      case form::Kind::Label: {
        auto* l = qobject_cast<QLabel*>(w);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->text().toStdString(), t.text);
        EXPECT_EQ(bool(l->alignment() & Qt::AlignRight), kRightAligned.count(t.id) == 1);
        break;
      }
      case form::Kind::GroupBox:
        ASSERT_NE(qobject_cast<QGroupBox*>(w), nullptr);
        EXPECT_EQ(qobject_cast<QGroupBox*>(w)->title().toStdString(), t.text);
        break;
      case form::Kind::Button:
        EXPECT_EQ(qobject_cast<QPushButton*>(w)->text().toStdString(), t.text);
        break;
      case form::Kind::Edit: {
        auto* e = qobject_cast<QLineEdit*>(w);
        ASSERT_NE(e, nullptr);
        const bool number = std::find(kNumberEdits.begin(), kNumberEdits.end(), t.id) != kNumberEdits.end();
        EXPECT_EQ(e->isReadOnly(), !number);
        EXPECT_EQ(e->hasFrame(), t.id != 1000);
        break;
      }
      case form::Kind::DropDown:
        ASSERT_NE(qobject_cast<QComboBox*>(w), nullptr);
        EXPECT_FALSE(qobject_cast<QComboBox*>(w)->isEditable());
        break;
      case form::Kind::OrderList:
        EXPECT_EQ(w, list());
        EXPECT_EQ(list()->selectionMode(), QAbstractItemView::SingleSelection);
        break;
      case form::Kind::Indicator:
        EXPECT_NE(qobject_cast<QLabel*>(w), nullptr);
        break;
    }
  }
  EXPECT_EQ(ids.size(), 100u);
  EXPECT_EQ(view->control(999), nullptr);
  for (int id : {1000, 1003, 1005, 1007})
    EXPECT_TRUE(qobject_cast<QLineEdit*>(view->control(id))->alignment() & Qt::AlignHCenter) << id;
}

TEST_F(FormView, KeyboardOrderFollowsTheTemplate) {
  view->OnSelectDevice();
  std::vector<QWidget*> focusable;
  for (const form::ControlTemplate& t : form::kFormTemplate)
    if (view->control(t.id)->focusPolicy() & Qt::TabFocus) focusable.push_back(view->control(t.id));
  ASSERT_GT(focusable.size(), 30u);
  for (std::size_t i = 0; i + 1 < focusable.size(); ++i) {
    QWidget* next = focusable[i]->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(view.get())) next = next->nextInFocusChain();
    EXPECT_EQ(next, focusable[i + 1]) << focusable[i]->objectName().toStdString();
  }
}

TEST_F(FormView, InitialisationLeavesTheFormBlank) {
  for (const form::ControlTemplate& t : form::kFormTemplate)
    EXPECT_FALSE(view->control(t.id)->isVisibleTo(view.get())) << t.id;
  EXPECT_EQ(view->selectedDevice(), -1);
  EXPECT_FALSE(view->paramsRead());
  EXPECT_FALSE(view->isPortOpen());
  EXPECT_EQ(view->selectedOrder(), -1);
  EXPECT_TRUE(prompt.m_messages.empty());
}

TEST_F(FormView, DeviceSelectionShowsTheResetForm) {
  view->OnSelectDevice();
  EXPECT_EQ(view->selectedDevice(), 0);
  EXPECT_EQ(text(ctl::kName), "3xModBus RTU Slave - 1x ModBus RTU Master");
  EXPECT_EQ(text(ctl::kSymbol), "TQ-740-0");
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    const bool indicator = t.kind == form::Kind::Indicator;
    EXPECT_EQ(view->control(t.id)->isVisibleTo(view.get()), !indicator) << t.id;
  }
  for (int id : kDropDowns) EXPECT_EQ(combo(id)->currentIndex(), -1) << id;
  for (int id : kNumberEdits) EXPECT_EQ(text(id), "") << id;
  EXPECT_EQ(text(ctl::kOrderCount), "0");
  EXPECT_EQ(list()->rowCount(), 0);

  // The Name field has a face of its own, distinct from the form's.
  const QFontInfo name(view->control(ctl::kName)->font());
  const QFontInfo formFont(view->control(ctl::kSymbol)->font());
  EXPECT_TRUE(name.family() != formFont.family() || name.bold() != formFont.bold());
}

TEST_F(FormView, DropDownsListTheirItemsInOrderWithoutSelection) {
  for (int id : {1011, 1015, 1019, 1023}) EXPECT_EQ(itemsOf(combo(id)), items(domain::ParityList));
  for (int id : {1056, 1057, 1058, 1059}) EXPECT_EQ(itemsOf(combo(id)), items(domain::BaudRateList));
  for (int id : {1042, 1043, 1044}) EXPECT_EQ(itemsOf(combo(id)), items(domain::SlaveModeList));
  EXPECT_EQ(itemsOf(combo(1046)), items(domain::MasterModeList));
  EXPECT_EQ(itemsOf(combo(1068)), items(domain::FunctionList));
  EXPECT_EQ(itemsOf(combo(1075)), items(domain::MemorySelectionList));
  // "38000" is the sixth baud rate.
  view->OnSelectDevice();
  choose(ctl::kCom1Baud, 5);
  EXPECT_EQ(combo(ctl::kCom1Baud)->currentText(), "38000");
}

TEST_F(FormView, DeviceSelectionAgainEmptiesFieldsButKeepsReadValuesAndRuleState) {
  view->OnSelectDevice();
  addRows(3);
  choose(ctl::kOrderFunction, 5);  // "6": registers 1..1
  choose(ctl::kCom1Parity, 2);
  type(ctl::kMasterPoolTime, "500");
  view->configForm().setEditText(ctl::kProductCode, "302010301");
  view->configForm().setEditText(ctl::kProgramVersion, "1.5");
  view->resize(300, 200);
  QTest::qWait(0);
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  ASSERT_GT(view->verticalScrollBar()->value(), 0);

  view->OnSelectDevice();
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);
  EXPECT_EQ(view->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(combo(ctl::kCom1Parity)->currentIndex(), -1);
  EXPECT_EQ(combo(ctl::kOrderFunction)->currentIndex(), -1);
  EXPECT_EQ(text(ctl::kMasterPoolTime), "");
  EXPECT_EQ(list()->rowCount(), 0);
  EXPECT_EQ(text(ctl::kOrderCount), "0");
  EXPECT_EQ(text(ctl::kProductCode), "302010301");
  EXPECT_EQ(text(ctl::kProgramVersion), "1.5");
  EXPECT_EQ(text(ctl::kOrderRegCountLabel), "No. of Registers\nonly 1");
  EXPECT_EQ(view->fieldLimits().entry(12).max, 1);
  EXPECT_EQ(view->selectedOrder(), 2);
}

TEST_F(FormView, SecondInitialisationReturnsToBlankWithItemsAndColumnsOnce) {
  view->OnSelectDevice();
  choose(ctl::kOrderFunction, 5);
  choose(ctl::kOrderMemSel, 1);
  view->OnConnectCom(1);
  ASSERT_TRUE(view->isPortOpen());
  QSignalSpy title(view.get(), &CTQ740confView::documentTitleRequested);

  view->OnInitialUpdate();
  ASSERT_EQ(title.count(), 1);
  EXPECT_EQ(title.at(0).at(0).toString(), "Kestra");
  EXPECT_FALSE(view->isPortOpen());  // closed as Disconnect does, not lost
  EXPECT_EQ(view->portNumber(), 0);
  EXPECT_EQ(script->closes, 1);
  EXPECT_EQ(view->selectedDevice(), -1);
  for (const form::ControlTemplate& t : form::kFormTemplate)
    EXPECT_FALSE(view->control(t.id)->isVisibleTo(view.get())) << t.id;
  // Ranges, limits and the labels that show them are back to their defaults.
  EXPECT_EQ(view->fieldLimits().entry(12).max, 120);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 8000);
  EXPECT_EQ(view->textLimit(ctl::kOrderRegCount), 3);
  EXPECT_EQ(text(ctl::kOrderRegCountLabel), "No. of Registers\n1..120");
  EXPECT_EQ(text(ctl::kOrderFunctionLabel), "Function");

  view->OnSelectDevice();
  EXPECT_EQ(itemsOf(combo(1011)), items(domain::ParityList));
  EXPECT_EQ(itemsOf(combo(1059)), items(domain::BaudRateList));
  EXPECT_EQ(itemsOf(combo(1044)), items(domain::SlaveModeList));
  EXPECT_EQ(itemsOf(combo(1046)), items(domain::MasterModeList));
  EXPECT_EQ(itemsOf(combo(1068)), items(domain::FunctionList));
  EXPECT_EQ(itemsOf(combo(1075)), items(domain::MemorySelectionList));
  ASSERT_EQ(list()->columnCount(), 7);
  const std::vector<std::string> titles = {"No.",         "Sl Addr",  "Fun",          "St Addr",
                                           "No. of Regs", "Mem Addr", "Mem Selection"};
  for (int c = 0; c < 7; ++c) {
    const QString title = list()->headerItem()->text(c);
    EXPECT_EQ(title.toStdString(), titles[c]);
    EXPECT_EQ(list()->columnWidth(c), list()->fontMetrics().horizontalAdvance("0" + title + "0"));
    EXPECT_EQ(bool(list()->headerItem()->textAlignment(c) & Qt::AlignRight), c != 6);
  }
}

TEST_F(FormView, MasterModeChoiceHidesAndShowsTheOrderGroup) {
  view->OnSelectDevice();
  addRows(2);
  click(ctl::kAddButton);  // the editor still holds the last row: a third row
  type(ctl::kOrderSlaveAddr, "");
  click(ctl::kAddButton);  // message 49: the order indicators are shown
  ASSERT_EQ(mark(ctl::kIndOrderSlaveAddr), 131);

  choose(ctl::kMasterMode, 1);  // "Catch mode"
  for (int id : form::kMasterOrderGroup) EXPECT_FALSE(view->control(id)->isVisibleTo(view.get())) << id;
  for (int id : form::kOrderIndicators) EXPECT_EQ(mark(id), 0) << id;
  EXPECT_TRUE(view->control(ctl::kMasterPoolTime)->isVisibleTo(view.get()));

  choose(ctl::kMasterMode, 0);  // "Normal mode"
  for (int id : form::kMasterOrderGroup) EXPECT_TRUE(view->control(id)->isVisibleTo(view.get())) << id;
  for (int id : form::kOrderIndicators) EXPECT_EQ(mark(id), 0) << id;
  EXPECT_EQ(list()->rowCount(), 3);
  EXPECT_EQ(text(ctl::kOrderSlaveAddr), "0");

  // A selection made by the program is no choice of the user's.
  view->configForm().setComboIndex(ctl::kMasterMode, 1);
  EXPECT_TRUE(view->control(ctl::kOrderList)->isVisibleTo(view.get()));
}

TEST_F(FormView, NumberEditsTakeDigitsUpToTheirLimitWithoutShorteningProgramText) {
  view->OnSelectDevice();
  for (const TextLimit& t : kTextLimits) {
    SCOPED_TRACE(t.controlId);
    type(t.controlId, "12x-3456789");
    EXPECT_EQ(text(t.controlId), std::string("123456789").substr(0, static_cast<std::size_t>(t.chars)));
  }
  // Text put in by the program stays whole; the user may shorten it only.
  view->configForm().setEditText(ctl::kCom1SlaveAddr, "123456");
  EXPECT_EQ(text(ctl::kCom1SlaveAddr), "123456");
  QLineEdit* e = edit(ctl::kCom1SlaveAddr);
  e->setFocus();
  e->end(false);
  QTest::keyClick(e, Qt::Key_7);
  EXPECT_EQ(text(ctl::kCom1SlaveAddr), "123456");
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(text(ctl::kCom1SlaveAddr), "12345");
}

TEST_F(FormView, DeviceCommandsRunAgainstTheModuleAndPortClosesWithTheView) {
  SimModule sim;
  sim.setOrders(4);
  script->responder = [&sim](const std::vector<std::uint8_t>& request) {
    return sim.handle(request.data(), request.size()).bytes;
  };
  view->OnConnectCom(2);
  ASSERT_TRUE(view->isPortOpen());
  EXPECT_EQ(view->portNumber(), 2);
  view->OnConnectCom(1);  // a port is open already: nothing happens
  EXPECT_EQ(view->portNumber(), 2);

  view->OnAutoSelect();
  EXPECT_EQ(view->selectedDevice(), 0);
  EXPECT_TRUE(view->paramsRead());
  EXPECT_EQ(text(ctl::kProductCode), "302010301");
  EXPECT_EQ(list()->rowCount(), 4);
  EXPECT_EQ(text(ctl::kOrderCount), "4");
  EXPECT_EQ(prompt.numbers().back(), 57);

  prompt.clear();
  view->OnWriteParameters();
  ASSERT_FALSE(prompt.m_messages.empty());
  EXPECT_EQ(prompt.m_messages.back().kind, MsgKind::Information) << prompt.m_messages.back().text;

  view->OnDisconnect();
  EXPECT_FALSE(view->isPortOpen());
  EXPECT_TRUE(view->paramsRead());
  view->OnConnectCom(3);
  const int closes = script->closes;
  view.reset();
  EXPECT_EQ(script->closes, closes + 1);
}

}  // namespace
