#include "app/Composition.h"
#include "app/frmPrincipale.h"
#include "app/frmResume.h"

#include "app/Programme.h"
#include "platform/gui/InterfaceQt.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/frmAcomba.h"
#include "support/FausseInterface.h"
#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <stdexcept>

#include <gtest/gtest.h>

namespace brivane {
namespace {

const QString kChemin = QStringLiteral("/factures/f.csv");

struct Fenetre {
  Fenetre() {
    lecteur->fichiers[kChemin] = "t\n0;1;2;3;4;C1;Nom;Adr;Ville;QC;H2X 1Y4;;;;;;;\nt\nA;Vis;1;2\n";
  }
  frmPrincipale::Services services() {
    return {
        store, messages, occupe, dialogue,
        ServicesImport{
            lecteur, deplaceur, testing::ServicesAvec(scenario), testing::JournalEnMemoire(), {}}};
  }
  testing::StockageReglagesMemoire store;
  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  testing::FauxDialogueFichier dialogue;
  testing::ScenarioBackEnd scenario;
  std::shared_ptr<testing::FauxLecteurFichier> lecteur =
      std::make_shared<testing::FauxLecteurFichier>();
  std::shared_ptr<testing::FauxDeplaceurFichier> deplaceur =
      std::make_shared<testing::FauxDeplaceurFichier>();
};

TEST(frmPrincipale, LayoutCaptionsFontAndWindowKind) {
  Fenetre f;
  frmPrincipale w(f.services());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Brivane - Ostrel"));
  // Grown downward for the history's button; nothing above it moved.
  EXPECT_EQ(w.minimumSize(), QSize(383, 180));
  EXPECT_EQ(w.maximumSize(), QSize(383, 180));
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(w.frameGeometry().center(), w.screen()->availableGeometry().center());

  EXPECT_EQ(w.Label->text(), QStringLiteral("Indiquez l'emplacement de votre ficher CSV"));
  EXPECT_GT(w.Label->font().pointSizeF(), w.cmdImporter->font().pointSizeF());
  EXPECT_EQ(w.Label->font().families().value(0), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(w.Label->geometry(), QRect(16, 16, 345, 25));
  EXPECT_EQ(w.txtFichier->geometry(), QRect(16, 56, 249, 19));
  EXPECT_TRUE(w.txtFichier->text().isEmpty());
  struct Bouton {
    QPushButton* bouton;
    QString texte;
    QRect zone;
  };
  const Bouton boutons[] = {
      {w.cmdParcourir, QStringLiteral("Parcourir"), QRect(280, 56, 89, 25)},
      {w.cmdImporter, QStringLiteral("Importer le fichier"), QRect(16, 96, 97, 33)},
      {w.cmdConfigurer, QStringLiteral("Configuration Acomba"), QRect(144, 96, 97, 33)},
      {w.cmdQuitter, QStringLiteral("Quitter"), QRect(272, 96, 97, 33)},
      {w.cmdHistorique, QStringLiteral("Historique des importations"), QRect(16, 140, 153, 25)},
  };
  for (const Bouton& b : boutons) {
    EXPECT_EQ(b.bouton->text(), b.texte);
    EXPECT_EQ(b.bouton->geometry(), b.zone) << b.texte.toStdString();
  }
}

TEST(frmPrincipale, TheFileBoxHasTheFocusAndTabFollowsTheTabIndexes) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  EXPECT_EQ(QApplication::focusWidget(), w.txtFichier);
  for (const QWidget* attendu :
       {static_cast<QWidget*>(w.cmdParcourir), static_cast<QWidget*>(w.cmdImporter),
        static_cast<QWidget*>(w.cmdQuitter), static_cast<QWidget*>(w.cmdConfigurer),
        static_cast<QWidget*>(w.cmdHistorique), static_cast<QWidget*>(w.txtFichier)}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), attendu) << attendu->objectName().toStdString();
  }
}

