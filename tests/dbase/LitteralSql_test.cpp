#include "dbase/LitteralSql.h"
#include "dbase/ModeleSql.h"
#include "document/ErreurInattendue.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>

namespace brivane::dbase {
namespace {

struct Cas {
  const char* nom;
  std::function<QString()> forme;
  QString attendu;
};

class LitteralTest : public ::testing::TestWithParam<Cas> {};

TEST_P(LitteralTest, WritesTheValueInItsForm) { EXPECT_EQ(GetParam().forme(), GetParam().attendu); }

INSTANTIATE_TEST_SUITE_P(
    Formes, LitteralTest,
    ::testing::Values(
        Cas{"ApostropheDoubled", [] { return literal::TexteCite(QStringLiteral("O'Neil")); },
            QStringLiteral("'O''Neil'")},
        Cas{"TwoApostrophes", [] { return literal::TexteCite(QStringLiteral("''")); },
            QStringLiteral("''''''")},
        Cas{"NulWrittenInHex",
            [] { return literal::TexteCite(QStringLiteral("a") + QChar(u'\0') + u'b'); },
            QStringLiteral("cast(x'610062' as text)")},
        Cas{"AccentsKept", [] { return literal::TexteCite(QStringLiteral("L'Érable")); },
            QStringLiteral("'L''Érable'")},
        Cas{"EmptyOptionalIsNull", [] { return literal::TexteOptionnel(QString()); },
            QStringLiteral("null")},
        Cas{"BlankOptionalIsText", [] { return literal::TexteOptionnel(QStringLiteral(" ")); },
            QStringLiteral("' '")},
        Cas{"OptionalQuoted", [] { return literal::TexteOptionnel(QStringLiteral("Lévis")); },
            QStringLiteral("'Lévis'")},
        Cas{"FlagTrue", [] { return literal::Drapeau(true); }, QStringLiteral("1")},
        Cas{"FlagFalse", [] { return literal::Drapeau(false); }, QStringLiteral("0")},
        Cas{"NumberHalf", [] { return literal::Nombre(12.5); }, QStringLiteral("12.5")},
        Cas{"NumberWhole", [] { return literal::Nombre(3); }, QStringLiteral("3")},
        Cas{"NumberSmall", [] { return literal::Nombre(0.05); }, QStringLiteral("0.05")},
        Cas{"NumberRate", [] { return literal::Nombre(0.09975); }, QStringLiteral("0.09975")},
        Cas{"NumberNegative", [] { return literal::Nombre(-0.1); }, QStringLiteral("-0.1")},
        Cas{"NumberNegativeZero", [] { return literal::Nombre(-0.0); }, QStringLiteral("0")},
        Cas{"NumberNoExponentLarge", [] { return literal::Nombre(1e20); },
            QStringLiteral("100000000000000000000")},
        Cas{"NumberNoExponentSmall", [] { return literal::Nombre(1.5e-7); },
            QStringLiteral("0.00000015")},
        Cas{"NumberFifteenDigits", [] { return literal::Nombre(0.1 + 0.2); },
            QStringLiteral("0.3")},
        Cas{"NumberNoGrouping", [] { return literal::Nombre(1234567.25); },
            QStringLiteral("1234567.25")},
        Cas{"AmountHalfDown", [] { return literal::Montant(0.125); }, QStringLiteral("0.12")},
        Cas{"AmountHalfUp", [] { return literal::Montant(0.375); }, QStringLiteral("0.38")},
        Cas{"AmountProduct", [] { return literal::Montant(0.5 * 0.25); }, QStringLiteral("0.12")},
        Cas{"AmountNotExactHalf", [] { return literal::Montant(2.675); },
            QStringLiteral("2.67")},  // 2.67499999... in binary
        Cas{"AmountJustAboveHalf", [] { return literal::Montant(1.2750000000000001); },
            QStringLiteral("1.28")},
        Cas{"AmountCarry", [] { return literal::Montant(9.995); }, QStringLiteral("9.99")},
        Cas{"AmountCarryUp", [] { return literal::Montant(9.999); }, QStringLiteral("10")},
        Cas{"AmountNegativeHalf", [] { return literal::Montant(-0.125); }, QStringLiteral("-0.12")},
        Cas{"AmountTotal", [] { return literal::Montant(200 * 0.05 + 200 + 0.09975 * 200); },
            QStringLiteral("229.95")},
        Cas{"DocumentSoumission", [] { return literal::NumeroDocument(true, 7); },
            QStringLiteral("'!00007'")},
        Cas{"DocumentFacture", [] { return literal::NumeroDocument(false, 42); },
            QStringLiteral("'?00042'")},
        Cas{"DocumentFiveDigits", [] { return literal::NumeroDocument(true, 12345); },
            QStringLiteral("'!12345'")},
        Cas{"DateSlash", [] { return literal::Date(QDate(2024, 3, 5), QStringLiteral("/")); },
            QStringLiteral("'2024/03/05'")},
        Cas{"DateDash", [] { return literal::Date(QDate(2024, 3, 5), QStringLiteral("-")); },
            QStringLiteral("'2024-03-05'")},
        Cas{"ProductAfter", [] { return literal::CodeProduitApres(QStringLiteral("AB6")); },
            QStringLiteral("AB6..................")},
        Cas{"ProductBefore", [] { return literal::CodeProduitAvant(QStringLiteral("AB6")); },
            QStringLiteral("..................AB6")},
        Cas{"ProductApostropheCountedOnce",
            [] { return literal::TexteCite(literal::CodeProduitApres(QStringLiteral("A'B"))); },
            QStringLiteral("'A''B..................'")},
        Cas{"ProductFull",
            [] { return literal::CodeProduitApres(QStringLiteral("123456789012345678901")); },
            QStringLiteral("123456789012345678901")}),
    [](const ::testing::TestParamInfo<Cas>& p) { return std::string(p.param.nom); });

TEST(LitteralTest, NumbersKeepThePointUnderAFrenchLocale) {
  const QLocale avant;
  QLocale::setDefault(QLocale(QLocale::French, QLocale::Canada));
  const char* ancien = std::setlocale(LC_NUMERIC, nullptr);
  const std::string sauve = ancien != nullptr ? ancien : "C";
  std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");  // when the machine has it
  EXPECT_EQ(literal::Nombre(12.5), QStringLiteral("12.5"));
  EXPECT_EQ(literal::Montant(12.5), QStringLiteral("12.5"));
  std::setlocale(LC_NUMERIC, sauve.c_str());
  QLocale::setDefault(avant);
}

TEST(LitteralTest, ValuesThatCannotBeWrittenAreRefused) {
  EXPECT_THROW(literal::NumeroDocument(true, 100000), ErreurInattendue);
  EXPECT_THROW(literal::NumeroDocument(false, -1), ErreurInattendue);
  EXPECT_THROW(literal::Montant(std::numeric_limits<double>::quiet_NaN()), ErreurInattendue);
  EXPECT_THROW(literal::Nombre(std::numeric_limits<double>::infinity()), ErreurInattendue);
  // 15 digits of the largest double round past it: written, it would read back infinite.
  EXPECT_THROW(literal::Nombre(-std::numeric_limits<double>::max()), ErreurInattendue);
  EXPECT_EQ(literal::Nombre(1e308), QStringLiteral("1") + QString(308, u'0'));
}

TEST(SqlTemplateTest, JoinsPiecesAndReplacesEveryOccurrenceInOrder) {
  struct Remplacement {
    const char* placeholder;
    QString literal;
  };
  const struct {
    const char* nom;
    QStringList pieces;
    std::vector<Remplacement> remplacements;
    QString attendu;
  } cas[] = {
      {"PiecesJoinedAsGiven",
       {QStringLiteral("insert into t(a) "), QStringLiteral("VALUES(@a)")},
       {{"@a", QStringLiteral("1")}},
       QStringLiteral("insert into t(a) VALUES(1)")},
      {"PlaceholderTwice",
       {QStringLiteral("values(@nom,@x,@nom)")},
       {{"@nom", QStringLiteral("'A'")}, {"@x", QStringLiteral("2")}},
       QStringLiteral("values('A',2,'A')")},
      {"PlaceholderFourTimes",
       {QStringLiteral("@g,@g,"), QStringLiteral("@g,@g")},
       {{"@g", QStringLiteral("229.95")}},
       QStringLiteral("229.95,229.95,229.95,229.95")},
      {"ValueHoldingALaterPlaceholder",
       {QStringLiteral("values(@nom,@adresse)")},
       {{"@nom", QStringLiteral("'Chez @adresse'")}, {"@adresse", QStringLiteral("'1 rue A'")}},
       QStringLiteral("values('Chez @adresse','1 rue A')")},
      {"ValueHoldingItsOwnPlaceholder",
       {QStringLiteral("values(@nom,@nom)")},
       {{"@nom", QStringLiteral("'@nom'")}},
       QStringLiteral("values('@nom','@nom')")},
      {"CaseExact",
       {QStringLiteral("@CodeP,@codep")},
       {{"@CodeP", QStringLiteral("'G1R'")}},
       QStringLiteral("'G1R',@codep")},
      {"PlainTextSearch",
       {QStringLiteral("@tel,@telephone")},
       {{"@tel", QStringLiteral("1")}},
       QStringLiteral("1,1ephone")},
      {"PlaceholderOfOtherCharacters",
       {QStringLiteral("a X b X@X")},
       {{"X", QStringLiteral("1")}, {"@1", QStringLiteral("2")}},
       QStringLiteral("a 1 b 1@1")},
      {"PlaceholderAtTheVeryEnd",
       {QStringLiteral("@a@"), QStringLiteral("@a")},
       {{"@a", QStringLiteral("'x'")}, {"@", QStringLiteral("!")}},
       QStringLiteral("'x'!'x'")},
      {"UnknownPlaceholderLeft",
       {QStringLiteral("values(@a)")},
       {{"@b", QStringLiteral("1")}},
       QStringLiteral("values(@a)")},
  };
  for (const auto& c : cas) {
    ModeleSql gabarit(c.pieces);
    for (const Remplacement& r : c.remplacements) {
      gabarit.Remplacer(QString::fromLatin1(r.placeholder), r.literal);
    }
    EXPECT_EQ(gabarit.Texte(), c.attendu) << c.nom;
  }
}

}  // namespace
}  // namespace brivane::dbase
