#include "app/ImporterFichier.h"
#include "app/Composition.h"

#include "support/FauxBackEnd.h"
#include "support/FauxFichiers.h"
#include "support/QStringPrinter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace brivane {
namespace {

using testing::ScenarioBackEnd;

const QString kSep = QDir::separator();
const QString kChemin =
    kSep + QStringLiteral("Factures") + kSep + QStringLiteral("A-2024-000017.csv");
const QString kTraite = kSep + QStringLiteral("Traite");
const QString kCible = kTraite + kSep + QStringLiteral("A-2024-000017.csv");

const QByteArray kFacture =
    "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord, entrepot;40 rue Basse;Villeneuve;Quebec;"
    "G9A_2G4\r\nTitres\r\nVIS-10;Vis 10 mm;100;0.05\r\n;Frais de transport;1;25\r\n";

const QString kVide = QStringLiteral("Vous devez indiquer le fichier CSV avant de continuer.");
const QString kIncomplete = QStringLiteral(
    "La configuration du transfert pour Acomba n'est pas compléte. Veuillez la faire avant de "
    "continuer.");
const QString kConfirmation =
    QStringLiteral("La facture a été transférer à votre système comptable.");

ConfigurationTransfert configuration() {
  return {QStringLiteral("C:\\Cie"), QStringLiteral("C:\\Acomba"), QStringLiteral("gerald"),
          QStringLiteral("s3cret"),  QStringLiteral("7"),          kTraite};
}

// Everything the run does that the user or the file system can see, in order.
class Journal final : public platform::DeplaceurFichier {
 public:
  bool PeutRecevoir(const QString&, const QString&, QString& raison) const override {
    raison = raisonDossier;
    return raisonDossier.isEmpty();
  }
  bool Deplacer(const QString& source, const QString& cible, QString& raison) override {
    evenements << QStringLiteral("déplacer %1 -> %2").arg(source, cible);
    raison = raisonRefus;
    return raisonRefus.isEmpty();
  }

  ResultatImport Importer(const QString& chemin, const ConfigurationTransfert& config) {
    auto lecteur = std::make_shared<testing::FauxLecteurFichier>();
    lecteur->fichiers[kChemin] = facture;
    const ServicesImport services{
        lecteur,
        std::shared_ptr<platform::DeplaceurFichier>(this, [](platform::DeplaceurFichier*) {}),
        testing::ServicesAvec(scenario),
        journal,
        demander,
        deplacerAvant,
        signalerAttente,
        attente};
    return ImporterFichier(
        chemin, config,
        [this](const QString& texte, const QString& titre) {
          evenements << titre + QStringLiteral(" : ") + texte;
          if (titre == titreQuiLance) {
            throw std::runtime_error("message box failed");
          }
        },
        [this](bool occupe) {
          evenements << (occupe ? QStringLiteral("occupé") : QStringLiteral("libre"));
        },
        services);
  }

