// The master order list editor: validation with its indicators, the
// dependent rules, Add, Insert, Modify, Delete, taking a row into the editor
// and the list's own frames.
#include <QImage>
#include <QSignalSpy>

#include "model/field_domains.h"
#include "ops/config_form.h"
#include "tests/form/form_fixture.h"

namespace {

class OrderEditor : public FormFixture {
 protected:
  void SetUp() override {
    FormFixture::SetUp();
    view->OnSelectDevice();
  }
  std::vector<int> orderMarks() const {
    return {mark(1091), mark(1092), mark(1093), mark(1094), mark(1095), mark(1097)};
  }
};

constexpr int OK = 132, ER = 131;

TEST_F(OrderEditor, AddWritesNumbersBackAndAppendsTheSelectedRow) {
  add({"007", 2, "1", "10", "100", 0});
  ASSERT_TRUE(prompt.m_messages.empty()) << prompt.texts().front();
  EXPECT_EQ(row(0), (std::vector<std::string>{"1", "7", "3", "1", "10", "100", "Data memory"}));
  EXPECT_EQ(list()->rowValue(0), 0);
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "7");
  EXPECT_EQ(text(ids::kOrderCount), "1");
  EXPECT_EQ(selectedRow(), 0);
  EXPECT_TRUE(list()->isRowFocused(0));
  EXPECT_EQ(view->selectedOrder(), 0);
  EXPECT_EQ(orderMarks(), std::vector<int>(6, 0));  // hidden again by the row change
}

struct ValidationCase {
  const char* name;
  EditorInput in;
  std::vector<int> marks;  // order indicators 1091..1095, 1097 after a refusal; empty: accepted
  const char* slaveAfter;
};

TEST_F(OrderEditor, ValidationMarksEveryFieldAndRefusesInvalidOrders) {
  const ValidationCase cases[] = {
      {"valid", {"1", 2, "1", "10", "100", 0}, {}, "1"},
      {"errors registers with function 3", {"1", 2, "1", "10", "5", 1}, {OK, ER, OK, OK, OK, OK}, "1"},
      {"errors registers with function 6", {"1", 5, "1", "1", "5", 1}, {}, "1"},
      {"errors registers with function 16", {"1", 7, "1", "10", "5", 1}, {}, "1"},
      {"errors registers address 11", {"1", 7, "1", "10", "11", 1}, {OK, OK, OK, OK, ER, OK}, "1"},
      {"function 6 with two registers", {"1", 5, "1", "2", "100", 0}, {OK, OK, OK, ER, OK, OK}, "1"},
      {"function 15 with 25 registers", {"1", 6, "1", "25", "100", 0}, {}, "1"},
      {"function 15 with 26 registers", {"1", 6, "1", "26", "100", 0}, {OK, OK, OK, ER, OK, OK}, "1"},
      {"empty slave address", {"", 2, "1", "10", "100", 0}, {ER, OK, OK, OK, OK, OK}, "0"},
      {"slave address 251", {"251", 2, "1", "10", "100", 0}, {ER, OK, OK, OK, OK, OK}, "251"},
      {"slave address 250", {"250", 2, "1", "10", "100", 0}, {}, "250"},
      {"starting address 0", {"1", 2, "0", "10", "100", 0}, {OK, OK, ER, OK, OK, OK}, "1"},
      {"no memory selection, function 16", {"1", 7, "1", "10", "100", -1}, {OK, OK, OK, OK, OK, ER}, "1"},
      {"no memory selection, function 1", {"1", 0, "1", "10", "100", -1}, {OK, ER, OK, OK, OK, ER}, "1"},
      {"data memory, no function", {"1", -1, "1", "10", "100", 0}, {OK, ER, OK, OK, OK, OK}, "1"},
  };
  for (const ValidationCase& c : cases) {
    SCOPED_TRACE(c.name);
    view->OnInitialUpdate();  // default ranges, no choices
    view->OnSelectDevice();
    prompt.clear();
    add(c.in);
    EXPECT_EQ(text(ids::kOrderSlaveAddr), c.slaveAfter);
    if (c.marks.empty()) {
      EXPECT_TRUE(prompt.m_messages.empty());
      EXPECT_EQ(list()->rowCount(), 1);
      EXPECT_EQ(orderMarks(), std::vector<int>(6, 0));
    } else {
      EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 49\n\nInvalid parameters."});
      EXPECT_EQ(prompt.m_messages.at(0).kind, MsgKind::Error);
      EXPECT_EQ(list()->rowCount(), 0);
      EXPECT_EQ(orderMarks(), c.marks);
    }
  }
}

