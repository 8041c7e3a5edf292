// brivane-import run as a user runs it, on a demo company of the built-in
// provider. Each case ends with what the company holds, where the file is,
// and what the import journal says.
#include "app/JournalImport.h"
#include "company/InventaireCompagnie.h"
#include "platform/StockageReglagesQt.h"
#include "settings/ConfigurationTransfert.h"

#include "support/DossierDemo.h"
#include "support/FactureExemple.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace brivane {
namespace {

const QByteArray& kFacture = testing::kFactureExemple;

struct Fin {
  int code = -1;
  QString sortie;
  QString erreurs;
};

class BrivaneImport : public testing::DossierDemo {
 protected:
  void SetUp() override {
    DossierDemo::SetUp();
    platform::StockageReglagesQt store(config());
    ASSERT_TRUE(
        (ConfigurationTransfert{compagnie(), QStringLiteral("acomba"), QStringLiteral("demo"),
                                QStringLiteral("demo"), QStringLiteral("2"), traite()}
             .Enregistrer(store)));
  }

  QString config() const { return racine_.filePath(QStringLiteral("config")); }

  // An invoice whose first line (never read) makes its content its own.
  QString Ecrire(const QString& nom, const QByteArray& premiereLigne = "Titres") const {
    const QString chemin = racine_.filePath(nom);
    QFile f(chemin);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(premiereLigne + kFacture.mid(6));
    return chemin;
  }

  // Runs a bash command line in the temporary folder; $BIN is the program.
  Fin Lancer(const QString& ligne) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRIVANE_CONFIG_DIR"), config());
    env.insert(QStringLiteral("BIN"), QStringLiteral(BRIVANE_IMPORT));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(racine_.path());
    p.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), ligne});
    Fin fin;
    // Not a speed target: a guard against a program that would never end.
    if (!p.waitForFinished(60000)) {
      p.kill();
      p.waitForFinished();
      ADD_FAILURE() << "still running after 60 s: " << ligne.toStdString();
      return fin;
    }
    fin.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128 + p.exitCode();
    fin.sortie = QString::fromUtf8(p.readAllStandardOutput());
    fin.erreurs = QString::fromUtf8(p.readAllStandardError());
    return fin;
  }

  std::size_t Factures() const {
    return company::InventaireCompagnie::Lire(compagnie()).transactions.size();
  }

  // The journal as "état fichier", newest first.
  QStringList Journal() const {
    SqliteJournalImport journal(config() + QStringLiteral("/journal-importations.sqlite"));
    std::vector<EntreeJournal> entrees;
    EXPECT_NO_THROW(entrees = journal.Lister());
    QStringList lignes;
    for (const EntreeJournal& e : entrees) {
      lignes << Libelle(e.etat) + u' ' + QFileInfo(e.fichier).fileName();
    }
    return lignes;
  }

  QString Traite(const QString& nom) const { return QDir(traite()).filePath(nom); }
};

TEST_F(BrivaneImport, AReaderThatGoesAwayLeavesEveryFilePostedOnceMovedAndNoted) {
  Ecrire(QStringLiteral("a.csv"), "a");
  Ecrire(QStringLiteral("b.csv"), "b");
  Ecrire(QStringLiteral("c.csv"), "c");
  // true reads nothing and ends at once: every confirmation meets a closed pipe.
  const Fin fin =
      Lancer(QStringLiteral("\"$BIN\" a.csv b.csv c.csv | true; exit ${PIPESTATUS[0]}"));
  EXPECT_EQ(fin.code, 10) << fin.erreurs.toStdString();
  EXPECT_EQ(Factures(), 3U);
  for (const char* nom : {"a.csv", "b.csv", "c.csv"}) {
    EXPECT_FALSE(QFile::exists(racine_.filePath(QLatin1StringView(nom)))) << nom;
    EXPECT_TRUE(QFile::exists(Traite(QLatin1StringView(nom)))) << nom;
  }
  EXPECT_EQ(Journal(),
            (QStringList{QStringLiteral("déplacée c.csv"), QStringLiteral("déplacée b.csv"),
                         QStringLiteral("déplacée a.csv")}));

  // The same again, five times, as a careless script would: nothing more is posted.
  for (int fois = 0; fois < 5; ++fois) {
    Ecrire(QStringLiteral("a.csv"), "a");
    EXPECT_EQ(Lancer(QStringLiteral("\"$BIN\" a.csv | true; exit ${PIPESTATUS[0]}")).code, 8);
    QFile::remove(racine_.filePath(QStringLiteral("a.csv")));
  }
  EXPECT_EQ(Factures(), 3U);
  EXPECT_EQ(Journal().size(), 3);
}