  QByteArray facture = kFacture;
  QString raisonRefus;
  QString raisonDossier;
  std::shared_ptr<JournalImport> journal =
      std::make_shared<SqliteJournalImport>(QStringLiteral(":memory:"));
  DemanderFn demander;
  bool deplacerAvant = false;
  std::function<void(const QString&)> signalerAttente;
  std::chrono::milliseconds attente = std::chrono::seconds(60);
  QString titreQuiLance;
  ScenarioBackEnd scenario;
  QStringList evenements;
};

TEST(ImporterFichier, ChecksThePathThenTheConfigurationBeforeReadingAnything) {
  struct Cas {
    const char* nom;
    QString chemin;
    QString ConfigurationTransfert::*vide;
    ResultatImport resultat;
    QString message;
  };
  const Cas cas[] = {
      {"chemin vide et configuration vide", QString(), &ConfigurationTransfert::PathCie,
       ResultatImport::FichierNonIndique, kVide},
      {"PathAcomba", kChemin, &ConfigurationTransfert::PathAcomba,
       ResultatImport::ConfigurationIncomplete, kIncomplete},
      {"GroupeProd", kChemin, &ConfigurationTransfert::GroupeProd,
       ResultatImport::ConfigurationIncomplete, kIncomplete},
      {"PathCie", kChemin, &ConfigurationTransfert::PathCie,
       ResultatImport::ConfigurationIncomplete, kIncomplete},
      {"PWDAcomba", kChemin, &ConfigurationTransfert::PWDAcomba,
       ResultatImport::ConfigurationIncomplete, kIncomplete},
      {"UserAcomba", kChemin, &ConfigurationTransfert::UserAcomba,
       ResultatImport::ConfigurationIncomplete, kIncomplete},
  };
  for (const Cas& c : cas) {
    Journal j;
    ConfigurationTransfert config = configuration();
    config.*c.vide = QString();
    if (c.resultat == ResultatImport::FichierNonIndique) {
      config = ConfigurationTransfert{};
    }
    EXPECT_EQ(j.Importer(c.chemin, config), c.resultat) << c.nom;
    EXPECT_EQ(j.evenements, QStringList{QStringLiteral("Validation : ") + c.message}) << c.nom;
    EXPECT_TRUE(j.scenario.appels.isEmpty()) << c.nom;
  }
}

TEST(ImporterFichier, APostedInvoiceIsConfirmedThenMovedWithThePointerOnUntilTheEnd) {
  Journal j;
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::Transfere);
  EXPECT_EQ(j.evenements, (QStringList{QStringLiteral("occupé"),
                                       QStringLiteral("Confirmation : ") + kConfirmation,
                                       QStringLiteral("déplacer %1 -> %2").arg(kChemin, kCible),
                                       QStringLiteral("libre")}));
  // The document carried the fixed values of an import, whatever the file held.
  const ScenarioBackEnd& s = j.scenario;
  EXPECT_EQ(s.appels, (QStringList{QStringLiteral("Ouvrir"), QStringLiteral("Client"),
                                   QStringLiteral("Produits"), QStringLiteral("Facture"),
                                   QStringLiteral("Fermer")}));
  EXPECT_EQ(s.systemeComptable, 1);
  EXPECT_EQ(s.cheminCie, QStringLiteral("C:\\Cie"));
  EXPECT_EQ(s.cheminApp, QStringLiteral("C:\\Acomba"));
  EXPECT_EQ(s.utilisateur, QStringLiteral("gerald"));
  EXPECT_EQ(s.motDePasse, QStringLiteral("s3cret"));
  EXPECT_TRUE(s.soumission);
  EXPECT_EQ(s.nombreLignes, 2U);
}

TEST(ImporterFichier, EveryOtherOutcomeLeavesTheFileWhereItIsAndThePointerOff) {
  struct Cas {
    const char* nom;
    QString chemin;
    std::function<void(Journal&)> preparer;
    ResultatImport resultat;
    QStringList messages;  // title : text, in order
    bool backEndAppele;
  };
  const QString lecture = QStringLiteral("Lecture du fichier : ");
  const QString rien = QStringLiteral(
      "\r\nRien n'a été transféré à votre système comptable et le fichier n'a pas été déplacé.");
  const Cas cas[] = {
      {"fichier absent",
       kChemin + QStringLiteral(".bak"),
       [](Journal&) {},
       ResultatImport::LectureImpossible,
       {lecture +
        QStringLiteral("Le fichier « %1.bak » ne peut pas être lu : le fichier "
                       "n'existe pas.")
            .arg(kChemin) +
        rien},
       false},
      {"chemin fait de blancs",
       QStringLiteral("  "),
       [](Journal&) {},
       ResultatImport::LectureImpossible,
       {lecture +
        QStringLiteral("Le fichier «    » ne peut pas être lu : le fichier n'existe "
                       "pas.") +
        rien},
       false},
      {"ligne de détail trop courte",
       kChemin,
       [](Journal& j) { j.facture += "A;B\r\n"; },
       ResultatImport::LectureImpossible,
       {lecture +
        QStringLiteral("Le fichier « %1 » ne peut pas être lu à la ligne 6 : la ligne de détail "
                       "compte 2 champs séparés par « ; » au lieu d'au moins 4.")
            .arg(kChemin) +
        rien},
       false},
      {"document refusé à la validation",
       kChemin,
       [](Journal& j) { j.facture.replace("Vis 10 mm", ""); },
       ResultatImport::Refuse,
       {QStringLiteral("Validation : Des erreurs se sont produites\r\nLa ligne de détail 0 "
                       "comporte des erreurs, impossible de continuer.\r\nLa description est "
                       "obligatoire.")},
       false},
      {"session refusée",
       kChemin,
       [](Journal& j) { j.scenario.ouvrir = false; },
       ResultatImport::Refuse,
       {QStringLiteral("Validation : Session refusée.")},
       true},
      {"échec inattendu",
       kChemin,
       [](Journal& j) { j.scenario.lancer = true; },
       ResultatImport::Refuse,
       {QStringLiteral("Validation : Une erreur inconnue s'est produite : -2147217900\r\nÉchec "
                       "de l'écriture.")},
       true},
  };
  for (const Cas& c : cas) {
    Journal j;
    c.preparer(j);
    EXPECT_EQ(j.Importer(c.chemin, configuration()), c.resultat) << c.nom;
    const QStringList attendus =
        QStringList{QStringLiteral("occupé")} + c.messages + QStringList{QStringLiteral("libre")};
    EXPECT_EQ(j.evenements, attendus) << c.nom;
    EXPECT_EQ(j.scenario.appels.contains(QStringLiteral("Ouvrir")), c.backEndAppele) << c.nom;
  }
}

