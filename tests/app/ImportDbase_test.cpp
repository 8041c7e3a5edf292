// Invoice files imported into a company folder of dBASE tables made by the
// fixture tool, through the import run and through brivane-import, then read
// back by an independent reader (python3-dbfread).
#include "app/ImporterFichier.h"

#include "support/ImportAvecMessages.h"
#include "support/LectureDbf.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane {
namespace {

// The programs of this build (tests/CMakeLists.txt).
QString Programme(const char* nom) {
  return QDir(QStringLiteral(BRIVANE_PROGRAMMES)).filePath(QString::fromLatin1(nom));
}

const QByteArray kEntete = "Titres\r\n";
// "%1" in a value is text like any other: it must reach the tables unchanged.
const QByteArray kClient =
    "X1;ML;X2;Net 30;Camion;C0042;Atelier %1 Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord, entrep\xf4t;40 rue Basse;Villeneuve;Qu\xe9"
    "bec;G9A_2G4\r\n";
const QByteArray kLignes =
    "Article;Description;Qt\xe9;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n"
    "FRAIS;Frais de transport %2;1;25\r\n";

class ImportDbase : public ::testing::Test, public testing::ImportAvecMessages {
 protected:
  void SetUp() override {
    ASSERT_TRUE(racine_.isValid());
    ASSERT_TRUE(QDir(racine_.path()).mkpath(QStringLiteral("traite")));
    QProcess fixture;
    fixture.start(Programme("brivane-dbase-fixture"), {compagnie(), QStringLiteral("17")});
    ASSERT_TRUE(fixture.waitForFinished(30000));
    ASSERT_EQ(fixture.exitCode(), 0) << fixture.readAllStandardError().toStdString();
  }

  QString compagnie() const { return racine_.filePath(QStringLiteral("compagnie")); }
  QString traite() const { return racine_.filePath(QStringLiteral("traite")); }
  testing::TableDbfLue Table(const char* nom) const {
    return testing::LectureDbf(
        QDir(compagnie()).filePath(QString::fromLatin1(nom) + QStringLiteral(".dbf")));
  }

  QString Ecrire(const QString& nom, const QByteArray& contenu) const {
    return testing::EcrireFichier(QDir::toNativeSeparators(racine_.filePath(nom)), contenu);
  }

  // Neither the program folder nor credentials: the dBASE tables need none.
  ConfigurationTransfert Configuration() const {
    ConfigurationTransfert c;
    c.PathCie = compagnie();
    c.GroupeProd = QStringLiteral("2");
    c.DossierTraite = QDir::toNativeSeparators(traite());
    c.SystemeComptable = QStringLiteral("2");
    c.Fournisseur = QStringLiteral("FRN%1");
    c.PosteGlVente = QStringLiteral("40100");
    c.PosteGlAchat = QStringLiteral("13100");
    return c;
  }

  // What one posting of the sample leaves in the tables.
  void VerifierFacturePostee(const QString& noFacture) const {
    const testing::TableDbfLue clients = Table("client");
    ASSERT_TRUE(clients.ok) << clients.error.toStdString();
    ASSERT_EQ(clients.rows.size(), 1);
    const QJsonObject client = clients.rows[0].toObject();
    EXPECT_EQ(client[u"CNOM"].toString(), QStringLiteral("Atelier %1 Nord"));

    const testing::TableDbfLue produits = Table("produi");
    ASSERT_EQ(produits.rows.size(), 2);
    for (const QJsonValue& v : produits.rows) {
      const QJsonObject p = v.toObject();
      EXPECT_EQ(p[u"PFRN"].toString(), QStringLiteral("FRN%1"));
      EXPECT_EQ(p[u"PGLACHAT"].toString(), QStringLiteral("40100"));
      EXPECT_EQ(p[u"PPOST"].toString(), QStringLiteral("13100"));
    }
    EXPECT_EQ(produits.rows[1].toObject()[u"PNOM"].toString(),
              QStringLiteral("Frais de transport %2"));

    const testing::TableDbfLue factures = Table("factma");
    ASSERT_EQ(factures.rows.size(), 1);
    EXPECT_EQ(factures.rows[0].toObject()[u"FFNOFACT"].toString(), noFacture);
    EXPECT_EQ(factures.rows[0].toObject()[u"FFCNOM"].toString(), QStringLiteral("Atelier %1 Nord"));
    const testing::TableDbfLue lignes = Table("factit");
    ASSERT_EQ(lignes.rows.size(), 2);
    for (const QJsonValue& v : lignes.rows) {
      EXPECT_EQ(v.toObject()[u"FINOFACT"].toString(), noFacture);
    }
    EXPECT_EQ(Table("solde").rows[0].toObject()[u"SNEXTS"].toInt(), 18);
  }

