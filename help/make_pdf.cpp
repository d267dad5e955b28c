// Turns the user manual's Markdown source into TQ740conf_help.pdf: A4 at
// 300 dpi, with the screenshots that exist embedded and those that do not
// left out. Run at build time on the offscreen platform.
//
//   tq_make_pdf MANUAL.md OUTPUT.pdf IMAGE_DIR

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Widest picture on the page, in the layout's units of 1/96 inch: the A4
// text width between the two 2 cm margins that printing adds.
constexpr double kMaxImageWidth = 600;

struct Picture {
  QString key;
  QImage image;
};

// A screenshot on the white page gets a thin grey frame.
QImage framed(const QImage& image) {
  QImage out(image.width() + 2, image.height() + 2, QImage::Format_RGB32);
  out.fill(QColor(0xa0, 0xa8, 0xb4));
  QPainter p(&out);
  p.drawImage(1, 1, image);
  return out;
}

// Replaces each line that holds only an image, "![caption](file)", by the
// image and its caption in italics, or drops it when the file is missing.
QString embedPictures(const QString& markdown, const QString& imageDir, std::vector<Picture>& pictures) {
  static const QRegularExpression imageLine(QStringLiteral(R"(^!\[([^\]]*)\]\(([^)\s]+)\)\s*$)"));
  QStringList out;
  const QStringList lines = markdown.split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    const QRegularExpressionMatch m = imageLine.match(line);
    if (!m.hasMatch()) {
      out << line;
      continue;
    }
    const QString caption = m.captured(1);
    const QString path = QFileInfo(m.captured(2)).isAbsolute() ? m.captured(2) : imageDir + QLatin1Char('/') + m.captured(2);
    QImage image;
    if (!QFileInfo::exists(path) || !image.load(path)) {
      std::fprintf(stderr, "tq_make_pdf: no picture %s, left out\n", qPrintable(path));
      continue;
    }
    const QString key = QStringLiteral("picture%1").arg(pictures.size());
    pictures.push_back({key, framed(image)});
    out << QStringLiteral("![%1](%2)").arg(caption, key) << QString() << QStringLiteral("*%1*").arg(caption);
  }
  return out.join(QLatin1Char('\n'));
}

void scalePictures(QTextDocument& doc, const std::vector<Picture>& pictures) {
  for (const Picture& p : pictures) doc.addResource(QTextDocument::ImageResource, QUrl(p.key), p.image);

  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.charFormat().isImageFormat()) continue;
      QTextImageFormat format = fragment.charFormat().toImageFormat();
      for (const Picture& p : pictures) {
        if (p.key != format.name()) continue;
        const double width = std::min<double>(kMaxImageWidth, p.image.width());
        format.setWidth(width);
        format.setHeight(width * p.image.height() / p.image.width());
      }
      QTextCursor cursor(&doc);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(format);
    }
    // A picture paragraph and its caption are centred.
    const bool picture = block.text() == QString(QChar::ObjectReplacementCharacter);
    if (picture) {
      QTextCursor cursor(block);
      QTextBlockFormat f = block.blockFormat();
      f.setAlignment(Qt::AlignHCenter);
      f.setTopMargin(6);
      cursor.setBlockFormat(f);
      const QTextBlock next = block.next();
      if (next.isValid()) {
        QTextCursor c(next);
        QTextBlockFormat nf = next.blockFormat();
        nf.setAlignment(Qt::AlignHCenter);
        nf.setBottomMargin(10);
        c.setBlockFormat(nf);
      }
    }
  }
}

void styleDocument(QTextDocument& doc) {
  int chapter = 0;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const int level = block.blockFormat().headingLevel();
    if (level == 0) {
      // Code blocks on a light grey ground, set in a little.
      if (block.blockFormat().nonBreakableLines()) {
        QTextCursor cursor(block);
        QTextBlockFormat f = block.blockFormat();
        f.setBackground(QColor(0xf0, 0xf2, 0xf4));
        f.setLeftMargin(8);
        cursor.setBlockFormat(f);
      }
      continue;
    }
    QTextCursor cursor(block);
    QTextBlockFormat f = block.blockFormat();
    f.setTopMargin(level == 1 ? 0 : 14);
    f.setBottomMargin(6);
    // Each chapter starts a new page; the title page stands alone.
    if (level == 1) {
      if (chapter > 0) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      ++chapter;
    }
    cursor.setBlockFormat(f);
    cursor.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat c;
    c.setForeground(QColor(0x1f, 0x4e, 0x8c));
    cursor.mergeCharFormat(c);
  }

  // Tables: thin grey grid, some padding, bold header row.
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table) continue;
    QTextTableFormat f = table->format();
    f.setBorder(1);
    f.setBorderBrush(QColor(0xa0, 0xa8, 0xb4));
    f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    f.setBorderCollapse(false);
    f.setCellPadding(3);
    f.setCellSpacing(0);
    f.setHeaderRowCount(1);
    f.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table->setFormat(f);
    for (int col = 0; col < table->columns(); ++col) {
      QTextTableCell cell = table->cellAt(0, col);
      QTextCharFormat header = cell.format();
      header.setBackground(QColor(0xe4, 0xea, 0xf2));
      cell.setFormat(header);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: tq_make_pdf MANUAL.md OUTPUT.pdf IMAGE_DIR\n");
    return 2;
  }
  QFile input(QString::fromLocal8Bit(argv[1]));
  if (!input.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "tq_make_pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<Picture> pictures;
  const QString markdown =
      embedPictures(QString::fromUtf8(input.readAll()), QString::fromLocal8Bit(argv[3]), pictures);

  QTextDocument doc;
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(10);
  doc.setDefaultFont(font);
  doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  scalePictures(doc, pictures);
  styleDocument(doc);

  const QString outPath = QString::fromLocal8Bit(argv[2]);
  const QString tmpPath = outPath + QStringLiteral(".part");
  {
    QPdfWriter writer(tmpPath);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("TQ740conf User Manual"));
    writer.setCreator(QStringLiteral("TQ740conf"));
    doc.print(&writer);
  }
  QFile::remove(outPath);
  if (!QFile::rename(tmpPath, outPath)) {
    std::fprintf(stderr, "tq_make_pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
