// The main window asks before posting content already posted into the same
// company, and Non is the answer a hurried Enter gives.
#include "app/frmPrincipale.h"

#include "platform/gui/InterfaceQt.h"
#include "settings/ConfigurationTransfert.h"
#include "support/FausseInterface.h"
#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace brivane {
namespace {

const QString kChemin = QStringLiteral("/factures/f.csv");

struct Poste {
  Poste() {
    lecteur->fichiers[kChemin] = "t\n0;1;2;3;4;C1;Nom;Adr;Ville;QC;H2X 1Y4;;;;;;;\nt\nA;Vis;1;2\n";
    ConfigurationTransfert{QStringLiteral("/cie"), QStringLiteral("/acomba"), QStringLiteral("u"),
                           QStringLiteral("p"),    QStringLiteral("3"),       QStringLiteral("/t")}
        .Enregistrer(store);
  }
  void Importer(frmPrincipale& w) {
    w.txtFichier->setText(kChemin);
    QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  }
  int Postees() const { return static_cast<int>(scenario.appels.count(QStringLiteral("Facture"))); }

  testing::StockageReglagesMemoire store;
  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  testing::FauxDialogueFichier dialogue;
  testing::ScenarioBackEnd scenario;
  std::shared_ptr<testing::FauxLecteurFichier> lecteur =
      std::make_shared<testing::FauxLecteurFichier>();
  std::shared_ptr<JournalImport> journal = testing::JournalEnMemoire();
  frmPrincipale::Services services() {
    return {store, messages, occupe, dialogue,
            ServicesImport{lecteur,
                           std::make_shared<testing::FauxDeplaceurFichier>(),
                           testing::ServicesAvec(scenario),
                           journal,
                           {}}};
  }
};

TEST(Reimportation, TheWindowAsksNamingTheEarlierPostingAndPostsAgainOnlyOnOui) {
  Poste p;
  frmPrincipale w(p.services());
  p.Importer(w);
  ASSERT_EQ(p.Postees(), 1);

  p.messages.messages.clear();
  p.Importer(w);  // no answer planned: Non
  EXPECT_EQ(p.Postees(), 1);
  ASSERT_EQ(p.messages.messages.size(), 1);
  const QString& question = p.messages.messages[0];
  EXPECT_TRUE(question.startsWith(QStringLiteral(
      "? Facture déjà transférée : Le contenu de ce fichier a déjà été transféré à votre système "
      "comptable, dans la même compagnie, le ")));
  EXPECT_TRUE(question.contains(DateLisible(QDateTime::currentDateTime()).chopped(5)));
  EXPECT_TRUE(question.endsWith(
      QStringLiteral("(importation n° 1 du journal, fichier « %1 »).\r\n\r\nVoulez-vous le "
                     "transférer une seconde fois ?")
          .arg(kChemin)));

  p.messages.messages.clear();
  p.messages.reponses = {true};
  p.Importer(w);
  EXPECT_EQ(p.Postees(), 2);
  ASSERT_EQ(p.messages.messages.size(), 2);
  EXPECT_EQ(
      p.messages.messages[1],
      QStringLiteral("Confirmation : La facture a été transférer à votre système comptable."));
}

TEST(Reimportation, AnUnreadableSettingsFileIsNamedAndNothingIsPosted) {
  Poste p;
  p.store.illisible = QStringLiteral("Le fichier de configuration « x » ne peut pas être lu.");
  frmPrincipale w(p.services());
  p.Importer(w);
  EXPECT_EQ(p.messages.messages,
            QStringList{QStringLiteral(
                "Configuration : Le fichier de configuration « x » ne peut pas être lu.")});
  EXPECT_TRUE(p.scenario.appels.isEmpty());
  EXPECT_TRUE(p.occupe.etats.empty());
}

TEST(Reimportation, TheQuestionBoxHasOuiAndNonWithNonByDefault) {
  platform::BoiteMessageQt boite;
  for (const bool oui : {false, true}) {
    QString defaut;
    QTimer::singleShot(0, [&] {
      auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(mb, nullptr);
      defaut = mb->defaultButton()->text();
      if (oui) {
        for (QAbstractButton* b : mb->buttons()) {
          if (b->text() == QStringLiteral("Oui")) {
            b->click();
          }
        }
      } else {
        QTest::keyClick(mb, Qt::Key_Return);
      }
    });
    EXPECT_EQ(boite.Demander(QStringLiteral("Déjà transférée.\r\n\r\nEncore ?"),
                             QStringLiteral("Facture déjà transférée")),
              oui);
    EXPECT_EQ(defaut, QStringLiteral("Non"));
  }
}

}  // namespace
}  // namespace brivane
