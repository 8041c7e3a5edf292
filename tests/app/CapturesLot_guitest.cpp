// Pictures of the summary of a batch and of the history for the README,
// taken only when BRIVANE_CAPTURES names a folder (scripts/captures.sh runs
// this under Xvfb), after a real batch into a demo company.
#include "app/Composition.h"
#include "app/frmHistorique.h"
#include "app/frmPrincipale.h"
#include "app/frmResume.h"
#include "company/CompagnieDemo.h"

#include "support/FausseInterface.h"
#include "support/ImportAvecMessages.h"
#include "support/StockageReglagesMemoire.h"

#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace brivane {
namespace {

const QByteArray kEntete = "Titres\r\nX1;ML;X2;Net 30;Camion;";
const QByteArray kLignes =
    ";;;;;;;\r\nArticle;Description;Qt\xe9;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n";

TEST(Captures, SummaryAndHistory) {
  const QString dossier = qEnvironmentVariable("BRIVANE_CAPTURES");
  if (dossier.isEmpty()) {
    GTEST_SKIP() << "BRIVANE_CAPTURES is not set";
  }
  QTemporaryDir racine;
  const QDir r(racine.path());
  for (const char* d : {"Compagnie", "Factures", "Factures/Traite"}) {
    r.mkpath(QLatin1StringView(d));
  }
  company::CompagnieDemo::Creer(r.filePath(QStringLiteral("Compagnie")), QStringLiteral("demo"),
                                QStringLiteral("demo"));
  testing::StockageReglagesMemoire store;
  ConfigurationTransfert{r.filePath(QStringLiteral("Compagnie")),
                         r.filePath(QStringLiteral("Acomba")),
                         QStringLiteral("demo"),
                         QStringLiteral("demo"),
                         QStringLiteral("2"),
                         r.filePath(QStringLiteral("Factures/Traite"))}
      .Enregistrer(store);
  const auto facture = [&](const QString& nom, const QByteArray& client) {
    return testing::EcrireFichier(r.filePath(QStringLiteral("Factures/") + nom),
                                  kEntete + client + kLignes);
  };
  const QByteArray nord = "C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1";
  QStringList chemins = {
      facture(QStringLiteral("A-2024-000017.csv"), nord),
      facture(QStringLiteral("A-2024-000018.csv"),
              "C0043;Quincaillerie Sud;4 rue Basse;Villeneuve;QC;G8T 1A2"),
      facture(QStringLiteral("A-2024-000019.csv"), nord),
      facture(QStringLiteral("A-2024-000020.csv"), "C0044;Garage;1 rang;Ville;QC;G8T 1A3")};
  // The last one is refused: its article number is too long for the company.
  QFile f(chemins.back());
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("VIS-10-BEAUCOUP-TROP-LONG;Vis;1;1\r\n");
  f.close();

  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  testing::FauxDialogueFichier dialogue;
  ServicesImport import = Composition::Import();
  import.journal = std::make_shared<SqliteJournalImport>(r.filePath(QStringLiteral("journal.db")));
  frmPrincipale principale(
      {store, messages, occupe, dialogue, import,
       [&](const QString&, const QString&) { return std::optional<QStringList>(chemins); }});
  principale.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&principale));
  QTest::mouseClick(principale.cmdParcourir, Qt::LeftButton);
  QTest::mouseClick(principale.cmdImporter, Qt::LeftButton);
  ASSERT_FALSE(principale.resume.isNull());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(principale.resume));
  QTest::qWait(200);
  EXPECT_TRUE(principale.resume->grab().save(dossier + QStringLiteral("/frmResume.png")));
  principale.resume->close();

  QTest::mouseClick(principale.cmdHistorique, Qt::LeftButton);
  ASSERT_FALSE(principale.historique.isNull());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(principale.historique));
  QTest::qWait(200);
  EXPECT_TRUE(principale.historique->grab().save(dossier + QStringLiteral("/frmHistorique.png")));
}

}  // namespace
}  // namespace brivane
