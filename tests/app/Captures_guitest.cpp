// Pictures of the two windows for the README, taken only when BRIVANE_CAPTURES
// names a folder (scripts/captures.sh runs this under Xvfb).
#include "app/Composition.h"
#include "app/frmPrincipale.h"
#include "settings/StockageAvecCoffre.h"
#include "settings/frmAcomba.h"
#include "support/FauxCoffre.h"

#include "support/FausseInterface.h"
#include "support/StockageReglagesMemoire.h"

#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

namespace brivane {
namespace {

TEST(Captures, BothWindows) {
  const QString dossier = qEnvironmentVariable("BRIVANE_CAPTURES");
  if (dossier.isEmpty()) {
    GTEST_SKIP() << "BRIVANE_CAPTURES is not set";
  }
  QDir().mkpath(dossier);
  testing::StockageReglagesMemoire fichier;
  testing::FauxCoffre coffre;
  coffre.nom = QStringLiteral("le trousseau de la session (Secret Service ou KWallet)");
  // The password in a keyring, as the window says below its last row.
  StockageAvecCoffre store(fichier, QStringLiteral("C:\\Users\\demo\\Brivane.ini"), coffre);
  ConfigurationTransfert{QStringLiteral("C:\\Acomba\\Demo"),
                         QStringLiteral("C:\\Acomba"),
                         QStringLiteral("demo"),
                         QStringLiteral("demo"),
                         QStringLiteral("1"),
                         QStringLiteral("C:\\Factures\\Traite"),
                         QStringLiteral("1"),
                         QStringLiteral("F100"),
                         QStringLiteral("40100"),
                         QStringLiteral("13100")}
      .Enregistrer(store);
  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  testing::FauxDialogueFichier dialogue;

  frmPrincipale principale({store, messages, occupe, dialogue, Composition::Import()});
  principale.txtFichier->setText(QStringLiteral("C:\\Factures\\A-2024-000017.csv"));
  principale.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&principale));
  QTest::qWait(200);
  EXPECT_TRUE(principale.grab().save(dossier + QStringLiteral("/frmPrincipale.png")));

  frmAcomba configuration(store, messages, &principale);
  configuration.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&configuration));
  QTest::qWait(200);
  EXPECT_TRUE(configuration.grab().save(dossier + QStringLiteral("/frmAcomba.png")));
}

}  // namespace
}  // namespace brivane