TEST_F(OrderEditor, FunctionAndMemoryChoicesSetRangesLabelsAndTypingLimits) {
  struct FunctionCase {
    int f;
    int max, chars;
    const char* label;
  };
  for (const FunctionCase& c :
       {FunctionCase{5, 1, 1, "No. of Registers\nonly 1"}, FunctionCase{6, 25, 2, "No. of Registers\n1..25"},
        FunctionCase{2, 120, 3, "No. of Registers\n1..120"}}) {
    choose(ids::kOrderFunction, c.f);
    EXPECT_EQ(view->fieldLimits().entry(12).max, c.max) << c.f;
    EXPECT_EQ(view->textLimit(ids::kOrderRegCount), c.chars) << c.f;
    EXPECT_EQ(text(ids::kOrderRegCountLabel), c.label);
  }
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function");
  choose(ids::kOrderMemSel, 1);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 10);
  EXPECT_EQ(view->textLimit(ids::kOrderMemAddr), 2);
  EXPECT_EQ(text(ids::kOrderMemAddrLabel), "Memory Address\n1..10");
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function\n6, 16");
  choose(ids::kOrderMemSel, 0);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 8000);
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function\nall");

  // A longer number stays in the field when the limit shrinks, and fails.
  type(ids::kOrderRegCount, "100");
  choose(ids::kOrderFunction, 5);
  EXPECT_EQ(text(ids::kOrderRegCount), "100");
  click(ids::kAddButton);
  EXPECT_EQ(prompt.numbers(), std::vector<int>{49});
  EXPECT_EQ(mark(ids::kIndOrderRegCount), ER);
}

TEST_F(OrderEditor, TheListTakes150OrdersAndRefusesThe151stUnchecked) {
  enter({"1", 2, "1", "10", "100", 0});
  for (int i = 0; i < 150; ++i) click(ids::kAddButton);
  ASSERT_TRUE(prompt.m_messages.empty());
  ASSERT_EQ(list()->rowCount(), 150);
  EXPECT_EQ(list()->text(149, 0), "150");
  EXPECT_EQ(text(ids::kOrderCount), "150");
  EXPECT_EQ(view->selectedOrder(), 149);
  // The new last row was scrolled into view.
  EXPECT_GE(list()->topIndex() + list()->countPerPage(), 150);
  EXPECT_LE(list()->topIndex(), 149);

  type(ids::kOrderSlaveAddr, "007");
  click(ids::kAddButton);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 48\n\nOrder list is full."});
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "007");  // not validated
  EXPECT_EQ(list()->rowCount(), 150);
  EXPECT_EQ(orderMarks(), std::vector<int>(6, 0));

  prompt.clear();
  clickRow(10);
  click(ids::kInsertButton);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 51\n\nOrder list is full."});
  EXPECT_EQ(list()->rowCount(), 150);
}

