#include "settings/ConfigurationTransfert.h"

#include "support/MemorySettingsStore.h"
#include "support/QStringPrinter.h"

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

TEST(ConfigurationTransfert, ReadsAndWritesTheSixKeysOfTheAcombaSectionInOrder) {
  testing::MemorySettingsStore store;
  EXPECT_EQ(ConfigurationTransfert::Lire(store), ConfigurationTransfert{});

  ASSERT_TRUE(complete().Enregistrer(store));
  const auto cle = [](const QString& k) {
    return testing::MemorySettingsStore::Cle{QStringLiteral("Brivane"), QStringLiteral("Acomba"),
                                             k};
  };
  const std::vector<testing::MemorySettingsStore::Cle> ordre = {
      cle(QStringLiteral("PathCie")),    cle(QStringLiteral("PathAcomba")),
      cle(QStringLiteral("UserAcomba")), cle(QStringLiteral("PWDAcomba")),
      cle(QStringLiteral("GroupeProd")), cle(QStringLiteral("DossierTraite"))};
  EXPECT_EQ(store.ecritures, ordre);
  EXPECT_EQ(store.valeurs.at(cle(QStringLiteral("PathCie"))), QStringLiteral("C:\\Cie"));
  EXPECT_EQ(store.valeurs.at(cle(QStringLiteral("DossierTraite"))), QStringLiteral("D:\\Traite"));
  EXPECT_EQ(ConfigurationTransfert::Lire(store), complete());

  store.refuserEcritures = true;
  store.ecritures.clear();
  EXPECT_FALSE(complete().Enregistrer(store));
  EXPECT_EQ(store.ecritures.size(), 6U) << "a refused write does not stop the others";
}

}  // namespace
}  // namespace brivane