TEST(frmPrincipale, AnEmptyPathIsRefusedAndTheFocusGoesBackToTheFileBox) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.cmdImporter->setFocus();
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral(
                "Validation : Vous devez indiquer le fichier CSV avant de continuer.")});
  EXPECT_EQ(QApplication::focusWidget(), w.txtFichier);
}

TEST(frmPrincipale, ImportsThePathAsTypedWithTheStoredConfiguration) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.txtFichier->setText(kChemin);
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral("Validation : La configuration du transfert pour Acomba "
                                       "n'est pas compléte. Veuillez la faire avant de "
                                       "continuer.")});

  // Read again at each run: saving the configuration is enough.
  ConfigurationTransfert{QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"),
                         QStringLiteral("u"),       QStringLiteral("p"),
                         QStringLiteral("3"),       QStringLiteral("/traite")}
      .Enregistrer(f.store);
  f.messages.messages.clear();
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral(
                "Confirmation : La facture a été transférer à votre système comptable.")});
  EXPECT_EQ(f.occupe.etats, (std::vector<bool>{true, false}));
  ASSERT_EQ(f.deplaceur->deplacements.size(), 1U);
  EXPECT_EQ(f.deplaceur->deplacements[0].second, QStringLiteral("/traite/f.csv"));
  EXPECT_EQ(f.scenario.cheminCie, QStringLiteral("C:\\Cie"));
  EXPECT_EQ(w.txtFichier->text(), kChemin) << "the box keeps the path of the moved file";

  // Blanks around the path are not trimmed: that file does not exist.
  f.messages.messages.clear();
  w.txtFichier->setText(QStringLiteral(" ") + kChemin);
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  ASSERT_EQ(f.messages.messages.size(), 1);
  EXPECT_TRUE(f.messages.messages[0].startsWith(QStringLiteral("Lecture du fichier : ")));
}

TEST(frmPrincipale, ACancelledFileDialogLeavesTheBoxAsItWas) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.txtFichier->setText(QStringLiteral("/tapé/à la main.csv"));
  f.dialogue.choix = {QString(), QStringLiteral("/choisi/a.csv"), QString()};

  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("/tapé/à la main.csv"));
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("/choisi/a.csv"));
  w.txtFichier->setText(QStringLiteral("/tapé/b.csv"));
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("/tapé/b.csv"));

  EXPECT_EQ(f.dialogue.filtres, QStringList(3, QStringLiteral("CSV (*.csv)")));
  // The dialog starts from the last file chosen in it.
  EXPECT_EQ(f.dialogue.initiaux,
            (QStringList{QString(), QString(), QStringLiteral("/choisi/a.csv")}));
}

TEST(frmPrincipale, ConfigurationOpensModallyAndQuitCloses) {
  Fenetre f;
  ConfigurationTransfert{QStringLiteral("C:\\Cie"), {}, {}, {}, {}, {}}.Enregistrer(f.store);
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  QString titre;
  QString valeur;
  bool modale = false;
  QTimer::singleShot(0, [&] {
    auto* dialogue = qobject_cast<frmAcomba*>(QApplication::activeModalWidget());
    if (dialogue) {
      titre = dialogue->windowTitle();
      valeur = dialogue->txtPatchAcomba->text();
      modale = dialogue->isModal() && dialogue->parentWidget() == &w;
      dialogue->close();
    }
  });
  QTest::mouseClick(w.cmdConfigurer, Qt::LeftButton);
  EXPECT_EQ(titre, QStringLiteral("Configuration Acomba"));
  EXPECT_EQ(valeur, QStringLiteral("C:\\Cie"));
  EXPECT_TRUE(modale);

  QTest::mouseClick(w.cmdQuitter, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
}

// A file system whose reading fails in a way nobody planned for.
class LecteurQuiLance final : public platform::LecteurFichier {
 public:
  std::optional<QByteArray> LireOctets(const QString&, QString&) const override {
    throw std::runtime_error("lecture interrompue %1 %2");
  }
};

TEST(frmPrincipale, AnUnexpectedFailureIsShownWithItsTextUnchanged) {
  Fenetre f;
  ConfigurationTransfert{QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"),
                         QStringLiteral("u"),       QStringLiteral("p"),
                         QStringLiteral("3"),       QStringLiteral("/traite")}
      .Enregistrer(f.store);
  frmPrincipale::Services services = f.services();
  services.import.lecteur = std::make_shared<LecteurQuiLance>();
  frmPrincipale w(services);
  w.txtFichier->setText(kChemin);
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral("Erreur : L'importation s'est arrêtée sur une erreur "
                                       "inattendue\u00a0: lecture interrompue %1 %2")});
  EXPECT_EQ(f.occupe.etats, (std::vector<bool>{true, false})) << "the pointer comes back";
}