TEST_F(OrderEditor, InsertPutsTheEditorAboveTheRememberedRowAndRenumbers) {
  addRows(5);
  clickRow(2);
  ASSERT_EQ(view->selectedOrder(), 2);
  ASSERT_EQ(text(ids::kOrderSlaveAddr), "33");
  type(ids::kOrderSlaveAddr, "099");

  click(ids::kInsertButton);
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(column(0), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(column(1), (std::vector<std::string>{"11", "22", "99", "33", "44", "55"}));
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(view->selectedOrder(), 2);
  EXPECT_EQ(text(ids::kOrderCount), "6");
}

TEST_F(OrderEditor, InsertWithoutRememberedRowIsAdd) {
  enter({"", 2, "1", "10", "100", 0});
  click(ids::kInsertButton);
  EXPECT_EQ(prompt.numbers(), std::vector<int>{49});
  EXPECT_EQ(list()->rowCount(), 0);
  type(ids::kOrderSlaveAddr, "5");
  click(ids::kInsertButton);
  EXPECT_EQ(list()->rowCount(), 1);
  EXPECT_EQ(row(0), (std::vector<std::string>{"1", "5", "3", "1", "10", "100", "Data memory"}));
  EXPECT_EQ(view->selectedOrder(), 0);
}

// Insert and Modify check the editor's fields exactly as Add does: the same
// indicators, message 49, and the list untouched.
TEST_F(OrderEditor, InsertAndModifyRefuseInvalidFieldsAsAddDoes) {
  struct Case {
    const char* name;
    EditorInput in;
    std::vector<int> marks;
  };
  const Case cases[] = {
      {"blank fields", {"", -1, "", "", "", -1}, {ER, ER, ER, ER, ER, ER}},
      {"slave address 251", {"251", 2, "1", "10", "100", 0}, {ER, OK, OK, OK, OK, OK}},
      {"function 3 on errors registers", {"1", 2, "1", "10", "5", 1}, {OK, ER, OK, OK, OK, OK}},
  };
  for (int button : {ids::kAddButton, ids::kInsertButton, ids::kModifyButton}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(button) + " " + c.name);
      view->OnInitialUpdate();
      view->OnSelectDevice();
      addRows(2);
      clickRow(0);
      const std::vector<std::vector<std::string>> before = {row(0), row(1)};
      view->configForm().setComboIndex(ids::kOrderFunction, -1);
      view->configForm().setComboIndex(ids::kOrderMemSel, -1);
      enter(c.in);
      prompt.clear();
      prompt.answerNext(MsgAnswer::Yes);  // for a question that must not come
      click(button);
      EXPECT_EQ(prompt.texts(), std::vector<std::string>{"message 49\n\nInvalid parameters."});
      EXPECT_EQ(orderMarks(), c.marks);
      EXPECT_EQ(list()->rowCount(), 2);
      EXPECT_EQ((std::vector<std::vector<std::string>>{row(0), row(1)}), before);
      prompt.clear();
      click(ids::kDeleteButton);  // takes the unused Yes: the next test starts clean
    }
  }
}

struct DeleteCase {
  const char* name;
  int rows, clicked;
  std::vector<std::string> slaves;  // column 1 afterwards
  int selected, remembered;
  const char* editorSlave;
};

TEST_F(OrderEditor, DeleteRemovesRenumbersAndSelectsTheNeighbour) {
  const DeleteCase cases[] = {
      {"last of three", 3, 2, {"11", "22"}, 1, 1, "22"},
      {"middle of three", 3, 1, {"11", "33"}, 1, 1, "22"},  // the editor keeps the deleted order
      {"only row", 1, 0, {}, -1, 0, "11"},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.name);
    view->OnSelectDevice();
    addRows(c.rows);
    clickRow(c.clicked);
    prompt.clear();
    prompt.answerNext(MsgAnswer::Yes);
    click(ids::kDeleteButton);
    ASSERT_EQ(prompt.m_messages.size(), 1u);
    EXPECT_EQ(prompt.m_messages[0].text, "message 50\n\nDo you really want to delete this order?");
    EXPECT_EQ(prompt.m_messages[0].kind, MsgKind::Question);
    EXPECT_TRUE(prompt.m_messages[0].defaultNo);
    EXPECT_EQ(column(1), c.slaves);
    std::vector<std::string> numbers;
    for (std::size_t i = 1; i <= c.slaves.size(); ++i) numbers.push_back(std::to_string(i));
    EXPECT_EQ(column(0), numbers);
    EXPECT_EQ(selectedRow(), c.selected);
    EXPECT_EQ(view->selectedOrder(), c.remembered);
    EXPECT_EQ(text(ids::kOrderSlaveAddr), c.editorSlave);
    EXPECT_EQ(text(ids::kOrderCount), std::to_string(c.slaves.size()));
  }
}

TEST_F(OrderEditor, DeleteAnsweredNoChangesNothing) {
  addRows(2);
  clickRow(0);
  click(ids::kDeleteButton);  // the default answer is No
  EXPECT_EQ(prompt.numbers(), std::vector<int>{50});
  EXPECT_EQ(column(1), (std::vector<std::string>{"11", "22"}));
  EXPECT_EQ(text(ids::kOrderCount), "2");
}

