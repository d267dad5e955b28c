#include "form/digit_limit_validator.h"

#include <QLineEdit>

DigitLimitValidator::DigitLimitValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) {
  connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { m_current = t.size(); });
}

void DigitLimitValidator::setProgramText(const QString& text) {
  m_program = true;
  m_edit->setText(text);
  m_program = false;
}

QValidator::State DigitLimitValidator::validate(QString& input, int&) const {
  for (QChar c : input)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
  if (!m_program && m_limit > 0 && input.size() > m_limit && input.size() >= m_current) return Invalid;
  return Acceptable;
}