TEST_F(BrivaneImport, AFileCopiedBackIsPostedAgainOnlyWithReimporter) {
  Ecrire(QStringLiteral("p.csv"));
  ASSERT_EQ(Lancer(QStringLiteral("\"$BIN\" p.csv")).code, 0);
  ASSERT_TRUE(
      QFile::copy(Traite(QStringLiteral("p.csv")), racine_.filePath(QStringLiteral("q.csv"))));

  const Fin refus = Lancer(QStringLiteral("\"$BIN\" q.csv"));
  EXPECT_EQ(refus.code, 8);
  EXPECT_TRUE(refus.sortie.isEmpty());
  EXPECT_TRUE(refus.erreurs.startsWith(
      QStringLiteral("Facture déjà transférée : Le contenu de ce fichier a déjà été transféré à "
                     "votre système comptable, dans la même compagnie, le ")));
  EXPECT_TRUE(refus.erreurs.endsWith(
      QStringLiteral("(importation n° 1 du journal, fichier « %1 », document n° 000001). Rien "
                     "n'est transféré (--reimporter pour transférer quand même).\n")
          .arg(racine_.filePath(QStringLiteral("p.csv")))))
      << refus.erreurs.toStdString();
  EXPECT_EQ(Factures(), 1U);
  EXPECT_TRUE(QFile::exists(racine_.filePath(QStringLiteral("q.csv"))));

  const Fin encore = Lancer(QStringLiteral("\"$BIN\" --reimporter q.csv"));
  EXPECT_EQ(encore.code, 0) << encore.erreurs.toStdString();
  EXPECT_EQ(
      encore.sortie,
      QStringLiteral("Confirmation : La facture a été transférer à votre système comptable.\n"));
  EXPECT_EQ(Factures(), 2U);
  EXPECT_TRUE(QFile::exists(Traite(QStringLiteral("q.csv"))));
  EXPECT_EQ(Journal(),
            (QStringList{QStringLiteral("déplacée q.csv"), QStringLiteral("déplacée p.csv")}));

  const Fin liste = Lancer(QStringLiteral("\"$BIN\" --journal"));
  EXPECT_EQ(liste.code, 0);
  EXPECT_EQ(liste.sortie.count(u'\n'), 3);
  EXPECT_TRUE(liste.sortie.section(u'\n', 1, 1).startsWith(QStringLiteral("2\t")));
}

TEST_F(BrivaneImport, DevicesAndFifosAreRefusedAtOnce) {
  ASSERT_TRUE(
      QFile::link(QStringLiteral("/dev/zero"), racine_.filePath(QStringLiteral("zero.csv"))));
  ASSERT_EQ(
      ::mkfifo(QFile::encodeName(racine_.filePath(QStringLiteral("tube.csv"))).constData(), 0600),
      0);
  const struct {
    const char* nom;
    const char* raison;
  } cas[] = {
      {"zero.csv", "c'est un périphérique et non un fichier"},
      {"tube.csv", "c'est un tube nommé (FIFO) et non un fichier"},
  };
  for (const auto& c : cas) {
    const Fin fin = Lancer(QStringLiteral("timeout 20 \"$BIN\" %1").arg(QLatin1StringView(c.nom)));
    EXPECT_EQ(fin.code, 5) << c.nom;
    EXPECT_TRUE(fin.erreurs.contains(QString::fromUtf8(c.raison))) << fin.erreurs.toStdString();
  }
  EXPECT_EQ(Factures(), 0U);
  EXPECT_TRUE(QDir(traite()).isEmpty());
  EXPECT_TRUE(Journal().isEmpty());
}