TEST_F(OrderEditor, ModifyOverwritesTheRememberedRowOnlyWhenConfirmed) {
  addRows(2);
  clickRow(0);
  enter({"09", 7, "9", "20", "5", 1});
  click(ids::kModifyButton);  // No
  EXPECT_EQ(prompt.texts(),
            std::vector<std::string>{"message 52\n\nDo you really want to modify this order?"});
  EXPECT_TRUE(prompt.m_messages[0].defaultNo);
  EXPECT_EQ(row(0), (std::vector<std::string>{"1", "11", "3", "1", "10", "100", "Data memory"}));

  prompt.answerNext(MsgAnswer::Yes);
  click(ids::kModifyButton);
  EXPECT_EQ(row(0), (std::vector<std::string>{"1", "9", "16", "9", "20", "5", "Errors registers"}));
  EXPECT_EQ(list()->rowValue(0), 1);
  EXPECT_EQ(row(1)[1], "22");
  EXPECT_EQ(selectedRow(), 0);
  EXPECT_EQ(text(ids::kOrderCount), "2");
}

// At 1200 baud 8N2 with a 500 ms master timeout, the answer to function 3
// for 120 registers takes at least 2.28 s: the order is stored, with a
// warning that names it by its row.
TEST_F(OrderEditor, AddInsertAndModifyWarnAboutAnOrderThatCannotFitAndKeepIt) {
  choose(ids::kCom4Baud, 0);
  choose(ids::kCom4Parity, 4);
  type(ids::kMasterTimeout, "500");
  const auto warnedAbout = [&](const std::string& order) {
    if (prompt.m_messages.empty()) return std::string("no box");
    const RecordedMessage& m = prompt.m_messages.back();
    if (m.kind != MsgKind::Warning) return "not a warning: " + m.text;
    return m.text.find(order + ": the answer takes at least 2.28 s") != std::string::npos ? std::string("ok")
                                                                                             : m.text;
  };

  add({"9", 2, "1", "120", "100", 0});
  EXPECT_EQ(warnedAbout("order 1 (slave 9, function 3, 120 registers)"), "ok");
  EXPECT_EQ(prompt.m_messages.size(), 1u);
  EXPECT_EQ(row(0), (std::vector<std::string>{"1", "9", "3", "1", "120", "100", "Data memory"}));

  add({"8", 2, "1", "10", "100", 0});  // 25 bytes: about 0.26 s
  EXPECT_EQ(prompt.m_messages.size(), 1u);
  EXPECT_EQ(list()->rowCount(), 2);

  clickRow(1);
  type(ids::kOrderRegCount, "120");
  click(ids::kInsertButton);
  EXPECT_EQ(warnedAbout("order 2 (slave 8, function 3, 120 registers)"), "ok");
  EXPECT_EQ(list()->rowCount(), 3);

  prompt.clear();
  clickRow(2);
  type(ids::kOrderRegCount, "120");
  prompt.answerNext(MsgAnswer::Yes);
  click(ids::kModifyButton);
  EXPECT_EQ(prompt.numbers(), (std::vector<int>{52, 0}));
  EXPECT_EQ(warnedAbout("order 3 (slave 8, function 3, 120 registers)"), "ok");

  // A timeout of 0 is not checked.
  prompt.clear();
  type(ids::kMasterTimeout, "0");
  add({"7", 2, "1", "120", "100", 0});
  EXPECT_TRUE(prompt.m_messages.empty()) << prompt.texts().front();
  EXPECT_EQ(list()->rowCount(), 4);
}

