#include "app/desktop.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QStringList>
#include <QUrl>

namespace {

// Accepts both Qt filters ("All Files (*.*)") and the pipe-separated form
// ("*.pdf|*.pdf||"). "*.*" means every file, also names without a dot.
QString qtFilter(const QString& filter) {
  QString out;
  if (filter.contains(QLatin1Char('|'))) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
      QString name = parts[i];
      const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
      filters << (name.contains(QLatin1Char('(')) ? name
                                                  : name + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    out = filters.join(QStringLiteral(";;"));
  } else {
    out = filter;
  }
  return out.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
}

}  // namespace

QString QtDesktop::getOpenFileName(QWidget* parent, const QString& title, const QString& initialName,
                                   const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, initialName, qtFilter(filter));
}

QString QtDesktop::getSaveFileName(QWidget* parent, const QString& title, const QString& initialName,
                                   const QString& filter) {
  return QFileDialog::getSaveFileName(parent, title, initialName, qtFilter(filter));
}

void QtDesktop::openDocument(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
