// Several invoice files imported from the main window into a demo company of
// the built-in provider: the summary, the history of the imports and an
// import again from the history.
#include "app/Composition.h"
#include "app/frmHistorique.h"
#include "app/frmPrincipale.h"
#include "app/frmResume.h"
#include "company/InventaireCompagnie.h"
#include "settings/ConfigurationTransfert.h"

#include "support/DossierDemo.h"
#include "support/FausseInterface.h"
#include "support/ImportAvecMessages.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace brivane {
namespace {

using company::InventaireCompagnie;

const QByteArray kClient =
    "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    ";;;;;;\r\n";
const QByteArray kLignes = "Article;Description;Qt\xe9;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n";
// An article number longer than the company takes: refused, nothing written.
const QByteArray kLignesRefusees =
    "Article;Description;Qt\xe9;Prix\r\nVIS-10-BEAUCOUP-TROP-LONG;Vis 10 mm;100;0.05\r\n";

class Lot : public testing::DossierDemo {
 protected:
  void SetUp() override {
    DossierDemo::SetUp();
    ConfigurationTransfert{compagnie(),
                           racine_.filePath(QStringLiteral("acomba")),
                           QStringLiteral("demo"),
                           QStringLiteral("demo"),
                           QStringLiteral("2"),
                           QDir::toNativeSeparators(traite())}
        .Enregistrer(store);
  }

  QString Ecrire(const QString& nom, const QByteArray& contenu) const {
    return testing::EcrireFichier(QDir::toNativeSeparators(racine_.filePath(nom)), contenu);
  }

  frmPrincipale::Services services() {
    ServicesImport import = Composition::Import();
    import.journal =
        std::make_shared<SqliteJournalImport>(racine_.filePath(QStringLiteral("journal.db")));
    return {store,
            messages,
            occupe,
            dialogue,
            import,
            [this](const QString&, const QString&) -> std::optional<QStringList> { return choix; },
            [this](const QUrl& dossier) {
              ouverts << dossier;
              return true;
            }};
  }

  // a.csv posted, b.csv refused, c.csv the same content as a.csv.
  QStringList TroisFichiers() {
    return {Ecrire(QStringLiteral("a.csv"), kClient + kLignes),
            Ecrire(QStringLiteral("b.csv"), kClient + kLignesRefusees),
            Ecrire(QStringLiteral("c.csv"), kClient + kLignes)};
  }

  void ImporterLot(frmPrincipale& w, const QStringList& chemins) {
    choix = chemins;
    QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
    QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  }

  static QString Cellule(const QTableWidget* grille, int ligne, int colonne) {
    const QTableWidgetItem* c = grille->item(ligne, colonne);
    return c != nullptr ? c->text() : QStringLiteral("(rien)");
  }

  static QStringList Visibles(const QTableWidget* grille, int colonne) {
    QStringList textes;
    for (int ligne = 0; ligne < grille->rowCount(); ++ligne) {
      if (!grille->isRowHidden(ligne)) {
        textes << Cellule(grille, ligne, colonne);
      }
    }
    return textes;
  }

