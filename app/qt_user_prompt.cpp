#include "app/qt_user_prompt.h"

#include <QApplication>
#include <QMessageBox>

#include "app/app_title.h"

QtUserPrompt::~QtUserPrompt() {
  while (m_waitDepth > 0) endWaitCursor();
}

MsgAnswer QtUserPrompt::message(const std::string& text, MsgKind kind, bool defaultNo,
                                const std::string& detail) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromLatin1(app::kAppTitle));
  box.setText(QString::fromStdString(text));
  if (!detail.empty()) box.setDetailedText(QString::fromStdString(detail));
  switch (kind) {
    case MsgKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgKind::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (kind == MsgKind::Question) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // A box shown in the middle of a busy operation gets the normal pointer.
  if (m_waitDepth > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = box.exec();
  if (m_waitDepth > 0) QApplication::restoreOverrideCursor();
  if (kind != MsgKind::Question) return MsgAnswer::Ok;
  return result == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

MsgAnswer QtUserPrompt::askSaveChanges(const std::string& text) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromLatin1(app::kAppTitle));
  box.setText(QString::fromStdString(text));
  box.setIcon(QMessageBox::Warning);
  box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  if (m_waitDepth > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int result = box.exec();
  if (m_waitDepth > 0) QApplication::restoreOverrideCursor();
  switch (result) {
    case QMessageBox::Save:
      return MsgAnswer::Save;
    case QMessageBox::Discard:
      return MsgAnswer::Discard;
    default:
      return MsgAnswer::Cancel;
  }
}

void QtUserPrompt::beginWaitCursor() {
  ++m_waitDepth;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserPrompt::endWaitCursor() {
  if (m_waitDepth == 0) return;
  --m_waitDepth;
  QApplication::restoreOverrideCursor();
}
