// The user manual: the PDF the build makes is a whole PDF of several pages,
// and its source explains every numbered message the program can show.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <set>

namespace {

QByteArray readAll(const char* path) {
  QFile f(QString::fromLocal8Bit(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Manual, BuiltPdfIsCompleteAndHasSeveralPages) {
  const QByteArray pdf = readAll(TQ_HELP_PDF);
  ASSERT_FALSE(pdf.isEmpty()) << TQ_HELP_PDF;
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_TRUE(pdf.right(32).trimmed().endsWith("%%EOF"));

  static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page(?![a-zA-Z]))"));
  int pages = 0;
  for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next()) ++pages;
  EXPECT_GT(pages, 1);
}

TEST(Manual, SourceExplainsEveryNumberedMessage) {
  const QString text = QString::fromUtf8(readAll(TQ_HELP_SOURCE));
  ASSERT_FALSE(text.isEmpty()) << TQ_HELP_SOURCE;
  std::set<int> expected;
  for (int n = 1; n <= 15; ++n) expected.insert(n);
  for (int n = 37; n <= 67; ++n) expected.insert(n);
  std::set<int> found;
  static const QRegularExpression number(QStringLiteral(R"(message (\d+)\b)"));
  for (auto it = number.globalMatch(text); it.hasNext();) found.insert(it.next().captured(1).toInt());
  for (int n : expected) EXPECT_TRUE(found.count(n)) << "message " << n << " is not in the manual";
}

}  // namespace
