// The configuration form: its controls, visibility states, device selection,
// repeated initialisation, master mode, number edits and device commands.
#include <QFontInfo>
#include <QGroupBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTreeWidget>
#include <functional>
#include <set>

#include "form/form_group_box.h"
#include "form/form_template.h"
#include "model/config_fields.h"
#include "model/field_domains.h"
#include "model/order_fields.h"
#include "model/register_map.h"
#include "ops/config_form.h"
#include "tests/form/form_fixture.h"

namespace {

const std::set<int> kRightAligned = {1026, 1027, 1028, 1033, 1034, 1035, 1048, 1049,
                                     1051, 1065, 1067, 1069, 1072, 1073, 1076, 1077};

const std::vector<int> kNumberEdits = {1036, 1037, 1038, 1030, 1031, 1032, 1047,
                                       1050, 1052, 1066, 1070, 1071, 1074};

const std::vector<int> kDropDowns = {1011, 1015, 1019, 1023, 1056, 1057, 1058,
                                     1059, 1042, 1043, 1044, 1046, 1068, 1075};

using FormView = FormFixture;

// The name a field row gives is what the form's label shows above any range
// line, and no two fields share a name.
TEST(FieldTables, LabelsAreTheFormsOwnLabelTexts) {
  std::set<std::string_view> names;
  const auto check = [&](std::string_view label, int labelId) {
    SCOPED_TRACE(labelId);
    const form::ControlTemplate* c = form::findControl(labelId);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, form::Kind::Label);
    const std::string_view text(c->text);
    EXPECT_EQ(text.substr(0, text.find('\n')), label);
    EXPECT_TRUE(names.insert(label).second) << label;
  };
  for (const ConfigField& f : kConfigFields) check(f.label, f.labelId);
  for (const OrderFieldInfo& f : kOrderFields) check(f.label, f.labelId);
}

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
    // An indicator moves along when its drop-down grows to show its items.
    if (kRightAligned.count(t.id))
      EXPECT_NEAR(w->x() + w->width(), (t.x + t.w) * sx, 2.5);
    else if (t.kind == form::Kind::Indicator)
      EXPECT_GE(w->x() + 1.5, t.x * sx);
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
  // The read-only edits are tab stops too: the user may tab to the product
  // code and copy it.
  for (int id : {1000, 1003, 1005, 1007, 1078})
    EXPECT_NE(std::find(focusable.begin(), focusable.end(), view->control(id)), focusable.end()) << id;
  for (std::size_t i = 0; i + 1 < focusable.size(); ++i) {
    QWidget* next = focusable[i]->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(view.get()))
      next = next->nextInFocusChain();
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
  EXPECT_EQ(text(ids::kName), "3xModBus RTU Slave - 1x ModBus RTU Master");
  EXPECT_EQ(text(ids::kSymbol), "TQ-740-0");
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    const bool indicator = t.kind == form::Kind::Indicator;
    EXPECT_EQ(view->control(t.id)->isVisibleTo(view.get()), !indicator) << t.id;
  }
  for (int id : kDropDowns) EXPECT_EQ(combo(id)->currentIndex(), -1) << id;
  for (int id : kNumberEdits) EXPECT_EQ(text(id), "") << id;
  EXPECT_EQ(text(ids::kOrderCount), "0");
  EXPECT_EQ(list()->rowCount(), 0);

  // The Name field has a face of its own, distinct from the form's.
  const QFontInfo name(view->control(ids::kName)->font());
  const QFontInfo formFont(view->control(ids::kSymbol)->font());
  EXPECT_TRUE(name.family() != formFont.family() || name.bold() != formFont.bold());
}

// The expected lists are written out here, not taken from the tables that the
// form is built from, so that a wrong table is caught.
const std::vector<std::string> kParity = {"8N1", "8E1", "8O1", "9N1", "8N2", "8E2", "8O2", "9N2"};
const std::vector<std::string> kBaud = {"1200", "2400", "4800", "9600", "19200", "38000", "57600", "115200"};
const std::vector<std::string> kSlaveMode = {"Normal mode", "Catch slave address mode",
                                             "Catch all address mode", "Redirect slave address mode",
                                             "Redirect all address mode"};
