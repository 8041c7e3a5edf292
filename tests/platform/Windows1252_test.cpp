#include "platform/Windows1252.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace brivane::platform {
namespace {

TEST(Windows1252, DecodesEveryRangeOfTheCodePage) {
  struct Cas {
    QByteArray octets;
    QString texte;
  };
  const Cas cas[] = {
      {QByteArray("Vis;12"), QStringLiteral("Vis;12")},
      // Québec, as the producing program writes it.
      {QByteArray("Qu\xE9"
                  "bec"),
       QStringLiteral("Québec")},
      {QByteArray("\x80\x8C\x9C\x9F\x99"), QStringLiteral("€ŒœŸ™")},
      {QByteArray("\x85\x91\x92\x93\x94\x96\x97"), QStringLiteral("…‘’“”–—")},
      {QByteArray("\xA0\xC9\xFF"), QStringLiteral("\u00A0Éÿ")},
      // Unassigned bytes keep their number rather than disappearing.
      {QByteArray("\x81\x8D\x8F\x90\x9D"), QStringLiteral("\u0081\u008D\u008F\u0090\u009D")},
      {QByteArray("a\0b", 3), QString(QChar(u'a')) + QChar(u'\0') + QChar(u'b')},
      {QByteArray(), QString()},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(DecoderWindows1252(c.octets), c.texte) << c.octets.toHex().constData();
  }
}

TEST(Windows1252, GivesOneCharacterPerByte) {
  QByteArray tous;
  for (int b = 0; b < 256; ++b) {
    tous.append(static_cast<char>(b));
  }
  const QString texte = DecoderWindows1252(tous);
  ASSERT_EQ(texte.size(), 256);
  for (int b = 0; b < 256; ++b) {
    if (b < 0x80 || b > 0x9F) {
      EXPECT_EQ(texte[b].unicode(), b);
    }
  }
}

}  // namespace
}  // namespace brivane::platform
