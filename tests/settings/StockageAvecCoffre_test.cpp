#include "settings/StockageAvecCoffre.h"

#include "platform/StockageReglagesQt.h"
#include "settings/ConfigurationTransfert.h"
#include "support/FauxCoffre.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane {
namespace {

using testing::FauxCoffre;
using testing::StockageReglagesMemoire;

const ConfigurationTransfert kConfig{QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"),
                                     QStringLiteral("gerald"),  QStringLiteral("s3cret"),
                                     QStringLiteral("3"),       QString(),
                                     QStringLiteral("1")};
const StockageReglagesMemoire::Cle kCle{kApplication, kSectionAcomba, cles::PWDAcomba};

QString Ou(const platform::StockageReglages& store) {
  return store.EmplacementValeur(kApplication, kSectionAcomba, cles::PWDAcomba);
}

TEST(StockageAvecCoffre, ThePasswordGoesToTheKeyringWhereOneAnswersElseToTheFile) {
  StockageReglagesMemoire fichier, autreDossier;
  FauxCoffre coffre;
  StockageAvecCoffre store(fichier, QStringLiteral("/a/Brivane.ini"), coffre);
  ASSERT_TRUE(kConfig.Enregistrer(store));
  EXPECT_EQ(coffre.entrees.at(QStringLiteral("Acomba/PWDAcomba@/a/Brivane.ini")),
            QStringLiteral("s3cret"));
  EXPECT_EQ(fichier.valeurs.at(kCle), QString());
  EXPECT_EQ(coffre.demandes, 1) << "only the password is asked of the keyring";
  EXPECT_EQ(ConfigurationTransfert::Lire(store), kConfig);
  EXPECT_EQ(Ou(store), QStringLiteral("Le mot de passe est gardé dans le trousseau d'essai."));

  // Each configuration folder has its own entry; an emptied password leaves none.
  StockageAvecCoffre autre(autreDossier, QStringLiteral("/b/Brivane.ini"), coffre);
  EXPECT_EQ(ConfigurationTransfert::Lire(autre).PWDAcomba, QString());
  ConfigurationTransfert sans = kConfig;
  sans.PWDAcomba.clear();
  ASSERT_TRUE(sans.Enregistrer(store));
  EXPECT_TRUE(coffre.entrees.empty());

  coffre.muet = true;
  ASSERT_TRUE(kConfig.Enregistrer(autre));
  EXPECT_EQ(autreDossier.valeurs.at(kCle), QStringLiteral("s3cret"));
  EXPECT_EQ(ConfigurationTransfert::Lire(autre), kConfig);
  EXPECT_EQ(Ou(autre), QStringLiteral("Aucun trousseau du système ne répond\u00a0: le mot de passe "
                                      "est gardé avec les autres réglages, dans "
                                      "«\u00a0/b/Brivane.ini\u00a0», lisible par vous seul."));
}

TEST(StockageAvecCoffre, APasswordLeftInTheFileWinsUntilTheNextSaveMovesIt) {
  QTemporaryDir racine;
  platform::StockageReglagesQt fichier(racine.path());
  const QString ini = fichier.Emplacement(kApplication);
  ASSERT_TRUE(kConfig.Enregistrer(fichier));  // as an earlier version left it
  FauxCoffre coffre;
  StockageAvecCoffre store(fichier, ini, coffre);
  coffre.entrees[store.Compte()] = QStringLiteral("plus ancien");
  EXPECT_EQ(ConfigurationTransfert::Lire(store), kConfig);
  EXPECT_EQ(Ou(store), QStringLiteral("Le mot de passe est encore dans «\u00a0%1\u00a0»\u00a0: il "
                                      "passera dans le trousseau d'essai au prochain "
                                      "enregistrement.")
                           .arg(ini));

  ASSERT_TRUE(kConfig.Enregistrer(store));
  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray texte = f.readAll();
  EXPECT_FALSE(texte.contains("PWDAcomba")) << texte.constData();
  EXPECT_TRUE(texte.contains("UserAcomba=gerald"));
  EXPECT_EQ(coffre.entrees.at(store.Compte()), QStringLiteral("s3cret"));
  EXPECT_EQ(ConfigurationTransfert::Lire(store), kConfig);
  // Removing what is gone, or from no file, fails not and creates nothing.
  EXPECT_TRUE(fichier.DeleteSetting(kApplication, kSectionAcomba, cles::PWDAcomba));
  platform::StockageReglagesQt vide(racine.filePath(QStringLiteral("vide")));
  EXPECT_TRUE(vide.DeleteSetting(kApplication, kSectionAcomba, cles::PWDAcomba));
  EXPECT_FALSE(QFile::exists(vide.Emplacement(kApplication)));
  // A relative folder names one file, and one entry, whatever the current folder.
  EXPECT_TRUE(QDir::isAbsolutePath(
      platform::StockageReglagesQt(QStringLiteral("c")).Emplacement(kApplication)));
}

}  // namespace
}  // namespace brivane
