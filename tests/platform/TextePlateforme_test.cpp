#include "platform/NomOrdinateurQt.h"
#include "platform/ParametresRegionauxQt.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace brivane::platform {
namespace {

TEST(TextePlateforme, ComputerNameAndDateSeparator) {
  const struct {
    const char* hote;
    const char* nom;
  } noms[] = {{"poste7", "poste7"},
              {"poste7.bureau.local", "poste7"},
              {"un-nom-de-machine-bien-trop-long-pour-tenir", "un-nom-de-machine-bien-trop-lo"}};
  for (const auto& n : noms) {
    EXPECT_EQ(NomOrdinateurQt::NomCourt(QString::fromLatin1(n.hote)), QString::fromLatin1(n.nom));
  }
  const struct {
    const char* format;
    const char* separateur;
  } formats[] = {{"yyyy-MM-dd", "-"},     {"dd/MM/yyyy", "/"}, {"d.M.yy", "."},
                 {"yyyy. MM. dd.", ". "}, {"yyyyMMdd", "/"},   {"dd'/'MM'/'yyyy", "/"}};
  for (const auto& f : formats) {
    EXPECT_EQ(ParametresRegionauxQt::SeparatorOf(QString::fromLatin1(f.format)),
              QString::fromLatin1(f.separateur))
        << f.format;
  }
}

}  // namespace
}  // namespace brivane::platform
