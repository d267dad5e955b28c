#pragma once
// FormPage: the configuration form built from the template table: its 100
// controls placed in dialog units of the form's face, the indicator icons,
// the typing limits of the number edits and the keyboard order. Controls are
// looked up by their fixed ids; asking for an id that the form does not have,
// or for a control of another kind, is a programming error and stops the
// program with the id named.

#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <map>
#include <span>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class COrderListCtrl;
class DigitLimitValidator;

class FormPage : public QWidget {
 public:
  explicit FormPage(QWidget* parent = nullptr);

  // The control with a fixed id, or null.
  QWidget* control(int id) const;
  // Checked lookups: the control must exist and be of that kind.
  QComboBox* combo(int id) const;
  QLineEdit* edit(int id) const;
  QLabel* label(int id) const;
  QPushButton* button(int id) const;
  COrderListCtrl* orderList() const { return m_orderList; }

  void show(int id, bool visible) const;
  void show(std::span<const int> ids, bool visible) const;

  // Edits: text set by the program (never shortened by a typing limit), the
  // text read as a number field, and the typing limit (0: none).
  void setEditText(int id, const QString& text) const;
  int readInt(int id) const;
  void setTextLimit(int id, int chars) const;
  int textLimit(int id) const;

  // Indicators: load the two icons; mark a field (show its indicator, then
  // set the OK or the error icon).
  void loadIndicatorIcons();
  void markField(int indicatorId, bool ok) const;

  // The form's face and the Name field's own face.
  const QFont& formFont() const { return m_formFont; }
  void setNameFont();

  // Drop-downs whose longest item runs wider than the box grow to the right
  // to show it whole; run after the items are filled.
  void fitDropDowns() const;

  // Pixels of a length in dialog units.
  int dialogX(int x) const { return (x * m_baseX + 2) / 4; }
  int dialogY(int y) const { return (y * m_baseY + 4) / 8; }

 private:
  QWidget* checked(int id, const char* kind, QWidget* w) const;
  QWidget* createControl(int index);

  QFont m_formFont;
  QFont m_fontName;
  int m_baseX = 0, m_baseY = 0;
  QPixmap m_okIcon, m_errorIcon;
  std::map<int, QWidget*> m_controls;
  std::map<int, DigitLimitValidator*> m_validators;
  COrderListCtrl* m_orderList = nullptr;
};
