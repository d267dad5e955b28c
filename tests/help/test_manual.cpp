// The user manual: the PDF the build makes is a whole PDF of several pages
// with bookmarks and a link target for every chapter, and its source
// explains every numbered message the program can show.

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

// Every chapter of the source ("# 3. Connecting ...") is a named destination
// of the PDF, which the contents page's links and page numbers point at, and
// the PDF has an outline (bookmarks).
TEST(Manual, EveryChapterIsALinkTargetAndThePdfHasBookmarks) {
  const QByteArray pdf = readAll(TQ_HELP_PDF);
  const QString text = QString::fromUtf8(readAll(TQ_HELP_SOURCE));
  ASSERT_FALSE(pdf.isEmpty() || text.isEmpty());
  EXPECT_TRUE(pdf.contains("/Outlines"));

  static const QRegularExpression chapter(QStringLiteral(R"(^# (\d+\. .+)$)"),
                                          QRegularExpression::MultilineOption);
  static const QRegularExpression nonWord(QStringLiteral("[^a-z0-9]+"));
  int chapters = 0;
  for (auto it = chapter.globalMatch(text); it.hasNext(); ++chapters) {
    QString id = it.next().captured(1).toLower().replace(nonWord, QStringLiteral("-"));
    while (id.endsWith(u'-')) id.chop(1);
    EXPECT_TRUE(pdf.contains("(" + id.toLatin1() + ")")) << id.toStdString();
  }
  EXPECT_GE(chapters, 10);
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
