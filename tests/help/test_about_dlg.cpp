// The About box on the offscreen platform: its buttons, keyboard behaviour
// and layout, and the Documentation button opening the manual while the box
// stays open.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/about_dlg.h"
#include "app/documentation.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/recording_prompt.h"

namespace {

TEST(AboutDlg, DocumentationButtonOpensManualAndKeepsBoxOpen) {
  const QString savedCwd = QDir::currentPath();
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
  QFile manual(dir.filePath(QStringLiteral("help/TQ740conf_help.pdf")));
  ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
  manual.close();

  RecordingPrompt prompt;
  RecordingDesktop desktop;
  CAboutDlg dlg([&] { showDocumentation(dir.path(), prompt, desktop, nullptr); });
  dlg.show();
  QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("ctl_1080")), Qt::LeftButton);
  QDir::setCurrent(savedCwd);

  ASSERT_EQ(desktop.opened.size(), 1);
  EXPECT_EQ(QFileInfo(desktop.opened[0]).canonicalFilePath(), QFileInfo(manual).canonicalFilePath());
  EXPECT_TRUE(prompt.m_messages.empty());
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), 0);

  // Enter presses OK, which closes the box.
  QTest::keyClick(&dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(AboutDlg, EscapeClosesWithoutDocumentation) {
  int calls = 0;
  CAboutDlg dlg([&] { ++calls; });
  dlg.show();
  QTest::keyClick(&dlg, Qt::Key_Escape);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(calls, 0);
}

TEST(AboutDlg, TextsButtonsAndTabStops) {
  CAboutDlg dlg([] {});
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About TQ740conf"));

  auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("ctl_1"));
  auto* doc = dlg.findChild<QPushButton*>(QStringLiteral("ctl_1080"));
  ASSERT_TRUE(ok && doc);
  EXPECT_EQ(ok->text(), QStringLiteral("OK"));
  EXPECT_EQ(doc->text(), QStringLiteral("Documentation"));
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(doc->isDefault());

  QStringList labels;
  for (auto* l : dlg.findChildren<QLabel*>()) labels << l->text();
  EXPECT_TRUE(labels.contains(QStringLiteral("TQ740conf Version 1.0")));

  // Only the two buttons take the keyboard focus by Tab, OK first.
  QList<QWidget*> tabStops;
  for (auto* w : dlg.findChildren<QWidget*>())
    if (w->focusPolicy() & Qt::TabFocus) tabStops << w;
  EXPECT_EQ(tabStops.size(), 2);
  EXPECT_TRUE(tabStops.contains(ok) && tabStops.contains(doc));
  EXPECT_EQ(ok->nextInFocusChain(), doc);
}

// The picture shows at 230 x 110 inside the group box, and the box holds
// every control, whatever face substitutes the dialog font.
TEST(AboutDlg, PictureAndControlsFitTheirFrames) {
  CAboutDlg dlg([] {});
  auto* picture = dlg.findChild<QLabel*>(QStringLiteral("about_picture"));
  auto* frame = dlg.findChild<QGroupBox*>();
  ASSERT_TRUE(picture && frame);
  EXPECT_EQ(picture->pixmap().size(), QSize(230, 110));
  EXPECT_TRUE(frame->geometry().contains(picture->geometry()));
  for (auto* w : dlg.findChildren<QWidget*>()) {
    if (w->parentWidget() != &dlg) continue;
    EXPECT_TRUE(dlg.rect().contains(w->geometry())) << w->objectName().toStdString();
  }
  auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("ctl_1"));
  auto* doc = dlg.findChild<QPushButton*>(QStringLiteral("ctl_1080"));
  EXPECT_GE(doc->width(), doc->sizeHint().width()) << "the button's text fits";
  EXPECT_FALSE(ok->geometry().intersects(picture->geometry()));
}

}  // namespace
