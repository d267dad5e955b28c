#include "app/operation_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

OperationProgress::OperationProgress(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("operationProgress"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_step = new QLabel(this);
  m_step->setObjectName(QStringLiteral("operationStep"));
  // Wide enough for the longest step, so that the bar does not jump about.
  m_step->setMinimumWidth(
      m_step->fontMetrics().horizontalAdvance(QStringLiteral("Writing master orders 150 / 150")) + 8);
  m_bar = new QProgressBar(this);
  m_bar->setObjectName(QStringLiteral("operationBar"));
  m_bar->setTextVisible(false);
  m_bar->setFixedWidth(120);
  m_bar->setMaximumHeight(m_step->sizeHint().height());
  // Never a busy bar without a total: its animation would keep the CPU busy
  // for the whole transfer.
  m_bar->setRange(0, 1);
  m_bar->setValue(0);
  layout->addWidget(m_step);
  layout->addWidget(m_bar);
}

void OperationProgress::setStep(const QString& step, int done, int total) {
  m_stepText = step;
  if (!m_notice && m_step->text() != step) m_step->setText(step);
  const int maximum = total > 0 ? total : 1;
  const int value = total > 0 ? std::clamp(done, 0, total) : 0;
  if (m_bar->maximum() != maximum) m_bar->setRange(0, maximum);
  if (m_bar->value() != value) m_bar->setValue(value);
}

void OperationProgress::setNotice(const QString& notice) {
  m_notice = !notice.isEmpty();
  m_step->setText(m_notice ? notice : m_stepText);
  if (m_notice)
    m_step->setMinimumWidth(
        std::max(m_step->minimumWidth(), m_step->fontMetrics().horizontalAdvance(notice) + 8));
}

QString OperationProgress::stepText() const {
  return m_step->text();
}

int OperationProgress::value() const {
  return m_bar->value();
}

int OperationProgress::maximum() const {
  return m_bar->maximum();
}
