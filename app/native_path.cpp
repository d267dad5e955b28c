#include "app/native_path.h"

namespace {
// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are
// not one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t utf8Length(const std::string& s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  unsigned min = 0, cp = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}
}  // namespace

QString pathFromNative(const std::string& bytes) {
  QString out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = utf8Length(bytes, i);
    if (n == 0) {
      out += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
      i += n;
    }
  }
  return out;
}

std::string nativeFromPath(const QString& path) {
  std::string out;
  qsizetype start = 0;
  const auto flush = [&](qsizetype end) {
    if (end > start) out += path.mid(start, end - start).toStdString();
  };
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t u = path.at(i).unicode();
    // An escaped byte: a low surrogate that no high surrogate precedes.
    const bool lone = u >= 0xDC80 && u <= 0xDCFF && (i == 0 || !path.at(i - 1).isHighSurrogate());
    if (!lone) continue;
    flush(i);
    out += static_cast<char>(u - 0xDC00);
    start = i + 1;
  }
  flush(path.size());
  return out;
}