TEST(ImporterFichier, AFailedMoveIsReportedAfterTheConfirmationWithItsOwnOutcome) {
  Journal j;
  j.raisonRefus = QStringLiteral("un fichier de ce nom existe déjà dans le dossier de destination");
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DeplacementImpossible);
  EXPECT_EQ(j.evenements,
            (QStringList{
                QStringLiteral("occupé"), QStringLiteral("Confirmation : ") + kConfirmation,
                QStringLiteral("déplacer %1 -> %2").arg(kChemin, kCible),
                QStringLiteral("Déplacement du fichier : La facture est transférée à votre système "
                               "comptable, mais le fichier « %1 » n'a pas été déplacé vers « %2 » "
                               ": un fichier de ce nom existe déjà dans le dossier de destination."
                               "\r\nDéplacez-le vous-même ou, la cause corrigée, importez-le de "
                               "nouveau : il sera déplacé sans être transféré une seconde fois.")
                    .arg(kChemin, kCible),
                QStringLiteral("libre")}));
}

TEST(ImporterFichier, AnEmptyFolderOfProcessedFilesIsNotRequiredAndNamesTheRoot) {
  Journal j;
  ConfigurationTransfert config = configuration();
  config.DossierTraite.clear();
  EXPECT_EQ(j.Importer(kChemin, config), ResultatImport::Transfere);
  EXPECT_TRUE(j.evenements.contains(QStringLiteral("déplacer %1 -> %2")
                                        .arg(kChemin, kSep + QStringLiteral("A-2024-000017.csv"))));
}

TEST(ImporterFichier, ThePointerGoesOffEvenWhenShowingAMessageFails) {
  Journal j;
  j.titreQuiLance = QStringLiteral("Confirmation");
  EXPECT_THROW(j.Importer(kChemin, configuration()), std::runtime_error);
  EXPECT_EQ(j.evenements.constLast(), QStringLiteral("libre"));
}

TEST(ImporterFichier, WithoutTheAcombaBackEndTheInvoiceIsRefused) {
  auto lecteur = std::make_shared<testing::FauxLecteurFichier>();
  lecteur->fichiers[kChemin] = kFacture;
  auto deplaceur = std::make_shared<testing::FauxDeplaceurFichier>();
  ServicesDocument document = Composition::Document();
  document.acomba = {};
  QStringList messages;
  const ResultatImport r = ImporterFichier(
      kChemin, configuration(),
      [&](const QString& texte, const QString& titre) {
        messages << titre + QStringLiteral(" : ") + texte;
      },
      [](bool) {}, ServicesImport{lecteur, deplaceur, document, testing::JournalEnMemoire(), {}});
  EXPECT_EQ(r, ResultatImport::Refuse);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(
      QStringLiteral("Validation : Une erreur inconnue s'est produite : -1001\r\n")));
  EXPECT_TRUE(deplaceur->deplacements.empty());
}

// The journal's entries as "numéro état fichier", newest first.
QStringList Entrees(JournalImport& journal) {
  std::vector<EntreeJournal> entrees;
  EXPECT_NO_THROW(entrees = journal.Lister());
  QStringList lignes;
  for (const EntreeJournal& e : entrees) {
    lignes << QStringLiteral("%1 %2 %3").arg(QString::number(e.numero), Libelle(e.etat), e.fichier);
  }
  return lignes;
}

int Postees(const ScenarioBackEnd& s) {
  return static_cast<int>(s.appels.count(QStringLiteral("Facture")));
}

