#include "dbf/Journal.h"
#include "dbf/VerrouFichier.h"
#include "platform/os/Fichier.h"
#include "support/SystemeAvecPannes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brivane::dbf {
namespace {

using std::chrono::milliseconds;
using testing::Pannes;

os::SystemeFichiers& Reel() { return os::SystemeFichiers::Reel(); }

// A table of `count` records of 4 bytes after a 40-byte header, with its end mark.
QByteArray Table(std::uint32_t count) {
  QByteArray bytes(40, '\0');
  bytes[0] = 0x03;
  bytes[4] = static_cast<char>(count);
  bytes[8] = 40;
  bytes[10] = 4;
  for (std::uint32_t i = 0; i < count; ++i) {
    bytes += QByteArray(" r") + QByteArray::number(i).rightJustified(2, '0');
  }
  return bytes + '\x1a';
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  std::string Dossier() const { return dir_.path().toStdString(); }
  QString Chemin(const char* nom) const { return dir_.filePath(QString::fromLatin1(nom)); }
  void Ecrire(const char* nom, const QByteArray& octets) const {
    QFile f(Chemin(nom));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(octets);
  }
  QByteArray Lire(const char* nom) const {
    QFile f(Chemin(nom));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // What a commit of two new records and a rewrite of record 1 does to "t.dbf",
  // and the journal it writes first.
  Journal Commettre() const {
    const QByteArray avant = Lire("t.dbf");
    TableJournal t;
    t.file = "t.dbf";
    t.originalSize = static_cast<std::uint64_t>(avant.size());
    std::copy_n(avant.constData(), 32, reinterpret_cast<char*>(t.originalHeader.data()));
    t.finalCount = 5;
    t.tailOffset = 40 + 3 * 4;
    t.tail = avant.endsWith('\x1a') ? "\x1a" : "";
    t.records = {{1, avant.mid(44, 4).toStdString()}};
    Journal journal;
    journal.tables.push_back(t);
    EcrireJournal(Reel(), Dossier(), journal);
    QByteArray apres = avant;
    apres[4] = 5;
    apres.replace(44, 4, "*r01");
    if (apres.endsWith('\x1a')) {
      apres.chop(1);
    }
    apres += QByteArray(" n03 n04\x1a");
    QFile f(Chemin("t.dbf"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(apres);
    return journal;
  }

  QTemporaryDir dir_;
};

TEST_F(JournalTest, ReadsBackWhatItWroteAndNothingOfAJournalCutShortOrDamaged) {
  Ecrire("t.dbf", Table(3));
  const Journal journal = Commettre();
  EXPECT_EQ(LireJournal(Reel(), Dossier()), journal);
  const std::string octets = journal.Encode();
  for (std::size_t longueur = 0; longueur < octets.size(); ++longueur) {
    EXPECT_FALSE(Journal::Decode(std::string_view(octets).substr(0, longueur))) << longueur;
  }
  for (std::size_t i = 0; i < octets.size(); i += 7) {
    std::string abime = octets;
    abime[i] = static_cast<char>(abime[i] ^ 0x20);
    EXPECT_FALSE(Journal::Decode(abime)) << i;
  }
  // Cut short while being written: no table had changed; it is removed.
  Ecrire(Journal::kFileName, QByteArray::fromStdString(octets.substr(0, octets.size() / 2)));
  EXPECT_FALSE(LireJournal(Reel(), Dossier()));
  EXPECT_FALSE(QFile::exists(Chemin(Journal::kFileName)));
}

TEST_F(JournalTest, RollingBackGivesTheTableBackByteForByte) {
  for (const bool avecMarque : {true, false}) {
    SCOPED_TRACE(avecMarque);
    QByteArray avant = Table(3);
    if (!avecMarque) {
      avant.chop(1);  // another program's table without its end mark
    }
    Ecrire("t.dbf", avant);
    const Journal journal = Commettre();
    DefaireJournal(Reel(), Dossier(), journal);
    EXPECT_EQ(Lire("t.dbf"), avant);
    EXPECT_FALSE(QFile::exists(Chemin(Journal::kFileName)));
    // Undoing twice changes nothing more: a crash during the undo is undone again.
    DefaireJournal(Reel(), Dossier(), journal);
    EXPECT_EQ(Lire("t.dbf"), avant);
  }
}

// An undo cut short by a full disk or an I/O error at any write or sync
// leaves the journal until the table is whole again, and the next undo
// (the next connection's) finishes it.
TEST_F(JournalTest, AnUndoThatFailsAnywhereIsFinishedByTheNextOne) {
  const QByteArray avant = Table(3);
  int echecs = 0;
  for (const bool synchro : {false, true}) {
    for (int n = 0;; ++n) {
      SCOPED_TRACE(::testing::Message() << (synchro ? "sync " : "write ") << n);
      Ecrire("t.dbf", avant);
      const Journal journal = Commettre();
      testing::SystemeAvecPannes pannes(Reel(),
                                        synchro ? Pannes{.synchro = n} : Pannes{.ecriture = n});
      try {
        DefaireJournal(pannes, Dossier(), journal);
        EXPECT_EQ(Lire("t.dbf"), avant);
        break;  // past the last write or sync
      } catch (const os::ErreurOs&) {
        ++echecs;
      }
      const auto reste = LireJournal(Reel(), Dossier());
      if (!reste) {
        EXPECT_EQ(Lire("t.dbf"), avant);  // only the journal's removal went unsynced
        continue;
      }
      EXPECT_EQ(*reste, journal);
      DefaireJournal(Reel(), Dossier(), *reste);
      EXPECT_EQ(Lire("t.dbf"), avant);
      EXPECT_FALSE(QFile::exists(Chemin(Journal::kFileName)));
    }
  }
  EXPECT_GE(echecs, 6);
}

TEST_F(JournalTest, ATableChangedByAnotherProgramSinceIsLeftAsFound) {
  Ecrire("t.dbf", Table(3));
  const Journal journal = Commettre();
  QByteArray autre = Lire("t.dbf");
  autre[4] = 7;  // a count the commit never wrote
  autre += QByteArray(" x05 x06");
  Ecrire("t.dbf", autre);
  EXPECT_THROW(DefaireJournal(Reel(), Dossier(), journal), ConflitJournal);
  EXPECT_EQ(Lire("t.dbf"), autre);
  EXPECT_TRUE(QFile::exists(Chemin(Journal::kFileName)));
}

TEST_F(JournalTest, ATableLockExcludesOtherHandlesAndOtherProcessesUntilReleased) {
  Ecrire("t.dbf", Table(1));
  const std::string chemin = Chemin("t.dbf").toStdString();
  auto premier = VerrouFichier::Take(Reel(), chemin, milliseconds(0));
  ASSERT_TRUE(premier);
  const auto debut = std::chrono::steady_clock::now();
  EXPECT_FALSE(VerrouFichier::Take(Reel(), chemin, milliseconds(60)));
  EXPECT_GE(std::chrono::steady_clock::now() - debut, milliseconds(60));

  // Another process taking a classic fcntl lock on one record's byte, as
  // Samba and Wine do for Windows programs, is refused.
  const auto autreProcessus = [&] {
    const pid_t enfant = ::fork();
    if (enfant == 0) {
      const int fd = ::open(chemin.c_str(), O_RDWR);
      struct flock verrou {};
      verrou.l_type = F_WRLCK;
      verrou.l_whence = SEEK_SET;
      verrou.l_start = static_cast<off_t>(kLockBase + 40);
      verrou.l_len = 1;
      ::_exit(fd >= 0 && ::fcntl(fd, F_SETLK, &verrou) == 0 ? 0 : 1);
    }
    int statut = 0;
    ::waitpid(enfant, &statut, 0);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
  };
  EXPECT_EQ(autreProcessus(), 1);
  premier.reset();
  EXPECT_EQ(autreProcessus(), 0);
  EXPECT_TRUE(VerrouFichier::Take(Reel(), chemin, milliseconds(0)));
  // The table itself stays readable by everyone while it is locked.
  auto encore = VerrouFichier::Take(Reel(), chemin, milliseconds(0));
  EXPECT_EQ(Lire("t.dbf"), Table(1));
}

}  // namespace
}  // namespace brivane::dbf
