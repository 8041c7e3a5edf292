#include "app/ImportEnLigne.h"

#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"
#include "support/StockageReglagesMemoire.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>

#include <functional>

namespace brivane {
namespace {

const QString kMotDePasse = QStringLiteral("Secret-Qx9");
const QByteArray kFacture = "t\n0;1;2;3;4;C1;Nom;Adr;Ville;QC;H2X 1Y4;;;;;;;\nt\nA;Vis;1;2\n";

struct Execution {
  Execution() {
    ConfigurationTransfert{QStringLiteral("/cie"), QStringLiteral("/acomba"),
                           QStringLiteral("u"),    kMotDePasse,
                           QStringLiteral("3"),    QStringLiteral("/t")}
        .Enregistrer(store);
    lecteur->fichiers[QStringLiteral("/f/a.csv")] = kFacture;
    lecteur->fichiers[QStringLiteral("/f/b.csv")] = "b" + kFacture;
    lecteur->fichiers[QStringLiteral("/f/copie-de-a.csv")] = kFacture;
    lecteur->fichiers[QStringLiteral("-tiret.csv")] = kFacture;
    lecteur->fichiers[QStringLiteral("/f/courte.csv")] = "t\n0;1\n";
  }
  int Lancer(const QStringList& arguments) {
    QTextStream s(&sortie);
    QTextStream e(&erreurs);
    return ImporterEnLigne(
        arguments, store, s, e,
        ServicesImport{lecteur, deplaceur, testing::ServicesAvec(scenario), journal, {}});
  }