TEST(ImporterFichier, TheSameContentIsPostedAgainIntoTheSameCompanyOnlyWhenTheUserSaysSo) {
  Journal j;
  QStringList questions;
  QList<bool> reponses{false, true};
  j.demander = [&](const QString& constat, const QString& question, const QString& titre) {
    questions << titre + QStringLiteral(" : ") + constat + QStringLiteral(" ") + question;
    return reponses.takeFirst();
  };
  ASSERT_EQ(j.Importer(kChemin, configuration()), ResultatImport::Transfere);
  EXPECT_EQ(Entrees(*j.journal), QStringList{QStringLiteral("1 déplacée ") + kChemin});

  // Non: nothing posted, nothing moved, nothing noted.
  j.evenements.clear();
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DejaTransfere);
  EXPECT_EQ(Postees(j.scenario), 1);
  EXPECT_EQ(j.evenements, (QStringList{QStringLiteral("occupé"), QStringLiteral("libre")}));
  ASSERT_EQ(questions.size(), 1);
  // The day of the earlier posting, in words; its time may have just turned.
  const QString jour = DateLisible(QDateTime::currentDateTime()).chopped(5);
  EXPECT_TRUE(questions[0].startsWith(
      QStringLiteral("Facture déjà transférée : Le contenu de ce fichier a déjà été transféré à "
                     "votre système comptable, dans la même compagnie, le %1")
          .arg(jour)))
      << questions[0].toStdString();
  EXPECT_TRUE(questions[0].endsWith(
      QStringLiteral("(importation n° 1 du journal, fichier « %1 »). Voulez-vous le transférer "
                     "une seconde fois ?")
          .arg(kChemin)));
  // Oui: posted a second time, and noted.
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::Transfere);
  EXPECT_EQ(Postees(j.scenario), 2);
  EXPECT_EQ(Entrees(*j.journal).size(), 2);

  // Another company, or a refused posting, asks nothing.
  ConfigurationTransfert autre = configuration();
  autre.PathCie = QStringLiteral("C:\\Autre");
  EXPECT_EQ(j.Importer(kChemin, autre), ResultatImport::Transfere);
  j.scenario.ouvrir = false;
  j.facture += "X;Vis;1;1\r\n";
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::Refuse);
  j.scenario.ouvrir = true;
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::Transfere);
  EXPECT_EQ(questions.size(), 2);
  EXPECT_EQ(
      Entrees(*j.journal),
      (QStringList{QStringLiteral("5 déplacée ") + kChemin, QStringLiteral("4 refusée ") + kChemin,
                   QStringLiteral("3 déplacée ") + kChemin, QStringLiteral("2 déplacée ") + kChemin,
                   QStringLiteral("1 déplacée ") + kChemin}));
}

TEST(ImporterFichier, AnInvoicePostedButNotMovedIsMovedNextTimeWithoutBeingPostedAgain) {
  Journal j;
  j.raisonRefus = QStringLiteral("le disque est plein");
  ASSERT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DeplacementImpossible);
  EXPECT_EQ(Entrees(*j.journal), QStringList{QStringLiteral("1 transférée ") + kChemin});

  // Still not movable, as brivane-import runs it: no confirmation, and no
  // promise that importing again will mend it without the cause mended.
  j.deplacerAvant = true;
  j.evenements.clear();
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DeplacementImpossible);
  EXPECT_FALSE(j.evenements.join(u'|').contains(QStringLiteral("Confirmation")));
  EXPECT_TRUE(j.evenements.join(u'|').contains(QStringLiteral("la cause corrigée")));

  j.deplacerAvant = false;
  j.raisonRefus.clear();
  j.evenements.clear();
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DeplacementTermine);
  EXPECT_EQ(Postees(j.scenario), 1);
  ASSERT_EQ(j.evenements.size(), 4);
  // The confirmation says the file is moved: it comes once it is.
  EXPECT_EQ(j.evenements[1], QStringLiteral("déplacer %1 -> %2").arg(kChemin, kCible));
  EXPECT_TRUE(j.evenements[2].startsWith(
      QStringLiteral("Confirmation : Cette facture a déjà été transférée à votre système "
                     "comptable le ")));
  EXPECT_TRUE(j.evenements[2].endsWith(
      QStringLiteral("(importation n° 1 du journal, fichier « %1 »), mais son fichier n'avait "
                     "pas été déplacé. Elle n'est pas transférée une seconde fois ; son fichier "
                     "est déplacé dans le dossier des fichiers traités.")
          .arg(kChemin)));
  EXPECT_EQ(Entrees(*j.journal), QStringList{QStringLiteral("1 déplacée ") + kChemin});
}

