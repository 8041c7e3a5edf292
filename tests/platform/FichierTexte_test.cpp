#include "platform/FichierTexte.h"

#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane::platform {
namespace {

void ecrire(const QString& chemin, const QByteArray& octets) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(octets);
}

QByteArray lire(const QString& chemin) {
  QFile f(chemin);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

TEST(QtLecteurFichier, ReadsTheBytesUnchangedOrSaysWhyNot) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString fichier = dossier.filePath(QStringLiteral("f.csv"));
  ecrire(fichier, QByteArray("a\r\nQu\xE9"
                             "bec\n"));
  const QtLecteurFichier lecteur;
  QString raison;
  EXPECT_EQ(lecteur.LireOctets(fichier, raison), QByteArray("a\r\nQu\xE9"
                                                            "bec\n"));

  for (const QString& absent :
       {dossier.filePath(QStringLiteral("absent.csv")), dossier.path(), QStringLiteral("   ")}) {
    raison.clear();
    EXPECT_FALSE(lecteur.LireOctets(absent, raison)) << absent.toStdString();
    EXPECT_FALSE(raison.isEmpty());
  }
}

TEST(QtDeplaceurFichier, MovesOnlyToAFreeNameInAnExistingFolder) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString source = dossier.filePath(QStringLiteral("facture.csv"));
  const QString traite = dossier.filePath(QStringLiteral("traite"));
  ASSERT_TRUE(QDir().mkpath(traite));
  const QString cible = traite + QStringLiteral("/facture.csv");
  QtDeplaceurFichier deplaceur;
  QString raison;

  ecrire(source, "nouvelle");
  ecrire(cible, "ancienne");
  EXPECT_FALSE(deplaceur.Deplacer(source, cible, raison));
  EXPECT_EQ(lire(cible), QByteArray("ancienne")) << "an existing file is never replaced";
  EXPECT_EQ(lire(source), QByteArray("nouvelle"));
  EXPECT_TRUE(raison.contains(QStringLiteral("existe déjà"))) << raison.toStdString();

  ASSERT_TRUE(QFile::remove(cible));
  EXPECT_FALSE(
      deplaceur.Deplacer(source, dossier.filePath(QStringLiteral("manque/f.csv")), raison));
  EXPECT_TRUE(raison.contains(QStringLiteral("n'existe pas"))) << raison.toStdString();
  EXPECT_EQ(lire(source), QByteArray("nouvelle"));

  ASSERT_TRUE(deplaceur.Deplacer(source, cible, raison)) << raison.toStdString();
  EXPECT_EQ(lire(cible), QByteArray("nouvelle"));
  EXPECT_FALSE(QFile::exists(source));

  EXPECT_FALSE(deplaceur.Deplacer(source, cible + QStringLiteral(".2"), raison));
  EXPECT_TRUE(raison.contains(QStringLiteral("n'existe plus"))) << raison.toStdString();
}

}  // namespace
}  // namespace brivane::platform
