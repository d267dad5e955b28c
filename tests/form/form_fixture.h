#pragma once
// A shown configuration form with a recording message seam and a fake serial
// port, driven the way the user drives it: keys into edits and drop-downs,
// clicks on buttons and list rows.

#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "form/corder_list_ctrl.h"
#include "form/ctq740conf_view.h"
#include "model/control_ids.h"
#include "sim/sim_module.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/recording_prompt.h"

// One order as the user enters it; -1 leaves a drop-down without a choice.
struct EditorInput {
  std::string slave = "1";
  int function = 2;  // position in the function list: "3"
  std::string start = "1";
  std::string regs = "10";
  std::string mem = "100";
  int memSel = 0;  // "Data memory"
};

class FormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    env.prompt = &prompt;
    env.deviceFactory = FakeSerialDevice::factory(script);
    view = std::make_unique<CTQ740confView>(env);
    view->resize(900, 1000);
    view->show();
    view->OnInitialUpdate();
  }

  // The fake port answers as the simulated module does.
  void answerFrom(SimModule& sim) {
    script->responder = [&sim](const std::vector<std::uint8_t>& request) {
      return sim.handle(request.data(), request.size()).bytes;
    };
  }

  QComboBox* combo(int id) const { return qobject_cast<QComboBox*>(view->control(id)); }
  QLineEdit* edit(int id) const { return qobject_cast<QLineEdit*>(view->control(id)); }
  QLabel* label(int id) const { return qobject_cast<QLabel*>(view->control(id)); }
  COrderListCtrl* list() const { return view->orderList(); }
  std::string text(int id) const {
    if (QLineEdit* e = edit(id)) return e->text().toStdString();
    return label(id)->text().toStdString();
  }

  // The user picks an item from the keyboard: first item, then down.
  void choose(int id, int index) {
    QComboBox* box = combo(id);
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(box, Qt::Key_Down);
    ASSERT_EQ(box->currentIndex(), index);
  }
  // The user empties an edit and types text into it.
  void type(int id, const std::string& s) {
    QLineEdit* e = edit(id);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QTest::keyClicks(e, QString::fromStdString(s));
  }
  void click(int id) { QTest::mouseClick(view->control(id), Qt::LeftButton); }

  void enter(const EditorInput& in) {
    type(ids::kOrderSlaveAddr, in.slave);
    if (in.memSel >= 0) choose(ids::kOrderMemSel, in.memSel);
    if (in.function >= 0) choose(ids::kOrderFunction, in.function);
    type(ids::kOrderStart, in.start);
    type(ids::kOrderRegCount, in.regs);
    type(ids::kOrderMemAddr, in.mem);
  }
  void add(const EditorInput& in) {
    enter(in);
    click(ids::kAddButton);
  }
  // Rows with slave addresses "11", "22", ... and otherwise valid fields.
  void addRows(int n) {
    for (int i = 1; i <= n; ++i) add(EditorInput{std::to_string(11 * i)});
    ASSERT_EQ(list()->rowCount(), n);
  }

  // The user clicks a row, on its "Mem Selection" text, or at x in the
  // list's viewport.
  void clickRow(int row) { clickRowAt(row, list()->columnViewportPosition(6) + 4); }
  void clickRowAt(int row, int x) {
    list()->scrollToItem(list()->topLevelItem(row));
    const QRect r = list()->visualItemRect(list()->topLevelItem(row));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
  }

  // The user turns the mouse wheel by steps (positive: towards the user, so
  // the form scrolls down) with the pointer over a widget.
  static void wheel(QWidget* over, int steps) {
    const QPointF at(over->width() / 2.0, over->height() / 2.0);
    for (int i = 0; i < std::abs(steps); ++i) {
      QWheelEvent e(at, over->mapToGlobal(at), QPoint(), QPoint(0, steps > 0 ? -120 : 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      // As from the window system: an event the receiver ignores travels on
      // to its parents.
      QSpontaneKeyEvent::setSpontaneous(&e);
      QApplication::sendEvent(over, &e);
    }
  }

  std::vector<std::string> column(int c) const {
    std::vector<std::string> out;
    for (int r = 0; r < list()->rowCount(); ++r) out.push_back(list()->text(r, c).toStdString());
    return out;
  }
  std::vector<std::string> row(int r) const {
    std::vector<std::string> out;
    for (int c = 0; c < COrderListCtrl::kColumns; ++c) out.push_back(list()->text(r, c).toStdString());
    return out;
  }
  int selectedRow() const {
    for (int r = 0; r < list()->rowCount(); ++r)
      if (list()->isRowSelected(r)) return r;
    return -1;
  }

  // 0 hidden, otherwise the icon shown: 132 OK, 131 error.
  int mark(int indicatorId) const {
    QWidget* w = view->control(indicatorId);
    return w->isVisibleTo(view.get()) ? w->property("icon").toInt() : 0;
  }

  RecordingPrompt prompt;
  std::shared_ptr<FakeSerialScript> script = std::make_shared<FakeSerialScript>();
  ViewEnvironment env;
  std::unique_ptr<CTQ740confView> view;
};