// Another program holds the content's claim for longer than the run waits.
TEST(ImporterFichier, AnotherImportOfTheContentStillRunningAfterTheWaitPostsNothing) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath(QStringLiteral("journal.sqlite"));
  SqliteJournalImport autre(chemin);
  EntreeJournal e;
  e.empreinte =
      QString::fromLatin1(QCryptographicHash::hash(kFacture, QCryptographicHash::Sha256).toHex());
  e.fichier = QStringLiteral("/ailleurs/a.csv");
  e.compagnie = QStringLiteral("C:\\Cie");
  e.systeme = 1;
  ASSERT_NO_THROW(autre.Revendiquer(e, false));

  Journal j;
  j.journal = std::make_shared<SqliteJournalImport>(chemin);
  j.attente = std::chrono::milliseconds(200);
  QStringList attentes;
  j.signalerAttente = [&](const QString& texte) { attentes << texte; };
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::EnCoursAilleurs);
  EXPECT_EQ(Postees(j.scenario), 0);
  EXPECT_EQ(attentes.size(), 1);
  EXPECT_TRUE(j.evenements.join(u'|').contains(
      QStringLiteral("Importation en cours : Le fichier « %1 » n'est pas importé : une autre "
                     "importation de ce même contenu dans la même compagnie (importation n° 1")
          .arg(kChemin)))
      << j.evenements.join(u'|').toStdString();
}

TEST(ImporterFichier, AnImportCutShortWhilePostingIsAskedAboutWithItsOwnWords) {
  Journal j;
  EntreeJournal e;
  e.empreinte =
      QString::fromLatin1(QCryptographicHash::hash(j.facture, QCryptographicHash::Sha256).toHex());
  e.fichier = kChemin;
  e.compagnie = QStringLiteral("C:\\Cie");
  e.systeme = 1;
  ASSERT_EQ(j.journal->Commencer(e), 1);
  QString titre;
  j.demander = [&](const QString& constat, const QString&, const QString& t) {
    titre = t;
    EXPECT_TRUE(constat.contains(QStringLiteral("ne s'est jamais terminée")))
        << constat.toStdString();
    return false;
  };
  EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DejaTransfere);
  EXPECT_EQ(titre, QStringLiteral("Importation interrompue"));
  // A company that keeps no record refuses before writing anything.
  EXPECT_EQ(j.scenario.appels, QStringList{QStringLiteral("Ouvrir")});
}

TEST(ImporterFichier, NothingIsPostedWhenTheJournalOrTheProcessedFolderCannotServe) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString bouchon = racine.filePath(QStringLiteral("bouchon"));
  QFile(bouchon).open(QIODevice::WriteOnly);
  {
    Journal j;
    j.journal = std::make_shared<SqliteJournalImport>(bouchon + QStringLiteral("/journal.sqlite"));
    EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::JournalInutilisable);
    ASSERT_EQ(j.evenements.size(), 3);
    EXPECT_TRUE(j.evenements[1].startsWith(
        QStringLiteral("Journal des importations : Le fichier « %1 » n'est pas importé : le "
                       "journal des importations « %2/journal.sqlite » ne peut pas être créé")
            .arg(kChemin, bouchon)))
        << j.evenements[1].toStdString();
    EXPECT_TRUE(j.scenario.appels.isEmpty());
  }
  {
    Journal j;
    j.raisonDossier = QStringLiteral("le dossier des fichiers traités « /Traite » n'existe pas");
    EXPECT_EQ(j.Importer(kChemin, configuration()), ResultatImport::DossierTraiteInutilisable);
    EXPECT_EQ(j.evenements[1],
              QStringLiteral("Dossier des fichiers traités : Le fichier « %1 » n'est pas "
                             "importé : le dossier des fichiers traités « /Traite » n'existe "
                             "pas.\r\nRien n'a été transféré à votre système comptable et le "
                             "fichier n'a pas été déplacé.")
                  .arg(kChemin));
    EXPECT_TRUE(j.scenario.appels.isEmpty());
    EXPECT_TRUE(Entrees(*j.journal).isEmpty());
  }
}