const std::vector<std::string> kMasterMode = {"Normal mode", "Catch mode"};
const std::vector<std::string> kFunction = {"1", "2", "3", "4", "5", "6", "15", "16"};
const std::vector<std::string> kMemSel = {"Data memory", "Errors registers"};

void expectAllItemsOnce(const std::function<QComboBox*(int)>& combo) {
  for (int id : {1011, 1015, 1019, 1023}) EXPECT_EQ(itemsOf(combo(id)), kParity) << id;
  for (int id : {1056, 1057, 1058, 1059}) EXPECT_EQ(itemsOf(combo(id)), kBaud) << id;
  for (int id : {1042, 1043, 1044}) EXPECT_EQ(itemsOf(combo(id)), kSlaveMode) << id;
  EXPECT_EQ(itemsOf(combo(1046)), kMasterMode);
  EXPECT_EQ(itemsOf(combo(1068)), kFunction);
  EXPECT_EQ(itemsOf(combo(1075)), kMemSel);
}

TEST_F(FormView, DropDownsListTheirItemsInOrderWithoutSelection) {
  expectAllItemsOnce([this](int id) { return combo(id); });
  // Filling a drop-down selects nothing.
  for (int id : kDropDowns) EXPECT_EQ(combo(id)->currentIndex(), -1) << id;
  view->OnSelectDevice();
  choose(ids::kCom1Baud, 5);
  EXPECT_EQ(combo(ids::kCom1Baud)->currentText(), "38000");
}

TEST_F(FormView, DeviceSelectionAgainEmptiesFieldsButKeepsReadValuesAndRuleState) {
  view->OnSelectDevice();
  addRows(3);
  choose(ids::kOrderFunction, 5);  // "6": registers 1..1
  choose(ids::kCom1Parity, 2);
  type(ids::kMasterPoolTime, "500");
  view->configForm().setEditText(ids::kProductCode, "302010301");
  view->configForm().setEditText(ids::kProgramVersion, "1.5");
  view->resize(300, 200);
  QTest::qWait(0);
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  ASSERT_GT(view->verticalScrollBar()->value(), 0);

  view->OnSelectDevice();
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);
  EXPECT_EQ(view->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(combo(ids::kCom1Parity)->currentIndex(), -1);
  EXPECT_EQ(combo(ids::kOrderFunction)->currentIndex(), -1);
  EXPECT_EQ(text(ids::kMasterPoolTime), "");
  EXPECT_EQ(list()->rowCount(), 0);
  EXPECT_EQ(text(ids::kOrderCount), "0");
  EXPECT_EQ(text(ids::kProductCode), "302010301");
  EXPECT_EQ(text(ids::kProgramVersion), "1.5");
  EXPECT_EQ(text(ids::kOrderRegCountLabel), "No. of Registers\nonly 1");
  EXPECT_EQ(view->fieldLimits().entry(12).max, 1);
  // The emptied list takes the remembered row and the editor's fields along.
  EXPECT_EQ(view->selectedOrder(), -1);
  for (int id : {ids::kOrderSlaveAddr, ids::kOrderStart, ids::kOrderRegCount, ids::kOrderMemAddr})
    EXPECT_EQ(text(id), "") << id;
  EXPECT_EQ(combo(ids::kOrderMemSel)->currentIndex(), -1);
}