TEST(frmPrincipale, EnterPressesTheFocusedButtonAndNothingElse) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(w.txtFichier, Qt::Key_Return);
  EXPECT_TRUE(f.messages.messages.isEmpty()) << "Enter in the path box starts nothing";

  w.cmdImporter->setFocus();
  QTest::keyClick(w.cmdImporter, Qt::Key_Return);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral(
                "Validation : Vous devez indiquer le fichier CSV avant de continuer.")});
  EXPECT_EQ(QApplication::focusWidget(), w.txtFichier);

  f.dialogue.choix = {QStringLiteral("/choisi/a.csv")};
  w.cmdParcourir->setFocus();
  QTest::keyClick(w.cmdParcourir, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("/choisi/a.csv"));

  w.cmdQuitter->setFocus();
  QTest::keyClick(w.cmdQuitter, Qt::Key_Return);
  EXPECT_FALSE(w.isVisible());
}

// Sends a drag then a drop of data onto target; true when the drop was taken.
bool deposer(QWidget* cible, const QMimeData& donnees) {
  const QPointF point(5, 5);
  QDragEnterEvent entree(point.toPoint(), Qt::CopyAction | Qt::MoveAction, &donnees, Qt::LeftButton,
                         Qt::NoModifier);
  QApplication::sendEvent(cible, &entree);
  if (!entree.isAccepted()) {
    return false;
  }
  QDropEvent depot(point, Qt::CopyAction | Qt::MoveAction, &donnees, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(cible, &depot);
  return depot.isAccepted();
}

QMimeData* fichiers(const QList<QUrl>& urls) {
  auto* d = new QMimeData;
  d->setUrls(urls);
  return d;
}

TEST(frmPrincipale, ADroppedCsvFilePutsItsPathInTheBox) {
  Fenetre f;
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const QString chemin = QStringLiteral("/factures/Été 2024/A-%1.CSV");
  const std::unique_ptr<QMimeData> un(fichiers({QUrl::fromLocalFile(chemin)}));

  EXPECT_TRUE(deposer(&w, *un));
  EXPECT_EQ(w.txtFichier->text(), QDir::toNativeSeparators(chemin));
  // Onto the box itself: the path replaces the text, never a URL typed into it.
  w.txtFichier->setText(QStringLiteral("tapé"));
  EXPECT_TRUE(deposer(w.txtFichier, *un));
  EXPECT_EQ(w.txtFichier->text(), QDir::toNativeSeparators(chemin));
  // The file dialog then starts from the dropped file.
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(f.dialogue.initiaux, QStringList{QDir::toNativeSeparators(chemin)});

  QTemporaryDir ici;
  ASSERT_TRUE(QDir(ici.path()).mkdir(QStringLiteral("dossier.csv")));
  const std::unique_ptr<QMimeData> refuses[] = {
      std::unique_ptr<QMimeData>(fichiers({QUrl::fromLocalFile(QStringLiteral("/f/a.txt"))})),
      std::unique_ptr<QMimeData>(fichiers({QUrl::fromLocalFile(QStringLiteral("/f/a.csv")),
                                           QUrl::fromLocalFile(QStringLiteral("/f/b.txt"))})),
      std::unique_ptr<QMimeData>(fichiers({QUrl(QStringLiteral("https://exemple.ca/a.csv"))})),
      std::unique_ptr<QMimeData>(
          fichiers({QUrl::fromLocalFile(ici.filePath(QStringLiteral("dossier.csv")))})),
  };
  for (const auto& d : refuses) {
    for (QWidget* cible : {static_cast<QWidget*>(&w), static_cast<QWidget*>(w.txtFichier)}) {
      EXPECT_FALSE(deposer(cible, *d)) << d->urls().constFirst().toString().toStdString();
      EXPECT_EQ(w.txtFichier->text(), QDir::toNativeSeparators(chemin));
    }
  }
  EXPECT_TRUE(f.messages.messages.isEmpty());
}

TEST(frmPrincipale, SeveralDroppedFilesAreImportedTogetherUntilTypingReplacesThem) {
  Fenetre f;
  const QString autre = QStringLiteral("/factures/g.csv");
  f.lecteur->fichiers[autre] = "t\n0;1;2;3;4;C2;Nom;Adr;Ville;QC;H2X 1Y4;;;;;;;\nt\nA;Vis;1;2\n";
  ConfigurationTransfert{QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"),
                         QStringLiteral("u"),       QStringLiteral("p"),
                         QStringLiteral("3"),       QStringLiteral("/traite")}
      .Enregistrer(f.store);
  frmPrincipale w(f.services());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const std::unique_ptr<QMimeData> deux(
      fichiers({QUrl::fromLocalFile(kChemin), QUrl::fromLocalFile(autre)}));
  ASSERT_TRUE(deposer(w.txtFichier, *deux));
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("2 fichiers\u00a0: f.csv, g.csv"));

  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_TRUE(f.messages.messages.isEmpty()) << "the confirmations go to the summary";
  EXPECT_EQ(f.deplaceur->deplacements.size(), 2U);
  ASSERT_FALSE(w.resume.isNull());
  ASSERT_EQ(w.resume->grdFichiers->rowCount(), 2);
  EXPECT_EQ(w.resume->grdFichiers->item(1, frmResume::kFichier)->text(), QStringLiteral("g.csv"));
  EXPECT_EQ(w.resume->grdFichiers->item(1, frmResume::kResultat)->text(),
            QStringLiteral("Transférée"));
  w.resume->close();

  // Typing over the list imports what the box says, one file as always.
  w.txtFichier->selectAll();
  QTest::keyClicks(w.txtFichier, autre);
  EXPECT_TRUE(w.txtFichier->toolTip().isEmpty());
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  ASSERT_EQ(f.messages.messages.size(), 1);
  EXPECT_TRUE(f.messages.messages[0].startsWith(QStringLiteral("? Facture déjà transférée : ")));
  EXPECT_EQ(f.deplaceur->deplacements.size(), 2U);
}

