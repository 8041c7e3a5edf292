#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest show QString values (and their CR LF) in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
  QString visible = s;
  visible.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
  *os << '"' << visible.toStdString() << '"';
}
QT_END_NAMESPACE