TEST_F(FormView, SecondInitialisationReturnsToBlankWithItemsAndColumnsOnce) {
  view->OnSelectDevice();
  choose(ids::kOrderFunction, 5);
  choose(ids::kOrderMemSel, 1);
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
  EXPECT_EQ(view->textLimit(ids::kOrderRegCount), 3);
  EXPECT_EQ(text(ids::kOrderRegCountLabel), "No. of Registers\n1..120");
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function");

  view->OnSelectDevice();
  expectAllItemsOnce([this](int id) { return combo(id); });
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
  click(ids::kAddButton);  // the editor still holds the last row: a third row
  type(ids::kOrderSlaveAddr, "");
  click(ids::kAddButton);  // message 49: the order indicators are shown
  ASSERT_EQ(mark(ids::kIndOrderSlaveAddr), 131);

  choose(ids::kMasterMode, 1);  // "Catch mode"
  for (int id : form::kMasterOrderGroup) EXPECT_FALSE(view->control(id)->isVisibleTo(view.get())) << id;
  for (int id : form::kOrderIndicators) EXPECT_EQ(mark(id), 0) << id;
  EXPECT_TRUE(view->control(ids::kMasterPoolTime)->isVisibleTo(view.get()));

  choose(ids::kMasterMode, 0);  // "Normal mode"
  for (int id : form::kMasterOrderGroup) EXPECT_TRUE(view->control(id)->isVisibleTo(view.get())) << id;
  for (int id : form::kOrderIndicators) EXPECT_EQ(mark(id), 0) << id;
  EXPECT_EQ(list()->rowCount(), 3);
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "0");

  // A selection made by the program is no choice of the user's.
  view->configForm().setComboIndex(ids::kMasterMode, 1);
  EXPECT_TRUE(view->control(ids::kOrderList)->isVisibleTo(view.get()));
}

TEST_F(FormView, NumberEditsTakeDigitsUpToTheirLimitWithoutShorteningProgramText) {
  view->OnSelectDevice();
  const std::pair<int, std::size_t> limits[] = {{1036, 5}, {1037, 5}, {1038, 5}, {1030, 3}, {1031, 3},
                                                {1032, 3}, {1047, 5}, {1050, 5}, {1052, 3}, {1066, 3},
                                                {1070, 5}, {1071, 3}, {1074, 4}};
  for (const auto& [id, chars] : limits) {
    SCOPED_TRACE(id);
    type(id, "12x-3456789");
    EXPECT_EQ(text(id), std::string("123456789").substr(0, chars));
  }
  // Text put in by the program stays whole; the user may shorten it only.
  view->configForm().setEditText(ids::kCom1SlaveAddr, "123456");
  EXPECT_EQ(text(ids::kCom1SlaveAddr), "123456");
  QLineEdit* e = edit(ids::kCom1SlaveAddr);
  e->setFocus();
  e->end(false);
  QTest::keyClick(e, Qt::Key_7);
  EXPECT_EQ(text(ids::kCom1SlaveAddr), "123456");
  QTest::keyClick(e, Qt::Key_Backspace);
  EXPECT_EQ(text(ids::kCom1SlaveAddr), "12345");
}

TEST_F(FormView, DeviceCommandsRunAgainstTheModuleAndPortClosesWithTheView) {
  SimModule sim;
  sim.setOrders(4);
  answerFrom(sim);
  view->OnConnectCom(2);
  ASSERT_TRUE(view->isPortOpen());
  EXPECT_EQ(view->portNumber(), 2);
  view->OnConnectCom(1);  // a port is open already: nothing happens
  EXPECT_EQ(view->portNumber(), 2);

  view->OnAutoSelect();
  EXPECT_EQ(view->selectedDevice(), 0);
  EXPECT_TRUE(view->paramsRead());
  EXPECT_EQ(text(ids::kProductCode), "302010301");
  EXPECT_EQ(list()->rowCount(), 4);
  EXPECT_EQ(text(ids::kOrderCount), "4");
  EXPECT_EQ(prompt.numbers().back(), 57);

  // What goes to a register is the chosen item's position in its list.
  choose(ids::kCom1Baud, 6);    // "57600"
  choose(ids::kCom2Parity, 5);  // "8E2"
  prompt.clear();
  view->OnWriteParameters();
  ASSERT_FALSE(prompt.m_messages.empty());
  EXPECT_EQ(prompt.m_messages.back().kind, MsgKind::Information) << prompt.m_messages.back().text;
  EXPECT_EQ(sim.registerValue(reg::kCom1Baud), 6);
  EXPECT_EQ(sim.registerValue(reg::kCom2Parity), 5);

  view->OnDisconnect();
  EXPECT_FALSE(view->isPortOpen());
  EXPECT_TRUE(view->paramsRead());
  view->OnConnectCom(3);
  const int closes = script->closes;
  view.reset();
  EXPECT_EQ(script->closes, closes + 1);
}

}  // namespace