  testing::StockageReglagesMemoire store;
  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  testing::FauxDialogueFichier dialogue;
  std::optional<QStringList> choix;
  QList<QUrl> ouverts;
};

TEST_F(Lot, ThreeFilesGiveOneSummaryAndTheCompanyHoldsOnlyTheGoodOne) {
  frmPrincipale w(services());
  const QStringList chemins = TroisFichiers();
  choix = chemins;
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("3 fichiers\u00a0: a.csv, b.csv, c.csv"));
  EXPECT_EQ(w.txtFichier->toolTip(), chemins.join(u'\n'));
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);

  // No box for the posted file nor the refused one: only the question, naming its file.
  ASSERT_EQ(messages.messages.size(), 1) << messages.messages.join(u'|').toStdString();
  EXPECT_TRUE(messages.messages[0].startsWith(QStringLiteral(
      "? Facture déjà transférée : Fichier 3 sur 3\u00a0: «\u00a0c.csv\u00a0»\r\n\r\n"
      "Le contenu de ce fichier a déjà été transféré à votre système comptable")))
      << messages.messages[0].toStdString();
  EXPECT_EQ(occupe.etats, (std::vector<bool>{true, false, true, false, true, false}));

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.transactions.size(), 1U);
  const QString numero = inv.transactions[0].numero;
  EXPECT_FALSE(numero.isEmpty());
  EXPECT_FALSE(QFile::exists(chemins[0]));
  EXPECT_TRUE(QFile::exists(QDir(traite()).filePath(QStringLiteral("a.csv"))));
  EXPECT_TRUE(QFile::exists(chemins[1])) << "a refused file stays";
  EXPECT_TRUE(QFile::exists(chemins[2])) << "so does one not posted again";

  ASSERT_FALSE(w.resume.isNull());
  const frmResume& r = *w.resume;
  EXPECT_TRUE(r.isVisible());
  EXPECT_EQ(r.windowTitle(), QStringLiteral("Résumé de l'importation"));
  EXPECT_EQ(r.lblBilan->text(),
            QStringLiteral("3\u00a0fichiers\u00a0: 1\u00a0facture transférée, 1\u00a0déjà "
                           "transférée, 1\u00a0non transférée."));
  ASSERT_EQ(r.grdFichiers->rowCount(), 3);
  const QString attendu[3][3] = {
      {QStringLiteral("a.csv"), QStringLiteral("Transférée"), numero},
      {QStringLiteral("b.csv"), QStringLiteral("Refusée"), QString()},
      {QStringLiteral("c.csv"), QStringLiteral("Déjà transférée, non transférée de nouveau"),
       numero},
  };
  for (int ligne = 0; ligne < 3; ++ligne) {
    for (int colonne = 0; colonne < 3; ++colonne) {
      EXPECT_EQ(Cellule(r.grdFichiers, ligne, colonne), attendu[ligne][colonne])
          << ligne << ' ' << colonne;
    }
  }
  EXPECT_TRUE(
      Cellule(r.grdFichiers, 1, frmResume::kConseil).startsWith(QStringLiteral("Corrigez")));
  EXPECT_TRUE(
      Cellule(r.grdFichiers, 2, frmResume::kConseil).contains(QStringLiteral("répondez Oui")));

  // It opens on the first file that needs the user, with its reasons.
  EXPECT_EQ(r.grdFichiers->currentRow(), 1);
  EXPECT_TRUE(
      r.txtDetails->toPlainText().startsWith(chemins[1] + QStringLiteral("\n\nValidation")));
  EXPECT_TRUE(r.txtDetails->toPlainText().contains(QStringLiteral("limité à 20 caractères")))
      << r.txtDetails->toPlainText().toStdString();
  r.grdFichiers->selectRow(2);
  EXPECT_TRUE(r.txtDetails->toPlainText().endsWith(
      QStringLiteral("Voulez-vous le transférer une seconde fois ? Réponse : Non.")))
      << r.txtDetails->toPlainText().toStdString();
  r.grdFichiers->selectRow(0);
  // (The box gives its non-breaking spaces back as plain ones.)
  EXPECT_TRUE(r.txtDetails->toPlainText().endsWith(
      QStringLiteral("Confirmation : La facture a été transférer à votre système comptable.")));
  EXPECT_TRUE(r.Texte().contains(QStringLiteral("Transférée (facture n°\u00a0%1)").arg(numero)));

  // Escape closes it.
  w.resume->activateWindow();
  QTest::keyClick(w.resume->grdFichiers, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.resume.isNull()) << "closed and gone";
}

