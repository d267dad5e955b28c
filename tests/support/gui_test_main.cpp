// Test main for GUI tests: one QApplication for the whole run, then
// GoogleTest. The platform, the style and the palette are fixed here, not
// taken from the environment, so that sizes, colours and key handling are
// the same on every machine and for every user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");  // Qt's calls: Windows has no setenv()
  qunsetenv("QT_STYLE_OVERRIDE");
  QApplication app(argc, argv);
  QStyle* style = QStyleFactory::create("Fusion");
  if (!style) {
    std::fprintf(stderr, "The Fusion style is missing.\n");
    return 1;
  }
  QApplication::setStyle(style);
  QApplication::setPalette(style->standardPalette());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
