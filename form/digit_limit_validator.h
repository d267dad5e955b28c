#pragma once
// DigitLimitValidator: what a number edit accepts from the keyboard: digits
// only, and at most a number of characters. Text that the program puts into
// the field is never shortened: a longer text may still be shortened by the
// user, just not lengthened.

#include <QValidator>

class QLineEdit;

class DigitLimitValidator : public QValidator {
 public:
  explicit DigitLimitValidator(QLineEdit* edit);

  void setLimit(int chars) { m_limit = chars; }
  int limit() const { return m_limit; }
  // Text set by the program is taken whole, whatever its length.
  void setProgramText(const QString& text);

  State validate(QString& input, int& pos) const override;

 private:
  QLineEdit* m_edit;
  int m_limit = 0;
  bool m_program = false;
  qsizetype m_current = 0;
};
