// An import killed (SIGKILL) before each of its writes, the journal's and the
// move's included, then run again as the user would: the invoice is never
// posted twice, a posted one is moved without posting, and the journal says
// where each stands.
#include "app/ImporterFichier.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"
#include "support/ArretBrutal.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace brivane {
namespace {

using testing::ExecuterEtTuer;
using testing::FinEnfant;

const QByteArray kFacture =
    "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord;40 rue Basse;Villeneuve;QC;G9A_2G4\r\n"
    "Article;Description;Qte;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n";

// One kill point's own company, processed folder, invoice file and journal.
struct Lieu {
  explicit Lieu(const QString& dossier, const QString& modele = QString())
      : compagnie(dossier + QStringLiteral("/compagnie")),
        traite(dossier + QStringLiteral("/traite")),
        fichier(dossier + QStringLiteral("/facture.csv")),
        journal(dossier + QStringLiteral("/journal.sqlite")) {
    QDir().mkpath(compagnie);
    QDir().mkpath(traite);
    if (modele.isEmpty()) {
      acomba::CompagnieDemo::Creer(compagnie, QStringLiteral("demo"), QStringLiteral("demo"));
    } else {
      QFile::copy(acomba::BaseCompagnie::CheminFichier(modele),
                  acomba::BaseCompagnie::CheminFichier(compagnie));
    }
    QFile f(fichier);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(kFacture);
    }
  }

  // The import as the window runs it, answering Non to any question.
  ResultatImport Importer() const {
    ServicesImport services = ServicesImport::Defaut();
    services.journal = std::make_shared<SqliteJournalImport>(journal);
    return ImporterFichier(
        fichier,
        {compagnie, QStringLiteral("acomba"), QStringLiteral("demo"), QStringLiteral("demo"),
         QStringLiteral("2"), traite},
        [](const QString&, const QString&) {}, [](bool) {}, services);
  }

  std::size_t Factures() const {
    return acomba::InventaireCompagnie::Lire(compagnie).transactions.size();
  }
  bool Deplace() const { return QFile::exists(traite + QStringLiteral("/facture.csv")); }
  // The state of the latest entry, or "aucune".
  QString Journal() const {
    SqliteJournalImport j(journal);
    std::vector<EntreeJournal> entrees;
    QString raison;
    EXPECT_TRUE(j.Lister(entrees, raison)) << raison.toStdString();
    return entrees.empty() ? QStringLiteral("aucune") : Libelle(entrees.front().etat);
  }

  QString compagnie, traite, fichier, journal;
};

TEST(ImportInterrompu, KilledAnywhereAndRunAgainTheInvoiceIsNeverPostedTwice) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const Lieu modele(racine.filePath(QStringLiteral("modele")));
  const Lieu compte(racine.filePath(QStringLiteral("compte")), modele.compagnie);
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
    const Lieu l(racine.filePath(QStringLiteral("k%1").arg(k)), modele.compagnie);
    const FinEnfant fin =
        ExecuterEtTuer([&] { return l.Importer() == ResultatImport::Transfere ? 0 : 1; }, k);
    if (!fin.tue) {
      ASSERT_EQ(fin.code, 0);
    }
    const std::size_t factures = l.Factures();
    const QString etat = l.Journal();
    EXPECT_LE(factures, 1U);
    // The journal never says more than the company holds, and a moved file
    // always has its invoice.
    if (etat == QStringLiteral("transférée") || etat == QStringLiteral("déplacée") || l.Deplace()) {
      EXPECT_EQ(factures, 1U) << etat.toStdString();
    }
    if (etat == QStringLiteral("aucune")) {
      EXPECT_EQ(factures, 0U);
    }
    ++apresArret[QStringLiteral("%1 facture(s), fichier %2, journal %3")
                     .arg(QString::number(factures),
                          l.Deplace() ? QStringLiteral("déplacé") : QStringLiteral("en place"),
                          etat)];

    if (l.Deplace()) {
      continue;  // nothing left to import
    }
    const ResultatImport r = l.Importer();
    EXPECT_LE(l.Factures(), 1U);
    if (r == ResultatImport::DejaTransfere) {
      // Cut short in the middle of its posting: the user is asked, and Non leaves everything.
      EXPECT_EQ(etat, QStringLiteral("en cours"));
      EXPECT_EQ(l.Factures(), factures);
      EXPECT_FALSE(l.Deplace());
    } else {
      EXPECT_TRUE(r == ResultatImport::Transfere || r == ResultatImport::DeplacementTermine)
          << static_cast<int>(r);
      EXPECT_EQ(r == ResultatImport::DeplacementTermine, factures == 1U);
      EXPECT_EQ(l.Factures(), 1U);
      EXPECT_TRUE(l.Deplace());
      EXPECT_EQ(l.Journal(), QStringLiteral("déplacée"));
    }
    ++apresReprise[QStringLiteral("%1 -> %2 facture(s), journal %3")
                       .arg(r == ResultatImport::DejaTransfere ? QStringLiteral("DejaTransfere")
                            : r == ResultatImport::Transfere   ? QStringLiteral("Transfere")
                            : r == ResultatImport::DeplacementTermine
                                ? QStringLiteral("DeplacementTermine")
                                : QString::number(static_cast<int>(r)),
                            QString::number(l.Factures()), l.Journal())];
  }
  std::printf("[ kill points ] import with its journal: %d calls that change a file\n", points);
  for (const auto& [quoi, n] : apresArret) {
    std::printf("[ after kill  ] %3d x %s\n", n, quoi.toUtf8().constData());
  }
  for (const auto& [quoi, n] : apresReprise) {
    std::printf("[ run again   ] %3d x outcome %s\n", n, quoi.toUtf8().constData());
  }
}

}  // namespace
}  // namespace brivane