TEST(frmPrincipale, ABatchTellsAnIncompleteConfigurationOnceAndGoesOnAfterAFailure) {
  Fenetre f;
  frmPrincipale::Services services = f.services();
  services.choisirFichiers = [](const QString&, const QString&) {
    return std::optional<QStringList>({kChemin, QStringLiteral("/factures/absent.csv")});
  };
  frmPrincipale w(services);
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_EQ(f.messages.messages,
            QStringList{QStringLiteral("Validation : La configuration du transfert pour Acomba "
                                       "n'est pas compléte. Veuillez la faire avant de "
                                       "continuer.")});
  EXPECT_TRUE(f.occupe.etats.empty()) << "nothing was read";
  EXPECT_TRUE(w.resume.isNull());

  ConfigurationTransfert{QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"),
                         QStringLiteral("u"),       QStringLiteral("p"),
                         QStringLiteral("3"),       QStringLiteral("/traite")}
      .Enregistrer(f.store);
  f.messages.messages.clear();
  QTest::mouseClick(w.cmdImporter, Qt::LeftButton);
  EXPECT_TRUE(f.messages.messages.isEmpty());
  ASSERT_FALSE(w.resume.isNull());
  EXPECT_EQ(w.resume->grdFichiers->item(0, frmResume::kResultat)->text(),
            QStringLiteral("Transférée"));
  EXPECT_EQ(w.resume->grdFichiers->item(1, frmResume::kResultat)->text(),
            QStringLiteral("Fichier illisible"));

  // A failure nobody planned for is one file's outcome; the next file is still imported.
  frmPrincipale::Services lance = services;
  lance.import.lecteur = std::make_shared<LecteurQuiLance>();
  frmPrincipale w2(lance);
  QTest::mouseClick(w2.cmdParcourir, Qt::LeftButton);
  QTest::mouseClick(w2.cmdImporter, Qt::LeftButton);
  EXPECT_TRUE(f.messages.messages.isEmpty());
  ASSERT_FALSE(w2.resume.isNull());
  ASSERT_EQ(w2.resume->grdFichiers->rowCount(), 2);
  for (int ligne = 0; ligne < 2; ++ligne) {
    EXPECT_EQ(w2.resume->grdFichiers->item(ligne, frmResume::kResultat)->text(),
              QStringLiteral("Erreur inattendue"));
  }
  EXPECT_TRUE(w2.resume->txtDetails->toPlainText().contains(
      QStringLiteral("erreur inattendue : lecture interrompue %1 %2")));
  EXPECT_EQ(f.occupe.etats.back(), false) << "the pointer comes back";
}

