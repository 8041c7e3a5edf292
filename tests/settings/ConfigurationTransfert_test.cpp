#include "settings/ConfigurationTransfert.h"

#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <gtest/gtest.h>

namespace brivane {
namespace {

ConfigurationTransfert complete() {
  return {QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"), QStringLiteral("u"),
          QStringLiteral("p"),       QStringLiteral("3"),          QStringLiteral("D:\\Traite")};
}

TEST(ConfigurationTransfert, IsCompleteWhenTheFiveRequiredSettingsAreGiven) {
  struct Cas {
    const char* nom;
    QString ConfigurationTransfert::*champ;
    QString valeur;
    bool complete;
  };
  const Cas cas[] = {
      {"PathCie vide", &ConfigurationTransfert::PathCie, QString(), false},
      {"PathAcomba vide", &ConfigurationTransfert::PathAcomba, QString(), false},
      {"UserAcomba vide", &ConfigurationTransfert::UserAcomba, QString(), false},
      {"PWDAcomba vide", &ConfigurationTransfert::PWDAcomba, QString(), false},
      {"GroupeProd vide", &ConfigurationTransfert::GroupeProd, QString(), false},
      {"DossierTraite vide", &ConfigurationTransfert::DossierTraite, QString(), true},
      {"blancs", &ConfigurationTransfert::PWDAcomba, QStringLiteral("  "), true},
      {"GroupeProd non numérique", &ConfigurationTransfert::GroupeProd, QStringLiteral("12a"),
       true},
  };
  EXPECT_TRUE(complete().EstComplete());
  EXPECT_FALSE(ConfigurationTransfert{}.EstComplete());
  for (const Cas& c : cas) {
    ConfigurationTransfert config = complete();
    config.*c.champ = c.valeur;
    EXPECT_EQ(config.EstComplete(), c.complete) << c.nom;
  }
}

TEST(ConfigurationTransfert, ReadsAndWritesItsKeysOfTheAcombaSectionInOrder) {
  testing::StockageReglagesMemoire store;
  EXPECT_EQ(ConfigurationTransfert::Lire(store), ConfigurationTransfert{});

  ASSERT_TRUE(complete().Enregistrer(store));
  const auto cle = [](const QString& k) {
    return testing::StockageReglagesMemoire::Cle{QStringLiteral("Brivane"),
                                                 QStringLiteral("Acomba"), k};
  };
  const std::vector<testing::StockageReglagesMemoire::Cle> ordre = {
      cle(QStringLiteral("PathCie")),          cle(QStringLiteral("PathAcomba")),
      cle(QStringLiteral("UserAcomba")),       cle(QStringLiteral("PWDAcomba")),
      cle(QStringLiteral("GroupeProd")),       cle(QStringLiteral("DossierTraite")),
      cle(QStringLiteral("SystemeComptable")), cle(QStringLiteral("Fournisseur")),
      cle(QStringLiteral("PosteGlVente")),     cle(QStringLiteral("PosteGlAchat"))};
  EXPECT_EQ(store.ecritures, ordre);
  EXPECT_EQ(store.valeurs.at(cle(QStringLiteral("PathCie"))), QStringLiteral("C:\\Cie"));
  EXPECT_EQ(store.valeurs.at(cle(QStringLiteral("DossierTraite"))), QStringLiteral("D:\\Traite"));
  EXPECT_EQ(ConfigurationTransfert::Lire(store), complete());

  store.refuserEcritures = true;
  store.ecritures.clear();
  EXPECT_FALSE(complete().Enregistrer(store));
  EXPECT_EQ(store.ecritures.size(), 10U) << "a refused write does not stop the others";

  // A store written before the accounting system could be chosen reads as the SDK.
  testing::StockageReglagesMemoire ancien;
  for (std::size_t i = 0; i < 6; ++i) {
    ancien.valeurs[ordre[i]] = QStringLiteral("x");
  }
  ancien.valeurs[ordre[4]] = QStringLiteral("3");
  const ConfigurationTransfert lue = ConfigurationTransfert::Lire(ancien);
  EXPECT_EQ(lue.Systeme(), kSystemeSdk);
  EXPECT_TRUE(lue.EstComplete());
}

ConfigurationTransfert dbase() {
  ConfigurationTransfert c;
  c.PathCie = QStringLiteral("/cie");
  c.GroupeProd = QStringLiteral("3");
  c.SystemeComptable = QStringLiteral("2");
  c.Fournisseur = QStringLiteral("F1");
  c.PosteGlVente = QStringLiteral("40100");
  c.PosteGlAchat = QStringLiteral("13100");
  return c;
}

TEST(ConfigurationTransfert, TheChosenSystemDecidesWhatIsRequiredAndWhatTheUserIsTold) {
  EXPECT_EQ(ConfigurationTransfert{}.Systeme(), kSystemeSdk);
  EXPECT_EQ(dbase().Systeme(), kSystemeDbase);
  // Neither credentials nor the program folder are needed by the dBASE tables.
  EXPECT_TRUE(dbase().EstComplete());
  QString ConfigurationTransfert::*const requis[] = {
      &ConfigurationTransfert::PathCie, &ConfigurationTransfert::GroupeProd,
      &ConfigurationTransfert::Fournisseur, &ConfigurationTransfert::PosteGlVente,
      &ConfigurationTransfert::PosteGlAchat};
  for (const auto champ : requis) {
    ConfigurationTransfert c = dbase();
    (c.*champ).clear();
    EXPECT_FALSE(c.EstComplete());
    EXPECT_TRUE(c.MessageIncomplete().startsWith(
        QStringLiteral("La configuration du transfert vers les tables dBASE n'est pas complète")));
  }
  // The SDK's own message is kept to the letter.
  ConfigurationTransfert sdk = complete();
  sdk.UserAcomba.clear();
  EXPECT_EQ(sdk.MessageIncomplete(),
            QStringLiteral("La configuration du transfert pour Acomba n'est pas compléte. "
                           "Veuillez la faire avant de continuer."));

  // A value neither program wrote is never taken for one of the two systems,
  // and reaches the user as it is, "%1" included.
  for (const char* valeur : {"3", " 2", "dbase", "%1", "0"}) {
    ConfigurationTransfert c = complete();
    c.SystemeComptable = QString::fromUtf8(valeur);
    EXPECT_EQ(c.Systeme(), 0) << valeur;
    EXPECT_FALSE(c.EstComplete()) << valeur;
    EXPECT_TRUE(
        c.MessageIncomplete().contains(QStringLiteral("«\u00a0%1\u00a0»").arg(c.SystemeComptable)))
        << c.MessageIncomplete().toStdString();
  }
}

}  // namespace
}  // namespace brivane
