// An import into the built-in company killed (SIGKILL) at every point between
// two of its writes: the company's database stays sound, holds no half
// record, and the file is moved only once its invoice is in the company.
#include "app/Composition.h"
#include "app/ImporterFichier.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"
#include "support/ArretBrutal.h"
#include "support/ConfigurationIsolee.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace brivane::company {
namespace {

using testing::ExecuterEtTuer;
using testing::FinEnfant;

const QByteArray kFacture =
    "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord;40 rue Basse;Villeneuve;QC;G9A_2G4\r\n"
    "Article;Description;Qte;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n;Frais de transport;1;25\r\n";
constexpr std::size_t kProduits = 2;
constexpr std::int64_t kLignesTransaction = 4;  // two detail lines, two tax lines

struct Lieu {
  QString compagnie, traite, fichier;
};

// A folder with its company (a copy of modele when given), its folder of
// processed files and the invoice file.
Lieu Preparer(const QString& dossier, const QString& modele = QString()) {
  Lieu l{QDir(dossier).filePath(QStringLiteral("compagnie")),
         QDir(dossier).filePath(QStringLiteral("traite")),
         QDir(dossier).filePath(QStringLiteral("facture.csv"))};
  QDir().mkpath(l.compagnie);
  QDir().mkpath(l.traite);
  if (modele.isEmpty()) {
    CompagnieDemo::Creer(l.compagnie, QStringLiteral("demo"), QStringLiteral("demo"));
  } else {
    QFile::copy(BaseCompagnie::CheminFichier(modele), BaseCompagnie::CheminFichier(l.compagnie));
  }
  QFile f(l.fichier);
  if (f.open(QIODevice::WriteOnly)) {
    f.write(kFacture);
  }
  return l;
}

ResultatImport Importer(const Lieu& l) {
  const ConfigurationTransfert config{l.compagnie,
                                      QStringLiteral("acomba"),
                                      QStringLiteral("demo"),
                                      QStringLiteral("demo"),
                                      QStringLiteral("2"),
                                      l.traite};
  return ImporterFichier(
      l.fichier, config, [](const QString&, const QString&) {}, [](bool) {}, Composition::Import());
}

std::int64_t Nombre(BaseCompagnie& base, const char* sql) {
  Requete r(base.db(), QString::fromLatin1(sql));
  return r.Suivante() ? r.Entier(0) : -1;
}

QString Texte(BaseCompagnie& base, const char* sql) {
  Requete r(base.db(), QString::fromLatin1(sql));
  QStringList lignes;
  while (r.Suivante()) {
    lignes << r.Texte(0);
  }
  return lignes.join(u'\n');
}

TEST(InterruptionCompagnie, AnImportKilledBetweenAnyTwoWritesLeavesTheCompanySound) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const Lieu modele = Preparer(racine.filePath(QStringLiteral("modele")));
  const Lieu compte = Preparer(racine.filePath(QStringLiteral("compte")), modele.compagnie);
  const FinEnfant complete =
      ExecuterEtTuer([&] { return Importer(compte) == ResultatImport::Transfere ? 0 : 1; }, -1);
  if (!complete.tracable) {
    GTEST_SKIP() << "this system does not let a test trace its child (ptrace refused)";
  }
  ASSERT_EQ(complete.code, 0);
  const int points = complete.appels;
  ASSERT_GT(points, 5);
  std::printf(
      "[ kill points ] built-in company import: %d calls that change a file, killed "
      "before each\n",
      points);

  int doublons = 0;
  for (int k = 0; k < points; ++k) {
    SCOPED_TRACE(::testing::Message() << "kill point " << k);
    const Lieu l = Preparer(racine.filePath(QStringLiteral("k%1").arg(k)), modele.compagnie);
    const FinEnfant fin =
        ExecuterEtTuer([&] { return Importer(l) == ResultatImport::Transfere ? 0 : 1; }, k);
    // The count of writes can differ a little from one run to the next (the
    // journal, a sanitizer's own files): a child that ends before point k
    // simply finished its work, which must then have succeeded.
    if (!fin.tue) {
      ASSERT_EQ(fin.code, 0) << "kill point " << k;
    }
    const bool deplace = !QFile::exists(l.fichier);
    EXPECT_EQ(deplace, QFile::exists(QDir(l.traite).filePath(QStringLiteral("facture.csv"))));

    // The company as the listing program reads it, read-only, right after the kill.
    try {
      InventaireCompagnie::Lire(l.compagnie);
    } catch (const ErreurBase& e) {
      ADD_FAILURE() << "the listing cannot read the company: " << e.statut() << " "
                    << e.detail().toStdString();
    }

    std::int64_t transactions = 0;
    {
      // Opening for writing rolls back what a kill left half-done.
      const auto base = BaseCompagnie::Ouvrir(l.compagnie);
      EXPECT_EQ(Texte(*base, "PRAGMA integrity_check"), QStringLiteral("ok"));
      EXPECT_EQ(Texte(*base, "PRAGMA foreign_key_check"), QString());
      transactions = Nombre(*base, "SELECT count(*) FROM transac");
      EXPECT_LE(transactions, 1);
      EXPECT_LE(Nombre(*base, "SELECT count(*) FROM client"), 1);
      EXPECT_LE(Nombre(*base, "SELECT count(*) FROM produit"),
                static_cast<std::int64_t>(kProduits));
      // No transaction without all of its lines, no line without its transaction.
      EXPECT_EQ(Nombre(*base,
                       "SELECT count(*) FROM transac t WHERE nombre_lignes <> (SELECT "
                       "count(*) FROM ligne_transac l WHERE l.transac = t.position)"),
                0);
      EXPECT_EQ(Nombre(*base, "SELECT count(*) FROM ligne_transac"),
                transactions * kLignesTransaction);
      // Every product whole: its group and its description are there.
      EXPECT_EQ(
          Nombre(*base, "SELECT count(*) FROM produit WHERE groupe <> 2 OR description_1 = ''"), 0);
    }
    // The file is moved only once its invoice is in the company.
    if (deplace) {
      EXPECT_EQ(transactions, 1);
    }
    // Still there: imported again, it is never posted twice and nobody is
    // asked. The company's record of the import tells a posting that reached
    // it (only moved now) from one that did not (posted now).
    if (!deplace) {
      doublons += transactions == 1 ? 1 : 0;
      const ResultatImport r = Importer(l);
      const InventaireCompagnie inv = InventaireCompagnie::Lire(l.compagnie);
      EXPECT_EQ(r,
                transactions == 1 ? ResultatImport::DeplacementTermine : ResultatImport::Transfere)
          << static_cast<int>(r);
      EXPECT_EQ(inv.transactions.size(), 1U);
      EXPECT_EQ(inv.clients.size(), 1U);
      EXPECT_EQ(inv.produits.size(), kProduits);
      EXPECT_FALSE(QFile::exists(l.fichier));
    }
  }
  std::printf("[ kill points ] invoice posted but file not moved at %d of %d points\n", doublons,
              points);
}

}  // namespace
}  // namespace brivane::company