  testing::StockageReglagesMemoire store;
  testing::ScenarioBackEnd scenario;
  std::shared_ptr<testing::FauxLecteurFichier> lecteur =
      std::make_shared<testing::FauxLecteurFichier>();
  std::shared_ptr<testing::FauxDeplaceurFichier> deplaceur =
      std::make_shared<testing::FauxDeplaceurFichier>();
  std::shared_ptr<JournalImport> journal = testing::JournalEnMemoire();
  QString sortie;
  QString erreurs;
};

const QString kConfirmation =
    QStringLiteral("Confirmation : La facture a été transférer à votre système comptable.\n");

TEST(ImporterEnLigne, EachOutcomeHasItsOwnExitCodeAndTheWorstOneWins) {
  struct Cas {
    const char* nom;
    QStringList arguments;
    std::function<void(Execution&)> preparer;
    int code;
    QString sortie;
    QString debutErreurs;
    std::size_t deplacements;
  };
  const auto rien = [](Execution&) {};
  const Cas cas[] = {
      {"un fichier transféré", {QStringLiteral("/f/a.csv")}, rien, 0, kConfirmation, QString(), 1},
      {"deux fichiers transférés",
       {QStringLiteral("/f/a.csv"), QStringLiteral("/f/b.csv")},
       rien,
       0,
       kConfirmation + kConfirmation,
       QString(),
       2},
      {"un fichier après --",
       {QStringLiteral("--"), QStringLiteral("-tiret.csv")},
       rien,
       0,
       kConfirmation,
       QString(),
       1},
      {"aucun fichier",
       {},
       rien,
       kUsage,
       QString(),
       QStringLiteral("brivane-import : aucun fichier"),
       0},
      {"option inconnue",
       {QStringLiteral("--vite"), QStringLiteral("/f/a.csv")},
       rien,
       kUsage,
       QString(),
       QStringLiteral("brivane-import : option inconnue « --vite »"),
       0},
      {"aide",
       {QStringLiteral("/f/a.csv"), QStringLiteral("--aide")},
       rien,
       kAideDemandee,
       QString(),
       QString(),
       0},
      {"chemin vide",
       {QString()},
       rien,
       kFichierNonIndique,
       QString(),
       QStringLiteral("Validation : Vous devez indiquer"),
       0},
      {"configuration incomplète : arrêt au premier fichier",
       {QStringLiteral("/f/a.csv"), QStringLiteral("/f/b.csv")},
       [](Execution& e) {
         e.store.SaveSetting(kApplication, kSectionAcomba, cles::PWDAcomba, QString());
       },
       kConfigurationIncomplete,
       QString(),
       QStringLiteral("Validation : La configuration du transfert pour Acomba n'est pas "
                      "compléte. Veuillez la faire avant de continuer.\n"),
       0},
      {"fichier trop court puis fichier transféré",
       {QStringLiteral("/f/courte.csv"), QStringLiteral("/f/a.csv")},
       rien,
       kLectureImpossible,
       kConfirmation,
       QStringLiteral("Lecture du fichier : Le fichier « /f/courte.csv » ne peut pas être lu à "
                      "la ligne 2 : "),
       1},
      {"facture refusée",
       {QStringLiteral("/f/a.csv")},
       [](Execution& e) { e.scenario.ouvrir = false; },
       kRefuse,
       QString(),
       QStringLiteral("Validation : Session refusée.\n"),
       0},
      {"le même contenu deux fois",
       {QStringLiteral("/f/a.csv"), QStringLiteral("/f/copie-de-a.csv")},
       rien,
       kDejaTransfere,
       kConfirmation,
       QStringLiteral("Facture déjà transférée : Le contenu de ce fichier a déjà été transféré"),
       1},
      {"le même contenu deux fois avec --reimporter",
       {QStringLiteral("--reimporter"), QStringLiteral("/f/a.csv"),
        QStringLiteral("/f/copie-de-a.csv")},
       rien,
       0,
       kConfirmation + kConfirmation,
       QStringLiteral("Facture déjà transférée : Le contenu de ce fichier a déjà été transféré"),
       2},
      {"configuration illisible",
       {QStringLiteral("/f/a.csv"), QStringLiteral("/f/b.csv")},
       [](Execution& e) {
         e.store.illisible = QStringLiteral("Le fichier … ne peut pas être lu.");
       },
       kConfigurationIncomplete,
       QString(),
       QStringLiteral("Configuration : Le fichier … ne peut pas être lu.\n"),
       0},
      {"fichier non déplacé puis refus",
       {QStringLiteral("/f/a.csv"), QStringLiteral("/f/courte.csv")},
       [](Execution& e) { e.deplaceur->raisonRefus = QStringLiteral("disque plein"); },
       kDeplacementImpossible,
       QString(),  // a confirmation means posted and moved
       QStringLiteral("Déplacement du fichier : La facture est transférée"),
       1},
  };
  for (const Cas& c : cas) {
    Execution e;
    c.preparer(e);
    EXPECT_EQ(e.Lancer(c.arguments), c.code) << c.nom;
    EXPECT_EQ(e.sortie, c.sortie) << c.nom;
    EXPECT_TRUE(e.erreurs.startsWith(c.debutErreurs)) << c.nom << "\n" << e.erreurs.toStdString();
    EXPECT_EQ(e.deplaceur->deplacements.size(), c.deplacements) << c.nom;
    EXPECT_FALSE(e.sortie.contains(kMotDePasse) || e.erreurs.contains(kMotDePasse)) << c.nom;
    EXPECT_FALSE(e.erreurs.contains(u'\r')) << c.nom;
  }
}

TEST(ImporterEnLigne, MultiLineMessagesKeepTheirLinesWithoutCarriageReturns) {
  Execution e;
  e.lecteur->fichiers[QStringLiteral("/f/a.csv")] =
      "t\n0;1;2;3;4;C1;Nom;Adr;Ville;QC;H2X 1Y4;;;;;;;\nt\nA;;1;2\nB;;1;2\n";
  EXPECT_EQ(e.Lancer({QStringLiteral("/f/a.csv")}), kRefuse);
  EXPECT_EQ(e.erreurs, QStringLiteral("Validation : Des erreurs se sont produites\n"
                                      "La ligne de détail 0 comporte des erreurs, impossible de "
                                      "continuer.\nLa description est obligatoire.\n"
                                      "La ligne de détail 1 comporte des erreurs, impossible de "
                                      "continuer.\nLa description est obligatoire.\n"));
}

TEST(ImporterEnLigne, TheJournalIsListedNewestFirst) {
  Execution e;
  EXPECT_EQ(e.Lancer({QStringLiteral("--journal")}), 0);
  EXPECT_EQ(e.sortie, QStringLiteral("Le journal des importations est vide.\n"));
  e.scenario.ouvrir = false;
  EXPECT_EQ(e.Lancer({QStringLiteral("/f/b.csv")}), kRefuse);
  e.scenario.ouvrir = true;
  EXPECT_EQ(e.Lancer({QStringLiteral("/f/a.csv")}), 0);
  e.sortie.clear();
  EXPECT_EQ(e.Lancer({QStringLiteral("--journal")}), 0);
  const QStringList lignes = e.sortie.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lignes.size(), 3) << e.sortie.toStdString();
  EXPECT_TRUE(lignes[0].startsWith(QStringLiteral("N°\tDébut\tFin\tÉtat\tFichier")));
  const QString empreinte =
      QString::fromLatin1(QCryptographicHash::hash(kFacture, QCryptographicHash::Sha256).toHex());
  EXPECT_TRUE(lignes[1].startsWith(QStringLiteral("2\t")));
  EXPECT_TRUE(
      lignes[1].endsWith(QStringLiteral("\tdéplacée\t/f/a.csv\t/cie\t1\t-\t%1").arg(empreinte)))
      << lignes[1].toStdString();
  EXPECT_TRUE(lignes[2].startsWith(QStringLiteral("1\t")));
  EXPECT_TRUE(lignes[2].contains(QStringLiteral("\trefusée\t/f/b.csv\t")));
}

TEST(ImporterEnLigne, AReaderThatWentAwayChangesNothingImportedAndShowsInTheExitCode) {
  // A real pipe whose reader has gone; the program ignores SIGPIPE as main does.
  int tube[2];
  ASSERT_EQ(::pipe(tube), 0);
  ::close(tube[0]);
  const auto precedent = std::signal(SIGPIPE, SIG_IGN);
  Execution e;
  e.lecteur->fichiers[QStringLiteral("/f/c.csv")] = "c" + kFacture;
  int code = -1;
  {
    QFile bout;
    ASSERT_TRUE(bout.open(tube[1], QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    QTextStream sortie(&bout);
    QTextStream erreurs(&e.erreurs);
    code = ImporterEnLigne(
        {QStringLiteral("/f/a.csv"), QStringLiteral("/f/b.csv"), QStringLiteral("/f/c.csv")},
        e.store, sortie, erreurs,
        ServicesImport{e.lecteur, e.deplaceur, testing::ServicesAvec(e.scenario), e.journal, {}});
  }  // the streams try their last flush while SIGPIPE is still ignored
  std::signal(SIGPIPE, precedent);
  EXPECT_EQ(code, kSortieImpossible);
  // Every file posted once and moved, the journal says so.
  EXPECT_EQ(e.scenario.appels.count(QStringLiteral("Facture")), 3);
  EXPECT_EQ(e.deplaceur->deplacements.size(), 3U);
  std::vector<EntreeJournal> entrees;
  ASSERT_NO_THROW(entrees = e.journal->Lister());
  ASSERT_EQ(entrees.size(), 3U);
  for (const EntreeJournal& entree : entrees) {
    EXPECT_EQ(entree.etat, EtatImport::Deplacee);
  }
}

TEST(ImporterEnLigne, TheHelpDocumentsEveryExitCodeAndTheConfiguration) {
  const QString aide =
      AideImportEnLigne(QStringLiteral("/home/u/.config/Brivane/Brivane.ini"),
                        QStringLiteral("/home/u/.config/Brivane/journal-importations.sqlite"));
  // The help and the README's table list the same codes: every one the program has.
  QList<int> codesAide;
  for (const QRegularExpressionMatch& m :
       QRegularExpression(QStringLiteral("\n  (\\d+) ")).globalMatch(aide)) {
    codesAide << m.captured(1).toInt();
  }
  QFile readme(QStringLiteral(BRIVANE_EXEMPLES "/../README.md"));
  ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
  const QString texte = QString::fromUtf8(readme.readAll());
  const qsizetype table = texte.indexOf(QStringLiteral("| Code | Meaning |"));
  ASSERT_GE(table, 0);
  QList<int> codesReadme;
  for (const QRegularExpressionMatch& m :
       QRegularExpression(QStringLiteral("^\\| (\\d+) \\|"), QRegularExpression::MultilineOption)
           .globalMatch(texte.mid(table, texte.indexOf(QStringLiteral("\n\n"), table) - table))) {
    codesReadme << m.captured(1).toInt();
  }
  const QList<int> tous{kTousTransferes,
                        kErreurInterne,
                        kUsage,
                        kFichierNonIndique,
                        kConfigurationIncomplete,
                        kLectureImpossible,
                        kRefuse,
                        kDeplacementImpossible,
                        kDejaTransfere,
                        kInterrompu,
                        kSortieImpossible,
                        kEnCoursAilleurs};
  EXPECT_EQ(codesAide, tous);
  EXPECT_EQ(codesReadme, tous);
  EXPECT_TRUE(aide.contains(QStringLiteral("journal-importations.sqlite")));
  EXPECT_TRUE(aide.contains(QStringLiteral("--reimporter")));
  EXPECT_TRUE(aide.contains(QStringLiteral("--journal")));
  EXPECT_TRUE(aide.contains(QStringLiteral("/home/u/.config/Brivane/Brivane.ini")));
  EXPECT_TRUE(aide.contains(QStringLiteral("BRIVANE_CONFIG_DIR")));
}

}  // namespace
}  // namespace brivane