TEST_F(OrderEditor, SelectingARowFillsTheEditorWithoutApplyingTheRules) {
  add({"5", 0, "1", "10", "100", 0});  // function "1"
  add({"6", 7, "2", "20", "7", 1});    // function "16", errors registers
  choose(ids::kOrderFunction, 6);      // the user's last choice: "15", 1..25
  choose(ids::kOrderMemSel, 0);        // "Data memory", 1..8000

  clickRow(0);
  clickRow(1);
  EXPECT_EQ(view->selectedOrder(), 1);
  EXPECT_EQ(combo(ids::kOrderFunction)->currentText(), "16");
  EXPECT_EQ(combo(ids::kOrderMemSel)->currentIndex(), 1);
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "6");
  EXPECT_EQ(text(ids::kOrderStart), "2");
  EXPECT_EQ(text(ids::kOrderRegCount), "20");
  EXPECT_EQ(text(ids::kOrderMemAddr), "7");

  clickRow(0);
  EXPECT_EQ(combo(ids::kOrderFunction)->currentIndex(), 0);  // "1", not "15" or "16"
  EXPECT_EQ(combo(ids::kOrderMemSel)->currentIndex(), 0);
  EXPECT_EQ(view->fieldLimits().entry(12).max, 25);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 8000);
  EXPECT_EQ(text(ids::kOrderRegCountLabel), "No. of Registers\n1..25");
}

// A rebuilt list (a read, Auto, the device selection) shows no selected row:
// the remembered row and the editor's fields go with the old rows, and
// Delete, Modify and Insert do not act on a row nobody sees selected.
TEST_F(OrderEditor, AfterANewReadNoCommandActsOnTheFormerlySelectedRow) {
  SimModule sim;
  sim.setOrders(3);
  answerFrom(sim);
  view->OnConnectCom(1);
  view->OnAutoSelect();
  ASSERT_EQ(list()->rowCount(), 3);
  clickRow(1);
  ASSERT_EQ(view->selectedOrder(), 1);
  ASSERT_NE(text(ids::kOrderSlaveAddr), "");
  const std::vector<std::string> second = row(1);

  for (auto readAgain : {&CTQ740confView::OnAutoSelect, &CTQ740confView::OnReadParameters}) {
    (view.get()->*readAgain)();
    ASSERT_EQ(list()->rowCount(), 3);
    EXPECT_EQ(selectedRow(), -1);
    EXPECT_EQ(view->selectedOrder(), -1);
    for (int id : {ids::kOrderSlaveAddr, ids::kOrderStart, ids::kOrderRegCount, ids::kOrderMemAddr})
      EXPECT_EQ(text(id), "") << id;
    EXPECT_EQ(combo(ids::kOrderFunction)->currentIndex(), -1);
    EXPECT_EQ(combo(ids::kOrderMemSel)->currentIndex(), -1);

    prompt.clear();
    prompt.answerNext(MsgAnswer::Yes);
    click(ids::kDeleteButton);
    click(ids::kModifyButton);
    EXPECT_TRUE(prompt.m_messages.empty());
    click(ids::kInsertButton);  // no row selected: an Add, refused for the empty fields
    EXPECT_EQ(prompt.numbers(), std::vector<int>{49});
    EXPECT_EQ(list()->rowCount(), 3);
    EXPECT_EQ(row(1), second);
    clickRow(1);
    prompt.clear();
    click(ids::kDeleteButton);  // takes the unused Yes
  }
}

// A remembered row that the list no longer shows selected (a click below
// the rows cleared the selection) is not acted on either.
TEST_F(OrderEditor, DeleteAndModifyNeedARowTheListShowsSelected) {
  addRows(2);
  clickRow(0);
  list()->clearSelection();
  ASSERT_EQ(view->selectedOrder(), 0);
  prompt.answerNext(MsgAnswer::Yes);
  click(ids::kModifyButton);
  click(ids::kDeleteButton);
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_EQ(column(1), (std::vector<std::string>{"11", "22"}));
  click(ids::kInsertButton);  // an Add
  EXPECT_EQ(column(1), (std::vector<std::string>{"11", "22", "11"}));
  prompt.clear();
  click(ids::kDeleteButton);  // takes the unused Yes
  EXPECT_EQ(prompt.numbers(), std::vector<int>{50});
}

// A row with an empty "Fun" text selects the first function whose text
// begins with the empty text, "1"; the editor shows no other row's function.
TEST_F(OrderEditor, ARowWithAnEmptyFunctionSelectsTheFirstFunction) {
  addRows(1);
  ConfigForm& f = view->configForm();
  f.insertOrder(1, "2");
  for (int c = 1; c <= 5; ++c) f.setOrderText(1, c, c == 2 ? "" : "7");
  f.setOrderData(1, 0);
  f.setOrderText(1, 6, "Data memory");
  clickRow(0);
  ASSERT_EQ(combo(ids::kOrderFunction)->currentText(), "3");
  clickRow(1);
  EXPECT_EQ(combo(ids::kOrderFunction)->currentIndex(), 0);
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "7");
}