TEST_F(BrivaneImport, AWindows1252FileNameIsImportedAndMovedUnderTheSameBytes) {
  const QByteArray nom = QFile::encodeName(racine_.path()) + "/caf\xe9.csv";
  const int fd = ::open(nom.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, kFacture.constData(), static_cast<size_t>(kFacture.size())),
            kFacture.size());
  ::close(fd);
  const Fin fin = Lancer(QStringLiteral("\"$BIN\" $'caf\\xe9.csv'"));
  EXPECT_EQ(fin.code, 0) << fin.erreurs.toStdString();
  EXPECT_EQ(Factures(), 1U);
  struct stat etat {};
  EXPECT_NE(::lstat(nom.constData(), &etat), 0);
  EXPECT_EQ(::lstat((QFile::encodeName(traite()) + "/caf\xe9.csv").constData(), &etat), 0);
  EXPECT_EQ(Journal().size(), 1);
  EXPECT_TRUE(Journal().value(0).startsWith(QStringLiteral("déplacée caf")));
}

TEST_F(BrivaneImport, AGarbageSettingsFileIsNamedAndNothingIsImported) {
  const QString chemin = Ecrire(QStringLiteral("p.csv"));
  const QString ini = config() + QStringLiteral("/Brivane.ini");
  QFile f(ini);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(QByteArray("\xff\xfe[\0A\0c\0o\0m\0b\0a\0]\0", 18));
  f.close();
  const Fin fin = Lancer(QStringLiteral("\"$BIN\" p.csv"));
  EXPECT_EQ(fin.code, 4);
  EXPECT_TRUE(fin.erreurs.startsWith(
      QStringLiteral("Configuration : Le fichier de configuration « %1 » ne peut pas être lu : il "
                     "contient des octets nuls")
          .arg(ini)))
      << fin.erreurs.toStdString();
  EXPECT_FALSE(fin.erreurs.contains(QStringLiteral("compléte")));
  EXPECT_EQ(Factures(), 0U);
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_FALSE(QFile::exists(config() + QStringLiteral("/journal-importations.sqlite")));
}

TEST_F(BrivaneImport, AFullProcessedFolderOnAnotherDiskLeavesNoPartOfTheFileAndIsFinishedLater) {
  const QString petit = racine_.filePath(QStringLiteral("petit"));
  QDir().mkpath(petit);
  const QByteArray point = QFile::encodeName(petit);
  if (::getuid() != 0 || ::mount("tmpfs", point.constData(), "tmpfs", 0, "size=4k") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root (uid " << ::getuid()
                 << "): the full disk cannot be made";
  }
  struct Demontage {
    QByteArray point;
    ~Demontage() { ::umount2(point.constData(), MNT_DETACH); }
  } demontage{point};
  {
    // Fill it: a page of 4 kB.
    QFile plein(petit + QStringLiteral("/plein"));
    ASSERT_TRUE(plein.open(QIODevice::WriteOnly));
    plein.write(QByteArray(4096, 'x'));
  }
  platform::StockageReglagesQt store(config());
  ASSERT_TRUE(store.SaveSetting(kApplication, kSectionAcomba, cles::DossierTraite, petit));
  const QString chemin = Ecrire(QStringLiteral("p.csv"));

  const Fin fin = Lancer(QStringLiteral("\"$BIN\" p.csv"));
  EXPECT_EQ(fin.code, 7);
  EXPECT_TRUE(fin.erreurs.contains(QStringLiteral(" : le disque est plein.\n")))
      << fin.erreurs.toStdString();
  EXPECT_EQ(Factures(), 1U);
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_EQ(QDir(petit).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("plein")});
  EXPECT_EQ(Journal(), QStringList{QStringLiteral("transférée p.csv")});

  // Room made: the next attempt moves it and posts nothing.
  ASSERT_TRUE(QFile::remove(petit + QStringLiteral("/plein")));
  const Fin ensuite = Lancer(QStringLiteral("\"$BIN\" p.csv"));
  EXPECT_EQ(ensuite.code, 0) << ensuite.erreurs.toStdString();
  EXPECT_TRUE(ensuite.sortie.startsWith(
      QStringLiteral("Confirmation : Cette facture a déjà été transférée")));
  EXPECT_EQ(Factures(), 1U);
  EXPECT_FALSE(QFile::exists(chemin));
  EXPECT_TRUE(QFile::exists(petit + QStringLiteral("/p.csv")));
  EXPECT_EQ(Journal(), QStringList{QStringLiteral("déplacée p.csv")});
}

}  // namespace
}  // namespace brivane