// A journal whose operation named panne fails, as a full disk makes it;
// giving a claim up always fails, after giving it up.
class JournalEnPanne final : public JournalImport {
 public:
  explicit JournalEnPanne(QString panne) : panne_(std::move(panne)) {}
  std::optional<EntreeJournal> Chercher(const QString& e, const QString& c, int s) override {
    return vrai_.Chercher(e, c, s);
  }
  qint64 Commencer(const EntreeJournal& e) override { return vrai_.Commencer(e); }
  void Marquer(qint64 n, EtatImport etat, const QString& document) override {
    Tomber(Libelle(etat));
    vrai_.Marquer(n, etat, document);
  }
  Revendication Revendiquer(const EntreeJournal& e, bool forcer) override {
    Tomber(QStringLiteral("Revendiquer"));
    return vrai_.Revendiquer(e, forcer);
  }
  bool AttendreFin(qint64 n, std::chrono::milliseconds d) override {
    return vrai_.AttendreFin(n, d);
  }
  void Relacher(qint64 n, bool oublier) override {
    vrai_.Relacher(n, oublier);
    throw ErreurJournal(kDisquePlein, kRaison);
  }
  QString Identite() override {
    Tomber(QStringLiteral("Identite"));
    return vrai_.Identite();
  }
  std::vector<EntreeJournal> Lister() override { return vrai_.Lister(); }

  static constexpr int kDisquePlein = 13;  // SQLite's code
  static inline const QString kRaison = QStringLiteral(
      "le journal des importations « /j » ne peut pas être écrit : le disque est plein");

 private:
  void Tomber(const QString& operation) const {
    if (operation == panne_) {
      throw ErreurJournal(kDisquePlein, kRaison);
    }
  }
  QString panne_;
  SqliteJournalImport vrai_{QStringLiteral(":memory:")};
};

TEST(ImporterFichier, AJournalThatFailsIsToldInItsOwnWordsAndPostsAtMostOnce) {
  const QString refus = QStringLiteral(
      "Journal des importations : Le fichier « %1 » n'est pas importé : %2.\r\nRien n'a été "
      "transféré à votre système comptable et le fichier n'a pas été déplacé.");
  struct Cas {
    QString panne;
    ResultatImport resultat;
    int postees;
    QString message;
  } const cas[] = {
      {QStringLiteral("Identite"), ResultatImport::JournalInutilisable, 0, refus},
      {QStringLiteral("Revendiquer"), ResultatImport::JournalInutilisable, 0, refus},
      {QStringLiteral("transférée"), ResultatImport::Transfere, 1,
       QStringLiteral("Journal des importations : Le journal des importations n'a pas pu noter "
                      "que la facture est transférée : %2.")},
      {QStringLiteral("déplacée"), ResultatImport::Transfere, 1,
       QStringLiteral("Journal des importations : La facture est transférée et son fichier "
                      "déplacé, mais le journal des importations n'a pas pu le noter : %2.")},
  };
  for (const Cas& c : cas) {
    Journal j;
    j.journal = std::make_shared<JournalEnPanne>(c.panne);
    EXPECT_EQ(j.Importer(kChemin, configuration()), c.resultat) << c.panne.toStdString();
    EXPECT_EQ(Postees(j.scenario), c.postees) << c.panne.toStdString();
    EXPECT_TRUE(j.evenements.contains(QString(c.message)
                                          .replace(QStringLiteral("%1"), kChemin)
                                          .replace(QStringLiteral("%2"), JournalEnPanne::kRaison)))
        << j.evenements.join(u'|').toStdString();
    EXPECT_EQ(j.evenements.last(), QStringLiteral("libre"));
  }

  // Posted, but neither noted nor moved: the entry stays, so that the next
  // import moves the file instead of posting it again.
  Journal j;
  j.journal = std::make_shared<JournalEnPanne>(QStringLiteral("transférée"));
  j.raisonRefus = QStringLiteral("le disque est plein");
  j.Importer(kChemin, configuration());
  EXPECT_EQ(Postees(j.scenario), 1);
  EXPECT_EQ(Entrees(*j.journal), QStringList{QStringLiteral("1 en cours ") + kChemin});
}

TEST(CheminTraite, TheFolderAsTypedThenTheSeparatorThenTheFileName) {
  struct Cas {
    QString chemin, dossier, cible;
  };
  const Cas cas[] = {
      {kChemin, kTraite, kCible},
      {kChemin, QString(), kSep + QStringLiteral("A-2024-000017.csv")},
      {QStringLiteral("facture.csv"), kTraite, kTraite + kSep + QStringLiteral("facture.csv")},
      {kChemin, kTraite + kSep, kTraite + kSep + kSep + QStringLiteral("A-2024-000017.csv")},
      {kChemin, QStringLiteral(" T "),
       QStringLiteral(" T ") + kSep + QStringLiteral("A-2024-000017.csv")},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(CheminTraite(c.chemin, c.dossier), c.cible);
  }
}

}  // namespace
}  // namespace brivane
