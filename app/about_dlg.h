#pragma once
// CAboutDlg: the About box (dialog 100). Owns its labels, the product
// picture, the application icon and the two buttons; "Documentation" runs the
// documentation command handed in by the application and leaves the box open.

#include <QDialog>
#include <functional>

class QPushButton;
class QRect;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdDocumentation = 1080;

  explicit CAboutDlg(std::function<void()> onDocumentation, QWidget* parent = nullptr);

  // Runs the box modally; the result is of no interest to the caller.
  int DoModal() { return exec(); }

 private:
  // Dialog units to pixels, from the dialog font's average character width
  // and height (a quarter and an eighth of them).
  QRect dialogRect(int x, int y, int w, int h) const;

  std::function<void()> m_onDocumentation;
  double m_baseX = 8;
  double m_baseY = 15;
  QPushButton* m_ok = nullptr;
  QPushButton* m_documentation = nullptr;
};
