#pragma once
// File names as the system gives them, in a QString and back, without loss.
// A POSIX file name is any string of bytes; Qt decodes it as UTF-8 and
// turns bytes that are not UTF-8 into U+FFFD, after which the file cannot
// be found again. Here each such byte 0xXY travels as the lone surrogate
// U+DCXY instead (as Python's "surrogateescape" does), and comes back as
// the same byte. Valid UTF-8 is decoded as Qt does.

#include <QString>
#include <string>

QString pathFromNative(const std::string& bytes);
std::string nativeFromPath(const QString& path);
