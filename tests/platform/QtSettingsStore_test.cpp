#include "platform/QtSettingsStore.h"

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

TEST(QtSettingsStore, KeepsEveryValueAsTypedAndReadsMissingKeysAsTheDefault) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString dossier = racine.filePath(QStringLiteral("config/brivane"));
  QtSettingsStore store(dossier);

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
  const QtSettingsStore relu(dossier);
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

TEST(QtSettingsStore, TheFileHoldingThePasswordIsPrivateToItsOwner) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  QtSettingsStore store(racine.path());
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

TEST(QtSettingsStore, AHandWrittenValueWithCommasIsReadWhole) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  QtSettingsStore store(racine.path());
  QFile f(store.Emplacement(kApplication));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[Acomba]\nPathCie=/srv/cie, nord\nGroupeProd=3\n");
  f.close();
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::PathCie, QString()),
            QStringLiteral("/srv/cie, nord"));
  EXPECT_EQ(store.GetSetting(kApplication, kSectionAcomba, cles::GroupeProd, QString()),
            QStringLiteral("3"));
}

TEST(QtSettingsStore, ReportsAStoreThatCannotBeWritten) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  // A file stands where the folder should be.
  const QString bouchon = racine.filePath(QStringLiteral("bouchon"));
  QFile f(bouchon);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  QtSettingsStore store(bouchon + QStringLiteral("/sous-dossier"));
  EXPECT_FALSE(store.SaveSetting(kApplication, kSectionAcomba, cles::PathCie, QStringLiteral("x")));
}

TEST(QtSettingsStore, TheEnvironmentChoosesTheFolder) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  ASSERT_EQ(setenv("BRIVANE_CONFIG_DIR", racine.path().toUtf8().constData(), 1), 0);
  const QtSettingsStore store;
  unsetenv("BRIVANE_CONFIG_DIR");
  EXPECT_FALSE(QtSettingsStore::DossierParDefaut().startsWith(racine.path()));
  EXPECT_EQ(QFileInfo(store.Emplacement(kApplication)).absolutePath(),
            QFileInfo(racine.path()).absoluteFilePath());
}

}  // namespace
}  // namespace brivane::platform