// Qt's own French texts for the length of a test, as the programs load them.
class TraductionsFrancaises {
 public:
  TraductionsFrancaises() : charge(ChargerTraductionsFrancaises(*QCoreApplication::instance())) {}
  ~TraductionsFrancaises() {
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(t);
      delete t;
    }
    QLocale::setDefault(locale_);
  }
  TraductionsFrancaises(const TraductionsFrancaises&) = delete;
  TraductionsFrancaises& operator=(const TraductionsFrancaises&) = delete;

  const QLocale locale_ = QLocale();
  const bool charge;
};

TEST(frmPrincipale, QtsOwnDialogsAndMenusSpeakFrench) {
  const TraductionsFrancaises francais;
  ASSERT_TRUE(francais.charge) << "qt6-translations-l10n is not installed";

  testing::StockageReglagesMemoire store;
  testing::FausseBoiteMessage messages;
  testing::FauxPointeurOccupe occupe;
  platform::DialogueFichierQt dialogue;
  frmPrincipale w({store, messages, occupe, dialogue, Composition::Import()});
  w.txtFichier->setText(QStringLiteral("/tapé.csv"));
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  QStringList boutons;
  QString titre;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (d == nullptr) {
      return;
    }
    titre = d->windowTitle();
    for (const QDialogButtonBox* boite : d->findChildren<QDialogButtonBox*>()) {
      for (const QAbstractButton* b : boite->buttons()) {
        boutons << b->text();
      }
    }
    d->reject();
  });
  QTest::mouseClick(w.cmdParcourir, Qt::LeftButton);
  EXPECT_EQ(titre, QStringLiteral("Ouvrir"));
  EXPECT_TRUE(boutons.contains(QStringLiteral("Annuler"))) << boutons.join(u'|').toStdString();
  EXPECT_TRUE(boutons.contains(QStringLiteral("&Ouvrir"))) << boutons.join(u'|').toStdString();
  EXPECT_EQ(w.txtFichier->text(), QStringLiteral("/tapé.csv")) << "a cancel keeps the path";

  // The text boxes' context menu.
  const std::unique_ptr<QMenu> menu(w.txtFichier->createStandardContextMenu());
  QStringList actions;
  for (const QAction* a : menu->actions()) {
    actions << a->text().section(u'\t', 0, 0);
  }
  EXPECT_TRUE(actions.contains(QStringLiteral("Co&ller"))) << actions.join(u'|').toStdString();
  EXPECT_FALSE(actions.contains(QStringLiteral("&Paste")));
}

}  // namespace
}  // namespace brivane
