#include "settings/frmAcomba.h"

#include "settings/ConfigurationTransfert.h"
#include "settings/StockageAvecCoffre.h"
#include "support/FausseInterface.h"
#include "support/FauxCoffre.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace brivane {
namespace {

using testing::FausseBoiteMessage;
using testing::FauxCoffre;
using testing::StockageReglagesMemoire;

ConfigurationTransfert enregistree() {
  return {QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"), QStringLiteral("gerald"),
          QStringLiteral("s3cret"),  QStringLiteral("3"),          QStringLiteral("D:\\Traite")};
}

struct Fenetre {
  Fenetre() {
    enregistree().Enregistrer(store);
    store.ecritures.clear();
  }
  StockageReglagesMemoire store;
  FausseBoiteMessage messages;
};

QString libelleDe(const QWidget& fenetre, const QLineEdit* boite) {
  for (const QLabel* l : fenetre.findChildren<QLabel*>()) {
    if (l->buddy() == boite) {
      return l->text();
    }
  }
  return QStringLiteral("<aucun>");
}

TEST(frmAcomba, LayoutCaptionsAndWindowKind) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Configuration Acomba"));
  // The original 386 x 270 grown by the four rows and the password's note below
  // it; nothing above moves.
  EXPECT_EQ(w.minimumSize(), QSize(386, 448));
  EXPECT_EQ(w.maximumSize(), QSize(386, 448));
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);

  struct Ligne {
    QLineEdit* boite;
    const char* nom;
    QString libelle;
    int hautLibelle, hautBoite;  // in pixels
  };
  const Ligne lignes[] = {
      {w.txtPatchAcomba, "txtPatchAcomba", QStringLiteral("Dossier de la compagnie :"), 24, 16},
      {w.txtPathAcomba, "txtPathAcomba", QStringLiteral("Dossier de acomba :"), 56, 48},
      {w.txtUserAcomba, "txtUserAcomba", QStringLiteral("Utilisateur :"), 88, 80},
      {w.txtPWDAcomba, "txtPWDAcomba", QStringLiteral("Mot de passe : "), 120, 112},
      {w.txtGroupeProd, "txtGroupeProd", QStringLiteral("Groupe de produit si absent : "), 152,
       144},
      {w.txtDossier, "txtDossier", QStringLiteral("Dossier fichier traité : "), 184, 176},
  };
  for (const Ligne& l : lignes) {
    EXPECT_EQ(l.boite->objectName(), QLatin1StringView(l.nom));
    EXPECT_EQ(l.boite->geometry(), QRect(144, l.hautBoite, 223, 22)) << l.nom;
    EXPECT_EQ(libelleDe(w, l.boite), l.libelle) << l.nom;
    const QLabel* libelle = nullptr;
    for (const QLabel* x : w.findChildren<QLabel*>()) {
      if (x->buddy() == l.boite) libelle = x;
    }
    ASSERT_TRUE(libelle);
    EXPECT_EQ(libelle->geometry().topLeft(), QPoint(8, l.hautLibelle)) << l.nom;
    EXPECT_EQ(l.boite->echoMode(),
              l.boite == w.txtPWDAcomba ? QLineEdit::Password : QLineEdit::Normal)
        << l.nom;
  }
  EXPECT_EQ(w.cmdEnregistrer->geometry(), QRect(256, 216, 49, 41));
  EXPECT_EQ(w.cmdQuitter->geometry(), QRect(320, 216, 49, 41));
  for (const QPushButton* b : {w.cmdEnregistrer, w.cmdQuitter}) {
    EXPECT_TRUE(b->text().isEmpty());
    EXPECT_FALSE(b->icon().isNull());
  }
  EXPECT_EQ(w.cmdEnregistrer->toolTip(), QStringLiteral("Enregistrer"));
  EXPECT_EQ(w.cmdQuitter->toolTip(), QStringLiteral("Quitter"));
}

