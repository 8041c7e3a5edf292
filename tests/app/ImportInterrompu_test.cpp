// An import killed (SIGKILL) before each of its writes, the journal's and the
// move's included, then run again as the user would, into the built-in
// company and into a dBASE folder: the invoice is never posted twice, the next
// import settles what the kill left without asking, and the journal says where
// each stands. A journal lost after a posting leaves the company's own record
// to refuse the content.
#include "app/Composition.h"
#include "app/ImporterFichier.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "support/ArretBrutal.h"
#include "support/FactureExemple.h"
#include "support/LectureDbf.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace brivane {
namespace {

using testing::ExecuterEtTuer;
using testing::FinEnfant;

const QByteArray& kFacture = testing::kFactureExemple;

struct BackEnd {
  const char* nom;
  int systeme;  // accounting-system code
};

// One kill point's own company, processed folder, invoice file and journal.
struct Lieu {
  Lieu(const QString& dossier, int systeme_, const QString& modele = QString())
      : systeme(systeme_),
        compagnie(dossier + QStringLiteral("/compagnie")),
        traite(dossier + QStringLiteral("/traite")),
        fichier(dossier + QStringLiteral("/facture.csv")),
        journal(dossier + QStringLiteral("/journal.sqlite")) {
    QDir().mkpath(compagnie);
    QDir().mkpath(traite);
    if (!modele.isEmpty()) {
      for (const QString& nom : QDir(modele).entryList(QDir::Files)) {
        QFile::copy(modele + QLatin1Char('/') + nom, compagnie + QLatin1Char('/') + nom);
      }
    } else if (systeme == 2) {
      QProcess fixture;
      fixture.start(QDir(QStringLiteral(BRIVANE_PROGRAMMES))
                        .filePath(QStringLiteral("brivane-dbase-fixture")),
                    {compagnie, QStringLiteral("17")});
      EXPECT_TRUE(fixture.waitForFinished(30000) && fixture.exitCode() == 0);
    } else {
      company::CompagnieDemo::Creer(compagnie, QStringLiteral("demo"), QStringLiteral("demo"));
    }
    QFile f(fichier);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(kFacture);
    }
  }

  // The import as the window runs it; every question is noted and answered Oui
  // when oui, Non otherwise.
  ResultatImport Importer(bool oui = false, const QString& chemin = QString()) const {
    ConfigurationTransfert c{compagnie,
                             QStringLiteral("acomba"),
                             QStringLiteral("demo"),
                             QStringLiteral("demo"),
                             QStringLiteral("2"),
                             traite};
    c.SystemeComptable = QString::number(systeme);
    c.Fournisseur = QStringLiteral("F100");
    c.PosteGlVente = QStringLiteral("40100");
    c.PosteGlAchat = QStringLiteral("13100");
    ServicesImport services = Composition::Import();
    services.journal = std::make_shared<SqliteJournalImport>(journal);
    services.demander = [this, oui](const QString& constat, const QString&, const QString&) {
      questions << constat;
      return oui;
    };
    return ImporterFichier(
        chemin.isEmpty() ? fichier : chemin, c, [](const QString&, const QString&) {}, [](bool) {},
        services);
  }

  // The invoice numbers, as the next program sees the company: a dBASE
  // connection first rolls back a commit cut short.
  QStringList Factures() const {
    QStringList numeros;
    if (systeme == 2) {
      dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel())
          .Open(QStringLiteral("Data Source=") + compagnie);
      for (const QJsonValue& v :
           testing::LectureDbf(compagnie + QStringLiteral("/factma.dbf")).rows) {
        numeros << v.toObject()[u"FFNOFACT"].toString();
      }
    } else {
      for (const auto& t : company::InventaireCompagnie::Lire(compagnie).transactions) {
        numeros << t.numero;
      }
    }
    return numeros;
  }
  bool Deplace() const { return QFile::exists(traite + QStringLiteral("/facture.csv")); }
  // The latest entry (numero 0 when there is none).
  EntreeJournal Derniere() const {
    SqliteJournalImport j(journal);
    std::vector<EntreeJournal> entrees;
    EXPECT_NO_THROW(entrees = j.Lister());
    return entrees.empty() ? EntreeJournal{} : entrees.front();
  }
  QString Journal() const {
    const EntreeJournal e = Derniere();
    return e.numero == 0 ? QStringLiteral("aucune") : Libelle(e.etat);
  }

  int systeme;
  QString compagnie, traite, fichier, journal;
  mutable QStringList questions;
};

class ImportInterrompu : public ::testing::TestWithParam<BackEnd> {
 protected:
  void SetUp() override { ASSERT_TRUE(racine_.isValid()); }
  // A fresh company of the back end under test, in its own folder.
  Lieu Nouveau(const QString& nom, const QString& modele = QString()) const {
    return Lieu(racine_.filePath(nom), GetParam().systeme, modele);
  }
  QTemporaryDir racine_;
};