TEST_F(Lot, ARefusalNeverStopsTheFilesAfterItAndOuiPostsAgain) {
  frmPrincipale w(services());
  const QStringList chemins = {Ecrire(QStringLiteral("b.csv"), kClient + kLignesRefusees),
                               Ecrire(QStringLiteral("a.csv"), kClient + kLignes),
                               Ecrire(QStringLiteral("manquant.csv"), {}),
                               Ecrire(QStringLiteral("c.csv"), kClient + kLignes)};
  QFile::remove(chemins[2]);
  messages.reponses = {true};
  ImporterLot(w, chemins);
  ASSERT_FALSE(w.resume.isNull());
  EXPECT_EQ(Visibles(w.resume->grdFichiers, frmResume::kResultat),
            (QStringList{QStringLiteral("Refusée"), QStringLiteral("Transférée"),
                         QStringLiteral("Fichier illisible"), QStringLiteral("Transférée")}));
  EXPECT_EQ(InventaireCompagnie::Lire(compagnie()).transactions.size(), 2U);
  EXPECT_NE(Cellule(w.resume->grdFichiers, 1, frmResume::kNumero),
            Cellule(w.resume->grdFichiers, 3, frmResume::kNumero));
}

TEST_F(Lot, TheHistoryListsFiltersOpensTheFolderAndAsksBeforeImportingAgain) {
  frmPrincipale w(services());
  const QStringList chemins = TroisFichiers();
  ImporterLot(w, chemins);
  const QString numero = InventaireCompagnie::Lire(compagnie()).transactions.at(0).numero;
  messages.messages.clear();

  QTest::mouseClick(w.cmdHistorique, Qt::LeftButton);
  ASSERT_FALSE(w.historique.isNull());
  frmHistorique& h = *w.historique;
  EXPECT_TRUE(h.isVisible());
  EXPECT_EQ(h.windowTitle(), QStringLiteral("Historique des importations"));
  // Newest first; c.csv was not posted again, so it left no entry.
  const QTableWidget* g = h.grdImportations;
  ASSERT_EQ(g->rowCount(), 2);
  EXPECT_EQ(Visibles(g, frmHistorique::kFichier),
            (QStringList{QStringLiteral("b.csv"), QStringLiteral("a.csv")}));
  EXPECT_EQ(Visibles(g, frmHistorique::kEtat),
            (QStringList{QStringLiteral("refusée"), QStringLiteral("déplacée")}));
  EXPECT_EQ(Visibles(g, frmHistorique::kNumero), (QStringList{QString(), numero}));
  EXPECT_EQ(Visibles(g, frmHistorique::kJournal),
            (QStringList{QStringLiteral("2"), QStringLiteral("1")}));
  EXPECT_EQ(Cellule(g, 1, frmHistorique::kSysteme), QStringLiteral("1 – Acomba (SDK)"));
  EXPECT_EQ(Cellule(g, 1, frmHistorique::kCompagnie), QFileInfo(compagnie()).canonicalFilePath());
  EXPECT_EQ(g->item(1, frmHistorique::kFichier)->toolTip(), chemins[0]);
  EXPECT_EQ(h.lblNombre->text(), QStringLiteral("2 importations."));

  // Filters: by text, by state, both.
  QTest::keyClicks(h.txtRecherche, numero);
  EXPECT_EQ(Visibles(g, frmHistorique::kFichier), QStringList{QStringLiteral("a.csv")});
  EXPECT_EQ(h.lblNombre->text(), QStringLiteral("2 importations, 1 affichée."));
  h.cboEtat->setCurrentIndex(h.cboEtat->findText(QStringLiteral("refusée")));
  EXPECT_TRUE(Visibles(g, frmHistorique::kFichier).isEmpty());
  EXPECT_FALSE(h.cmdOuvrirDossier->isEnabled()) << "nothing shown, nothing chosen";
  h.txtRecherche->clear();
  EXPECT_EQ(Visibles(g, frmHistorique::kFichier), QStringList{QStringLiteral("b.csv")});
  h.cboEtat->setCurrentIndex(0);

  // The folder of a moved file is the processed one; a refused file's is its own.
  g->selectionModel()->clear();
  h.grdImportations->selectRow(1);
  EXPECT_FALSE(h.cmdReimporter->isEnabled()) << "a.csv is no longer where it was";
  QTest::mouseClick(h.cmdOuvrirDossier, Qt::LeftButton);
  h.grdImportations->selectRow(0);
  EXPECT_TRUE(h.cmdReimporter->isEnabled());
  QTest::mouseClick(h.cmdOuvrirDossier, Qt::LeftButton);
  EXPECT_EQ(ouverts,
            (QList<QUrl>{QUrl::fromLocalFile(traite()), QUrl::fromLocalFile(racine_.path())}));

  // a.csv put back where it was: importing it again asks first; Non posts nothing.
  ASSERT_TRUE(QFile::rename(QDir(traite()).filePath(QStringLiteral("a.csv")), chemins[0]));
  QTest::mouseClick(h.cmdRafraichir, Qt::LeftButton);
  h.grdImportations->selectRow(1);
  ASSERT_TRUE(h.cmdReimporter->isEnabled());
  QTest::mouseClick(h.cmdReimporter, Qt::LeftButton);
  ASSERT_EQ(messages.messages.size(), 1);
  EXPECT_TRUE(messages.messages[0].startsWith(
      QStringLiteral("? Facture déjà transférée : Le contenu de ce fichier a déjà été transféré")));
  EXPECT_TRUE(messages.messages[0].contains(QStringLiteral("document n° %1").arg(numero)));
  EXPECT_EQ(InventaireCompagnie::Lire(compagnie()).transactions.size(), 1U);
  EXPECT_EQ(g->rowCount(), 2);

  // Oui posts it a second time: the history shows it on top at once.
  messages.reponses = {true};
  QTest::mouseClick(h.cmdReimporter, Qt::LeftButton);
  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.transactions.size(), 2U);
  ASSERT_EQ(g->rowCount(), 3);
  EXPECT_EQ(Cellule(g, 0, frmHistorique::kFichier), QStringLiteral("a.csv"));
  EXPECT_EQ(Cellule(g, 0, frmHistorique::kEtat), QStringLiteral("déplacée"));
  EXPECT_NE(Cellule(g, 0, frmHistorique::kNumero), numero);
  EXPECT_FALSE(Cellule(g, 0, frmHistorique::kNumero).isEmpty());

  // Quitting the main window closes the history and the summary with it.
  ASSERT_FALSE(w.resume.isNull()) << "the summary of the batch is still open";
  QTest::mouseClick(w.cmdQuitter, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.historique.isNull());
  EXPECT_TRUE(w.resume.isNull());
}