namespace {

struct WheelCase {
  const char* name;
  int id;
  int index;  // set by the program before the wheel turns
  bool focused;
};

// A wheel turned over a drop-down, focused or not, moves the form and leaves
// the drop-down, its handlers and the form's state alone.
TEST_F(FormView, TheWheelOverADropDownScrollsTheFormAndChangesNothing) {
  const WheelCase cases[] = {
      {"COM1 baudrate", ids::kCom1Baud, 3, false}, {"COM1 baudrate, focused", ids::kCom1Baud, 3, true},
      {"Master Mode", ids::kMasterMode, 0, false}, {"Master Mode, focused", ids::kMasterMode, 0, true},
      {"Function", ids::kOrderFunction, 3, false}, {"Function, focused", ids::kOrderFunction, 3, true},
  };
  view->resize(400, 300);
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  QTest::qWait(0);
  ASSERT_GT(view->verticalScrollBar()->maximum(), 0);
  for (const WheelCase& c : cases) {
    SCOPED_TRACE(c.name);
    view->OnSelectDevice();
    view->configForm().setComboIndex(c.id, c.index);
    QComboBox* box = combo(c.id);
    if (c.focused) {
      box->setFocus();
      ASSERT_TRUE(box->hasFocus());
    } else {
      view->control(ids::kCom2SlaveAddr)->setFocus();
    }
    view->verticalScrollBar()->setValue(0);
    QSignalSpy chosen(box, &QComboBox::activated);

    wheel(box, 3);
    EXPECT_EQ(box->currentIndex(), c.index);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(view->control(ids::kOrderList)->isVisibleTo(view.get()));   // Master Mode's handler
    EXPECT_EQ(text(ids::kOrderRegCountLabel), "No. of Registers\n1..120");  // Function's rule
    EXPECT_EQ(view->fieldLimits().entry(12).max, 120);
    EXPECT_GT(view->verticalScrollBar()->value(), 0);  // the form scrolled instead
  }
}

// Every control of the form, in the face actually used: its text is whole,
// it overlaps no other control, and no group frame runs across it.
TEST_F(FormView, EveryTextFitsAndNoControlsOverlap) {
  view->OnSelectDevice();
  // The longest texts the fields show: a read's identity, full number edits
  // and a full order list.
  view->configForm().setEditText(ids::kProductCode, "302010301");
  view->configForm().setEditText(ids::kProgramVersion, "255.255");
  view->configForm().setEditText(ids::kOrderCount, "150");
  for (const form::ControlTemplate& t : form::kFormTemplate)
    if (view->textLimit(t.id) > 0)
      view->configForm().setEditText(t.id, std::string(static_cast<std::size_t>(view->textLimit(t.id)), '8'));
  for (int id : form::kFieldIndicators) view->configForm().markIndicator(id, Mark::Error);
  for (int id : form::kOrderIndicators) view->configForm().markIndicator(id, Mark::Ok);

  QWidget* page = view->widget();
  std::vector<std::pair<int, QRect>> boxes;  // controls other than group frames
  std::vector<const FormGroupBox*> groups;
  for (const form::ControlTemplate& t : form::kFormTemplate) {
    SCOPED_TRACE(t.id);
    QWidget* w = view->control(t.id);
    ASSERT_TRUE(w->isVisibleTo(view.get()));
    const QFontMetrics fm(w->font());
    QStyleOption opt;
    opt.initFrom(w);
    switch (t.kind) {
      case form::Kind::Label: {
        auto* l = qobject_cast<QLabel*>(w);
        const QRect r = l->contentsRect();
        const QRect need = fm.boundingRect(r, int(l->alignment()) | Qt::TextWordWrap, l->text());
        EXPECT_LE(need.height(), r.height());
        // A label may wrap between words, but no word may be cut.
        for (const QString& word : l->text().split(QRegularExpression("\\s+")))
          EXPECT_LE(fm.horizontalAdvance(word), r.width()) << word.toStdString();
        break;
      }
      case form::Kind::Edit: {
        auto* e = qobject_cast<QLineEdit*>(w);
        QStyleOptionFrame frame;
        frame.initFrom(e);
        frame.lineWidth =
            e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, e) : 0;
        const QRect r = e->style()->subElementRect(QStyle::SE_LineEditContents, &frame, e);
        EXPECT_LE(fm.horizontalAdvance(e->text()) + 4, r.width()) << e->text().toStdString();  // 2 px margins
        EXPECT_LE(fm.height(), r.height());
        break;
      }
      case form::Kind::DropDown: {
        auto* c = qobject_cast<QComboBox*>(w);
        QStyleOptionComboBox o;
        o.initFrom(c);
        const QRect field =
            c->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, c);
        for (int i = 0; i < c->count(); ++i)
          EXPECT_LE(fm.horizontalAdvance(c->itemText(i)) + 2, field.width()) << c->itemText(i).toStdString();
        EXPECT_LE(fm.height(), field.height());
        break;
      }
      case form::Kind::GroupBox: {
        auto* g = static_cast<const FormGroupBox*>(w);
        EXPECT_LE(g->titleRect().right(), g->width() - 8);
        groups.push_back(g);
        continue;
      }
      case form::Kind::Button: {
        auto* b = qobject_cast<QPushButton*>(w);
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, b);
        EXPECT_LE(fm.horizontalAdvance(b->text()) + 2 * margin, b->width());
        EXPECT_LE(fm.height(), b->height());
        break;
      }
      case form::Kind::OrderList: {
        int columns = 0;
        for (int c = 0; c < list()->columnCount(); ++c) columns += list()->columnWidth(c);
        EXPECT_LE(columns, list()->viewport()->width());
        break;
      }
      case form::Kind::Indicator: {
        auto* l = qobject_cast<QLabel*>(w);
        EXPECT_LE(16, l->width());  // the picture fills the icon's upper left 16 x 16 pixels
        EXPECT_LE(16, l->height());
        break;
      }
    }
    boxes.emplace_back(t.id, w->geometry());
  }
  ASSERT_EQ(boxes.size() + groups.size(), 100u);
  EXPECT_EQ(page->rect().united(page->childrenRect()), page->rect());

  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(boxes[i].second.intersects(boxes[j].second))
          << boxes[i].first << " and " << boxes[j].first;
  for (const FormGroupBox* g : groups) {
    const QRect outline = g->outlineRect().translated(g->pos());
    const QRect inside = outline.adjusted(2, 2, -2, -2);
    const QRect title = g->titleRect().translated(g->pos());
    for (const auto& [id, r] : boxes) {
      EXPECT_FALSE(r.intersects(title)) << g->objectName().toStdString() << " title and " << id;
      if (r.intersects(outline)) {
        EXPECT_TRUE(inside.contains(r)) << g->objectName().toStdString() << " frame crosses " << id;
      }
    }
    for (const FormGroupBox* other : groups)
      if (other != g) {
        EXPECT_FALSE(g->geometry().intersects(other->geometry()));
      }
  }
}

TEST_F(FormView, AnUnknownControlIdIsAProgrammingErrorThatStopsTheProgram) {
  view->OnSelectDevice();
  ConfigForm& f = view->configForm();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(f.comboIndex(999), "no drop-down with control id 999");
  EXPECT_DEATH(f.setComboIndex(ids::kCom1SlaveAddr, 0), "no drop-down with control id 1030");
  EXPECT_DEATH(f.setEditText(4711, "1"), "no edit with control id 4711");
  EXPECT_DEATH(f.editText(ids::kCom1Parity), "no edit with control id 1011");
  EXPECT_DEATH(f.markIndicator(ids::kProductCodeLabel, Mark::Ok), "no indicator with control id 1004");
}

}  // namespace
