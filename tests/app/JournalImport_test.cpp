// The import journal shared by several programs: one claim per content at a
// time, a claim left by a stopped import taken over, and a journal that works
// again once its permissions are given back.
#include "app/JournalImport.h"

#include "support/QStringPrinter.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace brivane {
namespace {

EntreeJournal Entree(const QString& empreinte, const QString& fichier) {
  EntreeJournal e;
  e.empreinte = empreinte;
  e.fichier = fichier;
  e.compagnie = QStringLiteral("/cie");
  e.systeme = 1;
  return e;
}

// Two programs on one journal file (two objects: the locks tell them apart
// as they tell two processes).
TEST(JournalImport, OneImportAtATimeHoldsAContentAndALeftClaimIsTakenOver) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath(QStringLiteral("journal.sqlite"));
  auto premier = std::make_unique<SqliteJournalImport>(chemin);
  SqliteJournalImport second(chemin);
  Revendication r;

  ASSERT_NO_THROW(
      r = premier->Revendiquer(Entree(QStringLiteral("A"), QStringLiteral("a.csv")), false));
  EXPECT_EQ(r.issue, IssueRevendication::Obtenue);
  const qint64 numero = r.entree.numero;
  // Posted but not moved yet: the content stays held.
  for (const EtatImport etat : {EtatImport::EnCours, EtatImport::Transferee}) {
    ASSERT_NO_THROW(premier->Marquer(numero, etat, QStringLiteral("000042")));
    ASSERT_NO_THROW(
        r = second.Revendiquer(Entree(QStringLiteral("A"), QStringLiteral("b.csv")), true));
    EXPECT_EQ(r.issue, IssueRevendication::EnCoursAilleurs);
    EXPECT_EQ(r.entree.numero, numero);
    EXPECT_FALSE(second.AttendreFin(numero, std::chrono::milliseconds(20)));
  }
  ASSERT_NO_THROW(premier->Marquer(numero, EtatImport::Deplacee));
  EXPECT_TRUE(second.AttendreFin(numero, std::chrono::milliseconds(20)));
  ASSERT_NO_THROW(
      r = second.Revendiquer(Entree(QStringLiteral("A"), QStringLiteral("b.csv")), false));
  EXPECT_EQ(r.issue, IssueRevendication::DejaTransferee);
  EXPECT_EQ(r.entree.numeroDocument, QStringLiteral("000042"));

  // A claim whose program went away without a last word is this run's now.
  ASSERT_NO_THROW(
      r = premier->Revendiquer(Entree(QStringLiteral("B"), QStringLiteral("c.csv")), false));
  const qint64 laisse = r.entree.numero;
  premier.reset();
  ASSERT_NO_THROW(
      r = second.Revendiquer(Entree(QStringLiteral("B"), QStringLiteral("d.csv")), false));
  EXPECT_EQ(r.issue, IssueRevendication::Reprise);
  EXPECT_EQ(r.entree.numero, laisse);
  EXPECT_EQ(r.entree.fichier, QStringLiteral("d.csv"));
  // Given up before posting: left en cours for the next import, claim free.
  ASSERT_NO_THROW(second.Relacher(laisse, false));
  SqliteJournalImport troisieme(chemin);
  ASSERT_NO_THROW(
      r = troisieme.Revendiquer(Entree(QStringLiteral("B"), QStringLiteral("e.csv")), false));
  EXPECT_EQ(r.issue, IssueRevendication::Reprise);
}

// As an ordinary user (root writes read-only files): a journal made read-only
// is refused with its cause, and works again once writable, SQLite's own
// files of it included.
TEST(JournalImport, AJournalMadeReadOnlyWorksAgainOnceItsPermissionsAreBack) {
  QTemporaryDir dossier;
  ASSERT_TRUE(QFile::setPermissions(dossier.path(), QFileDevice::Permissions(0x7777)));
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      _exit(2);
    }
    const QString chemin = dossier.filePath(QStringLiteral("journal.sqlite"));
    QString raison;
    Revendication r;
    const auto revendiquer = [&](SqliteJournalImport& journal, const QString& empreinte) {
      try {
        r = journal.Revendiquer(Entree(empreinte, QStringLiteral("f.csv")), false);
        return true;
      } catch (const ErreurJournal& e) {
        raison = e.description();
        return false;
      }
    };
    const auto essayer = [&](const QString& empreinte) {
      SqliteJournalImport journal(chemin);
      return revendiquer(journal, empreinte);
    };
    SqliteJournalImport ouvert(chemin);  // a window that stays open throughout
    if (!essayer(QStringLiteral("1"))) _exit(3);
    QFile::setPermissions(chemin, QFileDevice::ReadOwner);
    if (essayer(QStringLiteral("2")) || !raison.contains(QStringLiteral("lecture seule"))) _exit(4);
    if (revendiquer(ouvert, QStringLiteral("3"))) _exit(5);
    QFile::setPermissions(chemin, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!essayer(QStringLiteral("4"))) _exit(6);
    if (!revendiquer(ouvert, QStringLiteral("5"))) _exit(7);
    _exit(0);
  }
  int statut = 0;
  ASSERT_EQ(waitpid(pid, &statut, 0), pid);
  ASSERT_TRUE(WIFEXITED(statut));
  EXPECT_EQ(WEXITSTATUS(statut), 0);
}

// Imports that start together create the journal together: each one notes
// its import, none is refused as busy.
TEST(JournalImport, ImportsStartingTogetherAllNoteTheirImportInANewJournal) {
  QTemporaryDir dossier;
  const QString chemin = dossier.filePath(QStringLiteral("journal.sqlite"));
  constexpr int kProcessus = 8;
  std::vector<pid_t> enfants;
  for (int p = 0; p < kProcessus; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      SqliteJournalImport journal(chemin);
      EntreeJournal entree;
      entree.empreinte = QString::number(p);
      entree.fichier = QStringLiteral("f.csv");
      entree.compagnie = QStringLiteral("/c");
      entree.systeme = 1;
      bool note = false;
      try {
        note = journal.Commencer(entree) != 0;
      } catch (const ErreurJournal& e) {
        std::fprintf(stderr, "%s\n", e.what());
      }
      std::fflush(stderr);
      _exit(note ? 0 : 1);
    }
    enfants.push_back(pid);
  }
  for (const pid_t pid : enfants) {
    int etat = 0;
    ASSERT_EQ(waitpid(pid, &etat, 0), pid);
    EXPECT_TRUE(WIFEXITED(etat) && WEXITSTATUS(etat) == 0);
  }
  SqliteJournalImport journal(chemin);
  std::vector<EntreeJournal> entrees;
  ASSERT_NO_THROW(entrees = journal.Lister());
  EXPECT_EQ(entrees.size(), static_cast<std::size_t>(kProcessus));
}

}  // namespace
}  // namespace brivane