TEST(frmAcomba, OpensWithTheStoredValuesAndTheFocusOnTheAcombaFolder) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  EXPECT_EQ(w.txtPatchAcomba->text(), QStringLiteral("C:\\Cie"));
  EXPECT_EQ(w.txtPathAcomba->text(), QStringLiteral("C:\\Acomba"));
  EXPECT_EQ(w.txtUserAcomba->text(), QStringLiteral("gerald"));
  EXPECT_EQ(w.txtPWDAcomba->text(), QStringLiteral("s3cret"));
  EXPECT_EQ(w.txtGroupeProd->text(), QStringLiteral("3"));
  EXPECT_EQ(w.txtDossier->text(), QStringLiteral("D:\\Traite"));
  EXPECT_TRUE(f.store.ecritures.empty());

  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(QApplication::focusWidget(), w.txtPathAcomba);
  // Rows 5, 4, 3, 1, the two buttons, row 6, then back to row 2.
  // The dBASE rows are skipped while the SDK is chosen.
  const QWidget* const suite[] = {w.txtGroupeProd,  w.txtPWDAcomba,        w.txtUserAcomba,
                                  w.txtPatchAcomba, w.cmdEnregistrer,      w.cmdQuitter,
                                  w.txtDossier,     w.cboSystemeComptable, w.txtPathAcomba};
  for (const QWidget* attendu : suite) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), attendu) << attendu->objectName().toStdString();
  }
}

TEST(frmAcomba, AFirstStartShowsSixEmptyBoxes) {
  StockageReglagesMemoire store;
  FausseBoiteMessage messages;
  frmAcomba w(store, messages);
  for (const QLineEdit* b : w.findChildren<QLineEdit*>()) {
    if (b->parentWidget() == &w) {
      EXPECT_TRUE(b->text().isEmpty()) << b->objectName().toStdString();
    }
  }
  EXPECT_EQ(w.cboSystemeComptable->currentIndex(), 0) << "the SDK is the default";
}

TEST(frmAcomba, TheSystemRowsStandBelowTheOriginalWindow) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  ASSERT_EQ(w.cboSystemeComptable->count(), 2);
  EXPECT_EQ(w.cboSystemeComptable->itemData(0).toString(), QStringLiteral("1"));
  EXPECT_EQ(w.cboSystemeComptable->itemData(1).toString(), QStringLiteral("2"));
  struct Ligne {
    QWidget* controle;
    QString libelle;
    int haut;
  };
  const Ligne lignes[] = {
      {w.cboSystemeComptable, QStringLiteral("Système comptable\u00a0:"), 272},
      {w.txtFournisseur, QStringLiteral("Fournisseur\u00a0:"), 304},
      {w.txtPosteGlVente, QStringLiteral("Poste GL de vente\u00a0:"), 336},
      {w.txtPosteGlAchat, QStringLiteral("Poste GL d'inventaire\u00a0:"), 368},
  };
  int bas = 0;
  for (const Ligne& l : lignes) {
    EXPECT_EQ(l.controle->geometry(), QRect(144, l.haut, 223, 22)) << l.libelle.toStdString();
    const QLabel* libelle = nullptr;
    for (const QLabel* x : w.findChildren<QLabel*>()) {
      if (x->buddy() == l.controle) libelle = x;
    }
    ASSERT_TRUE(libelle);
    EXPECT_EQ(libelle->text(), l.libelle);
    EXPECT_EQ(libelle->geometry().topLeft(), QPoint(8, l.haut + 8));
    bas = l.controle->geometry().bottom();
  }
  // Every new row stands below the buttons, and inside the window.
  EXPECT_GT(w.cboSystemeComptable->geometry().top(), w.cmdEnregistrer->geometry().bottom());
  EXPECT_LT(bas, w.height());
}