// The list reports a row only when its state, value or number really changes.
TEST_F(OrderEditor, ModifyKeepsTheIndicatorsUnlessTheMemorySelectionChanges) {
  addRows(1);
  clickRow(0);
  QSignalSpy reports(list(), &COrderListCtrl::rowChanged);
  type(ids::kOrderSlaveAddr, "12");
  prompt.answerNext(MsgAnswer::Yes);
  click(ids::kModifyButton);
  EXPECT_EQ(row(0)[1], "12");
  EXPECT_EQ(reports.count(), 0);
  EXPECT_EQ(orderMarks(), std::vector<int>(6, OK));

  list()->setText(0, 0, "1");
  list()->setRowValue(0, 0);
  EXPECT_EQ(reports.count(), 0);

  choose(ids::kOrderMemSel, 1);
  choose(ids::kOrderFunction, 7);
  type(ids::kOrderMemAddr, "5");
  prompt.answerNext(MsgAnswer::Yes);
  click(ids::kModifyButton);
  EXPECT_EQ(row(0)[6], "Errors registers");
  EXPECT_EQ(reports.count(), 1);
  EXPECT_EQ(orderMarks(), std::vector<int>(6, 0));  // the changed row hid them
}

// A click to the right of the last column still selects the row.
TEST_F(OrderEditor, AClickBesideTheLastColumnSelectsTheRow) {
  addRows(3);
  clickRow(0);
  const int right = list()->columnViewportPosition(6) + list()->columnWidth(6);
  ASSERT_LT(right + 4, list()->viewport()->width());
  clickRowAt(1, right + 3);
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(view->selectedOrder(), 1);
  EXPECT_EQ(text(ids::kOrderSlaveAddr), "22");
}

// Only the user's choice of a memory selection runs its rule; the program
// selecting "Errors registers" changes neither the range nor the label.
TEST_F(OrderEditor, OnlyTheUsersMemorySelectionRunsItsRule) {
  view->configForm().setComboIndex(ids::kOrderMemSel, 1);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 8000);
  EXPECT_EQ(text(ids::kOrderMemAddrLabel), "Memory Address\n1..8000");
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function");

  choose(ids::kOrderMemSel, 1);
  EXPECT_EQ(view->fieldLimits().entry(13).max, 10);
  EXPECT_EQ(text(ids::kOrderMemAddrLabel), "Memory Address\n1..10");
  EXPECT_EQ(text(ids::kOrderFunctionLabel), "Function\n6, 16");
}

TEST_F(OrderEditor, ListDrawsASolidFrameOnTheSelectedRowAndADottedOneOnTheFocusedRow) {
  addRows(2);
  clickRow(0);
  ASSERT_EQ(list()->frameColor(), QColor(Qt::black));  // inverse of a white list
  QImage img = list()->viewport()->grab().toImage();
  const QRect r0 = list()->visualItemRect(list()->topLevelItem(0));
  const int y = r0.center().y();
  EXPECT_EQ(QColor(img.pixel(r0.left() + 2, y)), QColor(Qt::black));
  EXPECT_EQ(QColor(img.pixel(r0.right() - 2, y)), QColor(Qt::black));
  EXPECT_NE(QColor(img.pixel(r0.left() + 3, y)), QColor(Qt::black));

  // Focus alone on row 1: a dotted outline, black and not black in turn.
  list()->selectionModel()->setCurrentIndex(list()->model()->index(1, 0), QItemSelectionModel::NoUpdate);
  img = list()->viewport()->grab().toImage();
  const QRect r1 = list()->visualItemRect(list()->topLevelItem(1));
  int black = 0, other = 0;
  for (int x = r1.left() + 2; x < r1.right() - 2; ++x)
    (QColor(img.pixel(x, r1.top())) == QColor(Qt::black) ? black : other)++;
  EXPECT_GT(black, 5);
  EXPECT_GT(other, 5);
}

}  // namespace