TEST_P(ImportInterrompu, KilledAnywhereAndRunAgainTheInvoiceIsNeverPostedTwice) {
  const Lieu modele = Nouveau(QStringLiteral("modele"));
  ASSERT_FALSE(HasFailure());
  const Lieu compte = Nouveau(QStringLiteral("compte"), modele.compagnie);
  const FinEnfant complete =
      ExecuterEtTuer([&] { return compte.Importer() == ResultatImport::Transfere ? 0 : 1; }, -1);
  if (!complete.tracable) {
    GTEST_SKIP() << "this system does not let a test trace its child (ptrace refused)";
  }
  ASSERT_EQ(complete.code, 0);
  const int points = complete.appels;

  // What each kill left, then what the next run made of it.
  std::map<QString, int> apresArret;
  std::map<QString, int> apresReprise;
  for (int k = 0; k < points; ++k) {
    SCOPED_TRACE(::testing::Message() << "kill point " << k);
    const Lieu l = Nouveau(QStringLiteral("k%1").arg(k), modele.compagnie);
    const FinEnfant fin =
        ExecuterEtTuer([&] { return l.Importer() == ResultatImport::Transfere ? 0 : 1; }, k);
    if (!fin.tue) {
      ASSERT_EQ(fin.code, 0);
    }
    const auto factures = l.Factures().size();
    const QString etat = l.Journal();
    EXPECT_LE(factures, 1);
    // The journal never says more than the company holds, and a moved file
    // always has its invoice and its number in the journal.
    if (etat == QStringLiteral("transférée") || etat == QStringLiteral("déplacée") || l.Deplace()) {
      EXPECT_EQ(factures, 1) << etat.toStdString();
      EXPECT_FALSE(l.Derniere().numeroDocument.isEmpty());
    }
    if (etat == QStringLiteral("aucune")) {
      EXPECT_EQ(factures, 0);
    }
    ++apresArret[QStringLiteral("%1 facture(s), fichier %2, journal %3")
                     .arg(QString::number(factures),
                          l.Deplace() ? QStringLiteral("déplacé") : QStringLiteral("en place"),
                          etat)];

    if (l.Deplace()) {
      continue;  // nothing left to import
    }
    const ResultatImport r = l.Importer();
    // Settled without a question: posted now, or found posted and only moved.
    EXPECT_EQ(l.questions, QStringList());
    EXPECT_EQ(r, factures == 1 ? ResultatImport::DeplacementTermine : ResultatImport::Transfere)
        << static_cast<int>(r);
    const QStringList apres = l.Factures();
    EXPECT_EQ(apres, QStringList{l.Derniere().numeroDocument});
    EXPECT_EQ(QDir(l.traite).entryList(QDir::Files), QStringList{QStringLiteral("facture.csv")});
    EXPECT_FALSE(QFile::exists(l.fichier));
    EXPECT_EQ(l.Journal(), QStringLiteral("déplacée"));
    // Work folders a kill left in the company folder (no table to any reader).
    const auto restes = QDir(l.compagnie).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    ++apresReprise[QStringLiteral(
                       "%1 -> %2 facture(s), %3 question(s), journal %4, %5 sous-dossier(s)")
                       .arg(r == ResultatImport::Transfere ? QStringLiteral("Transfere")
                            : r == ResultatImport::DeplacementTermine
                                ? QStringLiteral("DeplacementTermine")
                                : QString::number(static_cast<int>(r)),
                            QString::number(apres.size()), QString::number(l.questions.size()),
                            l.Journal(), QString::number(restes))];
  }
  std::printf("[ kill points ] %s, import with its journal: %d calls that change a file\n",
              GetParam().nom, points);
  for (const auto& [quoi, n] : apresArret) {
    std::printf("[ after kill  ] %3d x %s\n", n, quoi.toUtf8().constData());
  }
  for (const auto& [quoi, n] : apresReprise) {
    std::printf("[ run again   ] %3d x outcome %s\n", n, quoi.toUtf8().constData());
  }
}

TEST_P(ImportInterrompu, APostedFileBackWithItsJournalLostIsRefusedByTheCompanysRecord) {
  const Lieu l = Nouveau(QStringLiteral("perdu"));
  ASSERT_EQ(l.Importer(), ResultatImport::Transfere);
  const QString copie = racine_.filePath(QStringLiteral("perdu/copie.csv"));
  ASSERT_TRUE(QFile::copy(l.traite + QStringLiteral("/facture.csv"), copie));
  for (const QString& nom : QDir(racine_.filePath(QStringLiteral("perdu")))
                                .entryList({QStringLiteral("journal.sqlite*")}, QDir::Files)) {
    ASSERT_TRUE(QFile::remove(racine_.filePath(QStringLiteral("perdu/") + nom)));
  }

  EXPECT_EQ(l.Importer(false, copie), ResultatImport::DejaTransfere);
  ASSERT_EQ(l.questions.size(), 1);
  EXPECT_TRUE(l.questions[0].contains(QStringLiteral("registre des importations de la compagnie")))
      << l.questions[0].toStdString();
  EXPECT_EQ(l.Factures().size(), 1);
  EXPECT_TRUE(QFile::exists(copie));

  // Oui: posted a second time, on the user's word.
  EXPECT_EQ(l.Importer(true, copie), ResultatImport::Transfere);
  EXPECT_EQ(l.questions.size(), 2);
  EXPECT_EQ(l.Factures().size(), 2);
  EXPECT_FALSE(QFile::exists(copie));
}

INSTANTIATE_TEST_SUITE_P(, ImportInterrompu,
                         ::testing::Values(BackEnd{"BuiltIn", 1}, BackEnd{"Dbase", 2}),
                         [](const ::testing::TestParamInfo<BackEnd>& p) {
                           return std::string(p.param.nom);
                         });

}  // namespace
}  // namespace brivane
