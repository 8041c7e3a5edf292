#include "document/Item.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <functional>

namespace brivane {
namespace {

const QString crlf = QStringLiteral("\r\n");

// A line that passes under both codes.
Item ligneValide() {
  Item i;
  i.code(QStringLiteral("VIS-10"));
  i.Description(QStringLiteral("Vis à bois n° 10"));
  i.GroupeProduit(5);
  i.fournisseur(QStringLiteral("F001"));
  i.PosteGlVente(QStringLiteral("40100"));
  i.PosteGlAchat(QStringLiteral("13000"));
  return i;
}

TEST(ItemValidation, EmptyLineMessagesPerCode) {
  const QString code = crlf + QStringLiteral("Le numéro d'article est obligatoire.");
  const QString description = crlf + QStringLiteral("La description est obligatoire.");
  const QString groupe = crlf + QStringLiteral("Le groupe de produit est obligatoire.");
  const QString fournisseur = crlf + QStringLiteral("Le numéro de fournisseur est obligatoire.");
  const QString vente = crlf + QStringLiteral("Le poste de vente du grand livre est obligatoire.");
  const QString achat =
      crlf + QStringLiteral("Le poste d'inventaire du grand livre est obligatoire.");
  struct Cas {
    std::int32_t code;
    QString message;
  };
  const Cas cas[] = {
      {1, code + description + groupe},
      {2, code + description + fournisseur + vente + achat},
      {0, code + description},
      {3, code + description},
  };
  for (const Cas& c : cas) {
    Item i;
    EXPECT_FALSE(i.IsValide(c.code)) << c.code;
    EXPECT_EQ(i.Message(), c.message) << c.code;
  }
}

TEST(ItemValidation, Code1IgnoresSupplierAndLedgerFieldsCode2RequiresThem) {
  Item i;
  i.code(QStringLiteral("A"));
  i.Description(QStringLiteral("B"));
  i.GroupeProduit(5);
  EXPECT_TRUE(i.IsValide(1));
  EXPECT_FALSE(i.IsValide(2));
  EXPECT_EQ(i.Message(),
            crlf + QStringLiteral("Le numéro de fournisseur est obligatoire.") + crlf +
                QStringLiteral("Le poste de vente du grand livre est obligatoire.") + crlf +
                QStringLiteral("Le poste d'inventaire du grand livre est obligatoire."));
}

TEST(ItemValidation, ProductGroupRuleOnlyUnderCode1AndNegativePasses) {
  Item zero = ligneValide();
  zero.GroupeProduit(0);
  EXPECT_TRUE(zero.IsValide(2));
  EXPECT_FALSE(zero.IsValide(1));
  EXPECT_EQ(zero.Message(), crlf + QStringLiteral("Le groupe de produit est obligatoire."));

  Item negatif = ligneValide();
  negatif.GroupeProduit(-3);
  EXPECT_TRUE(negatif.IsValide(1));
}

TEST(ItemValidation, QuantitiesAmountsAndFreeFieldsAreNotValidated) {
  Item i = ligneValide();
  i.Quantite(-4);
  i.Cout(0);
  const QString enorme(300, u'z');
  i.CodeActivite(enorme);
  i.Projet(enorme);
  i.GLVente(enorme);
  i.TaxableFederal(false);
  EXPECT_TRUE(i.IsValide(1));
  EXPECT_TRUE(i.IsValide(2));
  EXPECT_TRUE(i.Message().isEmpty());
}

struct Limite {
  const char* champ;
  std::function<void(Item&, const QString&)> poser;
  std::int32_t code;
  int limite;
  const char16_t* message;
};

class ItemLimite : public ::testing::TestWithParam<Limite> {};

TEST_P(ItemLimite, AtLimitPassesOneMoreFails) {
  const Limite& l = GetParam();
  Item ok = ligneValide();
  l.poser(ok, QString(l.limite, u'x'));
  EXPECT_TRUE(ok.IsValide(l.code)) << ok.Message().toStdString();

  Item trop = ligneValide();
  l.poser(trop, QString(l.limite + 1, u'x'));
  EXPECT_FALSE(trop.IsValide(l.code));
  EXPECT_EQ(trop.Message(), crlf + QString::fromUtf16(l.message));
}

void code(Item& i, const QString& v) { i.code(v); }
void description(Item& i, const QString& v) { i.Description(v); }
void fournisseur(Item& i, const QString& v) { i.fournisseur(v); }
void vente(Item& i, const QString& v) { i.PosteGlVente(v); }
void achat(Item& i, const QString& v) { i.PosteGlAchat(v); }
void format(Item& i, const QString& v) { i.Format(v); }
void departement(Item& i, const QString& v) { i.Departement(v); }
void specification(Item& i, const QString& v) { i.Specification(v); }
void sousGroupe(Item& i, const QString& v) { i.SousGroupe(v); }
void localisation(Item& i, const QString& v) { i.Localisation(v); }

INSTANTIATE_TEST_SUITE_P(
    LesDeuxSystemes, ItemLimite,
    ::testing::Values(
        Limite{"code", code, 1, 20, u"Le numéro d'article est limité à 20 caractères."},
        Limite{"code", code, 2, 21, u"Le numéro d'article est limité à 21 caractères."},
        Limite{"Description", description, 1, 60, u"La description est limitée à 60 caractères."},
        Limite{"Description", description, 2, 63, u"La description est limitée à 63 caractères."},
        Limite{"fournisseur", fournisseur, 2, 10,
               u"Le numéro fournisseur est limité à 10 caractères."},
        Limite{"PosteGlVente", vente, 2, 5,
               u"Le numéro du poste de vente est limité à 5 caractères."},
        Limite{"PosteGlAchat", achat, 2, 5, u"Le poste d'achat est limité à 5 caractères."},
        Limite{"Format", format, 1, 15, u"Le format est limité à 15 caractères."},
        Limite{"Format", format, 2, 20, u"Le format est limité à 20 caractères."},
        Limite{"Departement", departement, 2, 10, u"Le département est limité à 10 caractères."},
        Limite{"Specification", specification, 2, 20,
               u"La spécification est limité à 20 caractères."},
        Limite{"SousGroupe", sousGroupe, 1, 5, u"Le sous groupe est limité à 5 caractères."},
        Limite{"SousGroupe", sousGroupe, 2, 10, u"Le sous groupe est limité à 10 caractères."},
        Limite{"Localisation", localisation, 1, 15, u"La localisation est limité à 15 caractères."},
        Limite{"Localisation", localisation, 2, 8, u"La localisation est limité à 8 caractères."}),
    [](const auto& p) {
      return std::string(p.param.champ) + "_code" + std::to_string(p.param.code);
    });

TEST(ItemValidation, LimitsOfOneSystemDoNotApplyToTheOther) {
  struct Cas {
    std::function<void(Item&, const QString&)> poser;
    int longueur;
    bool code1;
    bool code2;
  };
  const Cas cas[] = {
      {code, 21, false, true},          {sousGroupe, 8, false, true},
      {localisation, 10, true, false},  {departement, 50, true, false},
      {specification, 50, true, false}, {fournisseur, 50, true, false},
  };
  for (const Cas& c : cas) {
    Item un = ligneValide();
    c.poser(un, QString(c.longueur, u'x'));
    EXPECT_EQ(un.IsValide(1), c.code1) << c.longueur;
    Item deux = ligneValide();
    c.poser(deux, QString(c.longueur, u'x'));
    EXPECT_EQ(deux.IsValide(2), c.code2) << c.longueur;
  }
}

TEST(ItemValidation, SecondCallAppendsAgain) {
  Item i;
  i.IsValide(0);
  i.IsValide(0);
  const QString une = crlf + QStringLiteral("Le numéro d'article est obligatoire.") + crlf +
                      QStringLiteral("La description est obligatoire.");
  EXPECT_EQ(i.Message(), une + une);
}

TEST(ItemProprietes, NewLineDefaults) {
  Item i;
  EXPECT_TRUE(i.TaxableFederal());
  EXPECT_TRUE(i.TaxableProvincial());
  EXPECT_EQ(i.GroupeProduit(), 0);
  EXPECT_EQ(i.Quantite(), 0.0);
  EXPECT_EQ(i.Cout(), 0.0);
  EXPECT_TRUE(i.Message().isEmpty());
  i.TaxableProvincial(false);
  EXPECT_TRUE(i.TaxableFederal());
  EXPECT_FALSE(i.TaxableProvincial());
}

// The shared texts are stored once for many lines: each line still reads back
// exactly what was set on it, whatever was set on the others before or after.
TEST(ItemProprietes, SharedTextsStayEachLinesOwn) {
  using Acces = std::pair<QString (Item::*)() const, void (Item::*)(const QString&)>;
  const Acces champs[] = {{&Item::fournisseur, &Item::fournisseur},
                          {&Item::PosteGlVente, &Item::PosteGlVente},
                          {&Item::PosteGlAchat, &Item::PosteGlAchat},
                          {&Item::CodeActivite, &Item::CodeActivite},
                          {&Item::Format, &Item::Format},
                          {&Item::Departement, &Item::Departement},
                          {&Item::Specification, &Item::Specification},
                          {&Item::SousGroupe, &Item::SousGroupe},
                          {&Item::Localisation, &Item::Localisation},
                          {&Item::Projet, &Item::Projet},
                          {&Item::GLVente, &Item::GLVente}};
  for (std::size_t n = 0; n < std::size(champs); ++n) {
    const auto [lire, ecrire] = champs[n];
    SCOPED_TRACE(n);
    Item a;
    Item b;
    (a.*ecrire)(QStringLiteral("9"));
    (b.*ecrire)(QStringLiteral("9"));
    Item copie = a;
    (copie.*ecrire)(QStringLiteral("Autre"));
    EXPECT_EQ((a.*lire)(), QStringLiteral("9"));
    EXPECT_EQ((b.*lire)(), QStringLiteral("9"));
    EXPECT_EQ((copie.*lire)(), QStringLiteral("Autre"));
    // The other fields of the line stay empty.
    for (std::size_t m = 0; m < std::size(champs); ++m) {
      if (m != n) {
        EXPECT_TRUE((copie.*champs[m].first)().isEmpty()) << m;
      }
    }
    // An empty text and a text never set read back as they were given.
    (b.*ecrire)(QStringLiteral(""));
    EXPECT_TRUE((b.*lire)().isEmpty());
    EXPECT_FALSE((b.*lire)().isNull());
    (b.*ecrire)(QString());
    EXPECT_TRUE((b.*lire)().isNull());
    EXPECT_EQ((a.*lire)(), QStringLiteral("9"));
  }
}

}  // namespace
}  // namespace brivane