  QTemporaryDir racine_;
};

TEST_F(ImportDbase, TheImportRunPostsIntoTheTablesWithTheLineDefaults) {
  const QString chemin = Ecrire(QStringLiteral("A-2024-000017.csv"), kEntete + kClient + kLignes);
  Transferer(chemin, Configuration(), traite());
  if (HasFatalFailure()) return;
  VerifierFacturePostee(QStringLiteral("!00017"));
}

TEST_F(ImportDbase, WhatTheTablesRefuseIsReportedAndNothingIsWritten) {
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  // A supplier number over 10 characters fails every line, before anything is opened.
  ConfigurationTransfert long_ = Configuration();
  long_.Fournisseur = QStringLiteral("FOURNISSEUR");
  EXPECT_EQ(Importer(chemin, long_), ResultatImport::Refuse);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0].count(QStringLiteral("Le numéro fournisseur est limité à 10 caractères.")),
            2);
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(Table("client").rows.isEmpty());
  EXPECT_TRUE(Table("produi").rows.isEmpty());

  // A file that cannot be read is named as it is, markers included.
  const QString absent = racine_.filePath(QStringLiteral("absent %1 %2.csv"));
  EXPECT_EQ(Importer(absent, Configuration()), ResultatImport::LectureImpossible);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("« %1 »").arg(absent)))
      << messages_[0].toStdString();

  // An incomplete dBASE configuration names what it lacks; the SDK's settings do not count.
  ConfigurationTransfert incomplete = Configuration();
  incomplete.PosteGlAchat.clear();
  incomplete.UserAcomba = QStringLiteral("u");
  incomplete.PWDAcomba = QStringLiteral("p");
  incomplete.PathAcomba = QStringLiteral("/acomba");
  EXPECT_EQ(Importer(chemin, incomplete), ResultatImport::ConfigurationIncomplete);
  EXPECT_EQ(messages_,
            QStringList{QStringLiteral("Validation : ") + incomplete.MessageIncomplete()});

  // A folder of processed files that is missing: refused before anything is
  // posted, with the paths exactly as they are.
  ConfigurationTransfert sansDossier = Configuration();
  sansDossier.DossierTraite = racine_.filePath(QStringLiteral("absent %1"));
  EXPECT_EQ(Importer(chemin, sansDossier), ResultatImport::DossierTraiteInutilisable);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains(QStringLiteral("« %1 »").arg(chemin)))
      << messages_[0].toStdString();
  EXPECT_TRUE(messages_[0].contains(sansDossier.DossierTraite)) << messages_[0].toStdString();
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(Table("factma").rows.isEmpty());
}

TEST_F(ImportDbase, BrivaneImportChoosesTheTablesForOneRun) {
  const QString chemin = Ecrire(QStringLiteral("A-2024-000018.csv"), kEntete + kClient + kLignes);
  // The stored configuration chooses the SDK, whose credentials are missing:
  // only --systeme 2 lets the file through, and the setting stays as it was.
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  {
    QFile ini(QDir(config.path()).filePath(QStringLiteral("Brivane.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[Acomba]\nPathCie=%1\nGroupeProd=2\nDossierTraite=%2\n"
                             "SystemeComptable=1\nFournisseur=FRN%3\nPosteGlVente=40100\n"
                             "PosteGlAchat=13100\n")
                  .arg(compagnie(), traite(), QStringLiteral("%1"))
                  .toUtf8());
  }
  QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
  environnement.insert(QStringLiteral("BRIVANE_CONFIG_DIR"), config.path());
  const auto lancer = [&](const QStringList& arguments, QString* sortie, QString* erreurs) {
    QProcess p;
    p.setProcessEnvironment(environnement);
    p.start(Programme("brivane-import"), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    *sortie = QString::fromUtf8(p.readAllStandardOutput());
    *erreurs = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
  };
  QString sortie;
  QString erreurs;
  EXPECT_EQ(lancer({chemin}, &sortie, &erreurs), 4) << erreurs.toStdString();
  EXPECT_TRUE(Table("client").rows.isEmpty());

  for (const char* mauvais : {"3", "", "dbase"}) {
    EXPECT_EQ(lancer({QStringLiteral("--systeme"), QString::fromLatin1(mauvais), chemin}, &sortie,
                     &erreurs),
              2)
        << mauvais;
    EXPECT_TRUE(erreurs.contains(QStringLiteral("--systeme attend 1"))) << erreurs.toStdString();
  }
  EXPECT_EQ(lancer({QStringLiteral("--systeme")}, &sortie, &erreurs), 2);
  // What the user typed comes back as typed, "%1" included.
  EXPECT_EQ(lancer({QStringLiteral("--systeme=%1"), chemin}, &sortie, &erreurs), 2);
  EXPECT_TRUE(erreurs.contains(QStringLiteral("«\u00a0%1\u00a0»"))) << erreurs.toStdString();
  EXPECT_EQ(lancer({QStringLiteral("--inconnue%1%2"), chemin}, &sortie, &erreurs), 2);
  EXPECT_TRUE(erreurs.contains(QStringLiteral("--inconnue%1%2"))) << erreurs.toStdString();

  ASSERT_EQ(lancer({QStringLiteral("--systeme"), QStringLiteral("2"), chemin}, &sortie, &erreurs),
            0)
      << erreurs.toStdString();
  EXPECT_EQ(sortie, QStringLiteral(
                        "Confirmation : La facture a été transférer à votre système comptable.\n"));
  EXPECT_FALSE(QFile::exists(chemin));
  VerifierFacturePostee(QStringLiteral("!00017"));

  QFile ini(QDir(config.path()).filePath(QStringLiteral("Brivane.ini")));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ini.readAll().contains("SystemeComptable=1")) << "the override lasts one run";

  EXPECT_EQ(lancer({QStringLiteral("--version")}, &sortie, &erreurs), 0);
  EXPECT_TRUE(sortie.startsWith(QStringLiteral("brivane-import "))) << sortie.toStdString();
  // After "--" it is a file's name like any other (here stopped by the SDK's incomplete settings).
  EXPECT_EQ(lancer({QStringLiteral("--"), QStringLiteral("--version")}, &sortie, &erreurs), 4);
  EXPECT_TRUE(sortie.isEmpty()) << sortie.toStdString();
}

}  // namespace
}  // namespace brivane