TEST_F(Lot, TheHistoryIsReadWhileOtherImportsWriteAndEscapeClosesIt) {
  frmPrincipale w(services());
  QTest::mouseClick(w.cmdHistorique, Qt::LeftButton);
  ASSERT_FALSE(w.historique.isNull());
  EXPECT_EQ(w.historique->lblNombre->text(),
            QStringLiteral("Aucune importation n'est inscrite au journal."));
  EXPECT_FALSE(w.historique->cmdReimporter->isEnabled());

  // Another program posts through the same journal file while the window is open.
  const QString chemin = Ecrire(QStringLiteral("a.csv"), kClient + kLignes);
  ServicesImport ailleurs = Composition::Import();
  ailleurs.journal =
      std::make_shared<SqliteJournalImport>(racine_.filePath(QStringLiteral("journal.db")));
  ASSERT_EQ(
      ImporterFichier(
          chemin, ConfigurationTransfert::Lire(store), [](auto&, auto&) {}, [](bool) {}, ailleurs),
      ResultatImport::Transfere);
  w.historique->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.historique));
  QTest::keyClick(w.historique->txtRecherche, Qt::Key_F5);
  EXPECT_EQ(Visibles(w.historique->grdImportations, frmHistorique::kEtat),
            QStringList{QStringLiteral("déplacée")});

  // One window at a time.
  QPointer<frmHistorique> premier = w.historique;
  QTest::mouseClick(w.cmdHistorique, Qt::LeftButton);
  EXPECT_EQ(w.historique, premier);
  QTest::keyClick(w.historique->txtRecherche, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.historique.isNull());
}

}  // namespace
}  // namespace brivane
