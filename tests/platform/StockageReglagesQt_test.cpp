#include "platform/StockageReglagesQt.h"

#include "settings/ConfigurationTransfert.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace brivane::platform {
namespace {

constexpr QFileDevice::Permissions kGroupeEtAutres =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

TEST(StockageReglagesQt, KeepsEveryValueAsTypedAndReadsMissingKeysAsTheDefault) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString dossier = racine.filePath(QStringLiteral("config/brivane"));
  StockageReglagesQt store(dossier);

  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::PathCie, QString()), QString());
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::PathCie, QStringLiteral("d")),
            QStringLiteral("d"));
  EXPECT_FALSE(QFileInfo::exists(store.Emplacement(kApplication))) << "reading creates nothing";

  const ConfigurationTransfert ecrite{QStringLiteral("C:\\Acomba\\Compagnie Démo"),
                                      QStringLiteral("  /opt/acomba  "),
                                      QStringLiteral("Gérald, l'adjoint; @chef"),
                                      QStringLiteral("m0t=de#passe\"[x]"),
                                      QStringLiteral("12a"),
                                      QString()};
  ASSERT_TRUE(ecrite.Enregistrer(store));

  // A second store on the same folder stands for the next start of the program.
  const StockageReglagesQt relu(dossier);
  EXPECT_EQ(ConfigurationTransfert::Lire(relu), ecrite);
  EXPECT_EQ(relu.GetSetting(kApplication, QStringLiteral("Autre"), cles::PathCie, QString()),
            QString());
  EXPECT_EQ(relu.GetSetting(QStringLiteral("Autre"), kSectionAcomba, cles::PathCie, QString()),
            QString());

  ASSERT_TRUE(store.SaveSetting(kApplication, kSectionAcomba, cles::PathCie, QString()));
  EXPECT_EQ(relu.GetSetting(kApplication, kSectionAcomba, cles::PathCie, QStringLiteral("d")),
            QString())
      << "an empty value is stored, not removed";
}

TEST(StockageReglagesQt, TheFileHoldingThePasswordIsPrivateToItsOwner) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  StockageReglagesQt store(racine.path());
  const QString fichier = store.Emplacement(kApplication);

  ASSERT_TRUE(
      store.SaveSetting(kApplication, kSectionAcomba, cles::PWDAcomba, QStringLiteral("secret")));
  EXPECT_EQ(QFile::permissions(fichier) & kGroupeEtAutres, QFileDevice::Permissions());

  // A file made readable by others is made private again on the next save.
  QFile::setPermissions(fichier, QFile::permissions(fichier) | QFileDevice::ReadOther);
  ASSERT_TRUE(
      store.SaveSetting(kApplication, kSectionAcomba, cles::UserAcomba, QStringLiteral("u")));
  EXPECT_EQ(QFile::permissions(fichier) & kGroupeEtAutres, QFileDevice::Permissions());
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::PWDAcomba, QString()),
            QStringLiteral("secret"));
}

TEST(StockageReglagesQt, AHandWrittenValueWithCommasIsReadWhole) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  StockageReglagesQt store(racine.path());
  QFile f(store.Emplacement(kApplication));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Acomba]\nPathCie=/srv/cie, nord\nGroupeProd=3\n");
  f.close();
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::PathCie, QString()),
            QStringLiteral("/srv/cie, nord"));
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::GroupeProd, QString()),
            QStringLiteral("3"));
}

TEST(StockageReglagesQt, ReportsAStoreThatCannotBeWritten) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  // A file stands where the folder should be.
  const QString bouchon = racine.filePath(QStringLiteral("bouchon"));
  QFile f(bouchon);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  StockageReglagesQt store(bouchon + QStringLiteral("/sous-dossier"));
  EXPECT_FALSE(store.SaveSetting(kApplication, kSectionAcomba, cles::PathCie, QStringLiteral("x")));
}

TEST(StockageReglagesQt, TheEnvironmentChoosesTheFolder) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  ASSERT_EQ(setenv("BRIVANE_CONFIG_DIR", racine.path().toUtf8().constData(), 1), 0);
  const StockageReglagesQt store;
  unsetenv("BRIVANE_CONFIG_DIR");
  EXPECT_FALSE(StockageReglagesQt::DossierParDefaut().startsWith(racine.path()));
  EXPECT_EQ(QFileInfo(store.Emplacement(kApplication)).absolutePath(),
            QFileInfo(racine.path()).absoluteFilePath());
}

TEST(StockageReglagesQt, AFileThatCannotBeReadIsToldApartFromAnEmptyStore) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  StockageReglagesQt store(racine.path());
  const QString chemin = store.Emplacement(kApplication);
  QString raison;
  EXPECT_TRUE(store.Lisible(kApplication, raison)) << "a missing file is an empty store";

  const auto ecrire = [&](const QByteArray& octets) {
    QFile::remove(chemin);
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(octets);
  };
  ecrire("; réglages\n[Acomba]\nPathCie=/srv/cie\n\nGroupeProd=\n");
  EXPECT_TRUE(store.Lisible(kApplication, raison)) << raison.toStdString();

  const QString debut =
      QStringLiteral("Le fichier de configuration « %1 » ne peut pas être lu : ").arg(chemin);
  const struct {
    const char* nom;
    QByteArray contenu;
    QString defaut;
  } cas[] = {
      {"une image", QByteArray("\x89PNG\r\n\x1a\n\xff\xfe\x01", 11),
       QStringLiteral("ce n'est pas un texte UTF-8")},
      {"UTF-16", QByteArray("\xff\xfe[\0A\0]\0\n\0", 10),
       QStringLiteral("il contient des octets nuls : c'est un fichier binaire ou écrit en UTF-16, "
                      "et non un texte")},
      {"Windows-1252",
       "[Acomba]\nPathCie=/srv/Qu\xe9"
       "bec\n",
       QStringLiteral("ce n'est pas un texte UTF-8")},
      {"du texte sans réglages", "[Acomba]\nceci n'est pas un réglage\n",
       QStringLiteral("sa ligne 2 n'est ni une section « [Nom] » ni un réglage « clé=valeur »")},
  };
  for (const auto& c : cas) {
    ecrire(c.contenu);
    raison.clear();
    EXPECT_FALSE(store.Lisible(kApplication, raison)) << c.nom;
    EXPECT_TRUE(raison.startsWith(debut + c.defaut + QStringLiteral(".\r\n")))
        << c.nom << ": " << raison.toStdString();
  }

  QFile::remove(chemin);
  ASSERT_TRUE(QDir().mkpath(chemin));
  EXPECT_FALSE(store.Lisible(kApplication, raison));
  EXPECT_TRUE(raison.startsWith(debut + QStringLiteral("c'est un dossier et non un fichier.")));
  ASSERT_TRUE(QDir(chemin).removeRecursively());

  ecrire("[Acomba]\nPathCie=/srv/cie\n");
  ASSERT_TRUE(QFile::setPermissions(chemin, QFileDevice::WriteOwner));
  if (QFile f(chemin); f.open(QIODevice::ReadOnly)) {
    GTEST_SKIP() << "permissions are not enforced for this user (root): the file opened anyway";
  }
  EXPECT_FALSE(store.Lisible(kApplication, raison));
  EXPECT_TRUE(raison.startsWith(debut + QStringLiteral("permission refusée.")))
      << raison.toStdString();
}

}  // namespace
}  // namespace brivane::platform
