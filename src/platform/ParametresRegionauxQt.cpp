#include "platform/ParametresRegionauxQt.h"

#include <QLocale>

namespace brivane::platform {

QString ParametresRegionauxQt::separateurDate() const {
  return SeparatorOf(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString ParametresRegionauxQt::SeparatorOf(const QString& dateFormat) {
  // The first run of other characters after the first field; quoted text is
  // literal in Qt formats, so the quotes themselves are dropped.
  qsizetype i = 0;
  while (i < dateFormat.size() && dateFormat[i].isLetter()) {
    ++i;
  }
  QString separator;
  while (i < dateFormat.size() && !dateFormat[i].isLetter()) {
    if (dateFormat[i] != u'\'') {
      separator += dateFormat[i];
    }
    ++i;
  }
  return separator.isEmpty() ? QStringLiteral("/") : separator;
}

}  // namespace brivane::platform