TEST(frmAcomba, TheSystemAndTheLineDefaultsAreLoadedEnabledAndSavedWithTheRest) {
  Fenetre f;
  {
    frmAcomba w(f.store, f.messages);
    for (const QLineEdit* b : {w.txtFournisseur, w.txtPosteGlVente, w.txtPosteGlAchat}) {
      EXPECT_FALSE(b->isEnabled())
          << "only the dBASE tables need " << b->objectName().toStdString();
    }
    w.cboSystemeComptable->setCurrentIndex(1);
    for (const QLineEdit* b : {w.txtFournisseur, w.txtPosteGlVente, w.txtPosteGlAchat}) {
      EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    }
    w.txtFournisseur->setText(QStringLiteral("FOUR%1"));
    w.txtPosteGlVente->setText(QStringLiteral("40100"));
    w.txtPosteGlAchat->setText(QStringLiteral("13100"));
    QTest::mouseClick(w.cmdEnregistrer, Qt::LeftButton);
  }
  ConfigurationTransfert attendue = enregistree();
  attendue.SystemeComptable = QStringLiteral("2");
  attendue.Fournisseur = QStringLiteral("FOUR%1");
  attendue.PosteGlVente = QStringLiteral("40100");
  attendue.PosteGlAchat = QStringLiteral("13100");
  EXPECT_EQ(ConfigurationTransfert::Lire(f.store), attendue);

  const frmAcomba rouverte(f.store, f.messages);
  EXPECT_EQ(rouverte.cboSystemeComptable->currentIndex(), 1);
  EXPECT_EQ(rouverte.txtFournisseur->text(), QStringLiteral("FOUR%1"));
  EXPECT_TRUE(rouverte.txtPosteGlAchat->isEnabled());

  // A value the list cannot show is kept as it was, not turned into a system.
  attendue.SystemeComptable = QStringLiteral("9");
  attendue.Enregistrer(f.store);
  frmAcomba inconnue(f.store, f.messages);
  EXPECT_EQ(inconnue.cboSystemeComptable->currentIndex(), -1);
  QTest::mouseClick(inconnue.cmdEnregistrer, Qt::LeftButton);
  EXPECT_EQ(ConfigurationTransfert::Lire(f.store).SystemeComptable, QStringLiteral("9"));
}

TEST(frmAcomba, ThePasswordIsMaskedAndCannotBeCopiedOut) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  w.show();
  EXPECT_EQ(w.txtPWDAcomba->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w.txtPWDAcomba->displayText(), QString(6, w.txtPWDAcomba->displayText().at(0)));
  EXPECT_NE(w.txtPWDAcomba->displayText(), QStringLiteral("s3cret"));
  EXPECT_EQ(w.txtPWDAcomba->text(), QStringLiteral("s3cret")) << "saved as typed";
  QApplication::clipboard()->setText(QStringLiteral("avant"));
  w.txtPWDAcomba->selectAll();
  w.txtPWDAcomba->copy();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("avant"));
}

TEST(frmAcomba, EnterPressesTheFocusedButton) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  // Enter in a text box neither saves nor closes.
  QTest::keyClick(w.txtPathAcomba, Qt::Key_Return);
  EXPECT_TRUE(f.store.ecritures.empty());
  EXPECT_TRUE(w.isVisible());

  w.cmdEnregistrer->setFocus();
  QTest::keyClick(w.cmdEnregistrer, Qt::Key_Return);
  EXPECT_EQ(f.store.ecritures.size(), 10U);
  QTest::keyClick(w.cmdEnregistrer, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(f.store.ecritures.size(), 20U) << "the keypad's Enter as well";
  EXPECT_TRUE(w.isVisible());

  w.cmdQuitter->setFocus();
  QTest::keyClick(w.cmdQuitter, Qt::Key_Return);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(f.store.ecritures.size(), 20U);
}

