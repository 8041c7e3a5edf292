#include "settings/frmAcomba.h"

#include "settings/ConfigurationTransfert.h"
#include "support/FakeInterface.h"
#include "support/MemorySettingsStore.h"
#include "support/QStringPrinter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace brivane {
namespace {

using testing::FakeBoiteMessage;
using testing::MemorySettingsStore;

ConfigurationTransfert enregistree() {
  return {QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"), QStringLiteral("gerald"),
          QStringLiteral("s3cret"),  QStringLiteral("3"),          QStringLiteral("D:\\Traite")};
}

struct Fenetre {
  Fenetre() {
    enregistree().Enregistrer(store);
    store.ecritures.clear();
  }
  MemorySettingsStore store;
  FakeBoiteMessage messages;
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
  EXPECT_EQ(w.minimumSize(), QSize(386, 270));
  EXPECT_EQ(w.maximumSize(), QSize(386, 270));
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
    EXPECT_EQ(l.boite->echoMode(), QLineEdit::Normal) << l.nom;
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
  const QWidget* const suite[] = {w.txtGroupeProd,  w.txtPWDAcomba,   w.txtUserAcomba,
                                  w.txtPatchAcomba, w.cmdEnregistrer, w.cmdQuitter,
                                  w.txtDossier,     w.txtPathAcomba};
  for (const QWidget* attendu : suite) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), attendu) << attendu->objectName().toStdString();
  }
}

TEST(frmAcomba, AFirstStartShowsSixEmptyBoxes) {
  MemorySettingsStore store;
  FakeBoiteMessage messages;
  frmAcomba w(store, messages);
  for (const QLineEdit* b : w.findChildren<QLineEdit*>()) {
    EXPECT_TRUE(b->text().isEmpty()) << b->objectName().toStdString();
  }
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
  EXPECT_EQ(ConfigurationTransfert::Lire(f.store), attendue);
  EXPECT_EQ(f.store.ecritures.size(), 12U) << "six keys, twice";
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

}  // namespace
}  // namespace brivane