TEST(frmAcomba, SavesEverythingSilentlyAndStaysOpen) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  w.show();
  w.txtGroupeProd->setText(QStringLiteral("12a"));
  w.txtDossier->clear();
  w.txtPWDAcomba->setText(QStringLiteral(" mot de passe "));
  QTest::mouseClick(w.cmdEnregistrer, Qt::LeftButton);
  QTest::mouseClick(w.cmdEnregistrer, Qt::LeftButton);

  ConfigurationTransfert attendue = enregistree();
  attendue.GroupeProd = QStringLiteral("12a");
  attendue.DossierTraite.clear();
  attendue.PWDAcomba = QStringLiteral(" mot de passe ");
  attendue.SystemeComptable = QStringLiteral("1");  // the system shown is the one saved
  EXPECT_EQ(ConfigurationTransfert::Lire(f.store), attendue);
  EXPECT_EQ(f.store.ecritures.size(), 20U) << "ten keys, twice";
  EXPECT_TRUE(f.messages.messages.isEmpty());
  EXPECT_TRUE(w.isVisible());
}

TEST(frmAcomba, LeavingByTheButtonOrTheTitleBarDiscardsTheEdits) {
  for (const bool parLeBouton : {true, false}) {
    Fenetre f;
    {
      frmAcomba w(f.store, f.messages);
      w.show();
      w.txtUserAcomba->setText(QStringLiteral("autre"));
      if (parLeBouton) {
        QTest::mouseClick(w.cmdQuitter, Qt::LeftButton);
      } else {
        w.close();
      }
      EXPECT_FALSE(w.isVisible());
      EXPECT_EQ(w.result(), QDialog::Rejected);
    }
    EXPECT_TRUE(f.store.ecritures.empty());
    const frmAcomba rouverte(f.store, f.messages);
    EXPECT_EQ(rouverte.txtUserAcomba->text(), QStringLiteral("gerald"));
  }
}

TEST(frmAcomba, SaysSoWhenTheStoreRefusesTheValues) {
  Fenetre f;
  frmAcomba w(f.store, f.messages);
  f.store.refuserEcritures = true;
  QTest::mouseClick(w.cmdEnregistrer, Qt::LeftButton);
  ASSERT_EQ(f.messages.messages.size(), 1);
  EXPECT_TRUE(f.messages.messages[0].startsWith(
      QStringLiteral("Configuration Acomba : La configuration n'a pas pu être enregistrée.")));
}

TEST(frmAcomba, ANoteBelowTheRowsSaysWhereThePasswordIsKept) {
  Fenetre f;  // the password still in the file, as an earlier version left it
  FauxCoffre coffre;
  StockageAvecCoffre store(f.store, QStringLiteral("/c/Brivane.ini"), coffre);
  frmAcomba w(store, f.messages);
  EXPECT_EQ(w.lblMotDePasse->geometry(), QRect(8, 398, 370, 42));
  EXPECT_GT(w.lblMotDePasse->geometry().top(), w.txtPosteGlAchat->geometry().bottom());
  EXPECT_TRUE(w.lblMotDePasse->text().startsWith(
      QStringLiteral("Le mot de passe est encore dans «\u00a0/c/Brivane.ini\u00a0»")));
  // Saved, it moves to the keyring, and the note follows at once.
  QTest::mouseClick(w.cmdEnregistrer, Qt::LeftButton);
  EXPECT_EQ(w.lblMotDePasse->text(),
            QStringLiteral("Le mot de passe est gardé dans le trousseau d'essai."));
  EXPECT_EQ(frmAcomba(store, f.messages).txtPWDAcomba->text(), QStringLiteral("s3cret"));

  // Where no keyring answers, the file keeps it, and the note says so.
  coffre.muet = true;
  Fenetre sans;
  StockageAvecCoffre fichierSeul(sans.store, QStringLiteral("/c/Brivane.ini"), coffre);
  frmAcomba m(fichierSeul, sans.messages);
  m.txtPWDAcomba->setText(QStringLiteral("n0uveau"));
  QTest::mouseClick(m.cmdEnregistrer, Qt::LeftButton);
  EXPECT_EQ(sans.store.valeurs.at({kApplication, kSectionAcomba, cles::PWDAcomba}),
            QStringLiteral("n0uveau"));
  EXPECT_TRUE(m.lblMotDePasse->text().startsWith(
      QStringLiteral("Aucun trousseau du système ne répond\u00a0: le mot de passe est gardé")));
}

}  // namespace
}  // namespace brivane
