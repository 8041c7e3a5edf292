// Imports of one content started at the same moment in several processes, as
// two windows and a script would start them: under other file names, with the
// company folder spelled in other ways. Exactly one invoice is posted, every
// other import answers that the content is already posted, and no file is lost.
#include "app/Composition.h"
#include "app/ImporterFichier.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"

#include "support/FactureExemple.h"
#include "support/LectureDbf.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>

namespace brivane {
namespace {

const QByteArray& kFacture = testing::kFactureExemple;

struct Cas {
  const char* nom;
  int systeme;
  int processus;
  bool journalCommun;  // false: each import has its own journal (another user, a lost journal)
};

class ImportsSimultanes : public ::testing::TestWithParam<Cas> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(racine_.isValid());
    QDir dossier(racine_.path());
    ASSERT_TRUE(dossier.mkpath(QStringLiteral("cie")) && dossier.mkpath(QStringLiteral("traite")) &&
                dossier.mkpath(QStringLiteral("entree")));
    if (GetParam().systeme == 2) {
      QProcess fixture;
      fixture.start(QDir(QStringLiteral(BRIVANE_PROGRAMMES))
                        .filePath(QStringLiteral("brivane-dbase-fixture")),
                    {Chemin(QStringLiteral("cie")), QStringLiteral("17")});
      ASSERT_TRUE(fixture.waitForFinished(30000));
      ASSERT_EQ(fixture.exitCode(), 0);
    } else {
      company::CompagnieDemo::Creer(Chemin(QStringLiteral("cie")), QStringLiteral("demo"),
                                    QStringLiteral("demo"));
    }
    ASSERT_TRUE(QFile::link(Chemin(QStringLiteral("cie")), Chemin(QStringLiteral("lien-cie"))));
  }

  QString Chemin(const QString& nom) const { return racine_.filePath(nom); }

  // The company as import i names it: one folder, four spellings.
  QString Compagnie(int i) const {
    const QString orthographes[] = {Chemin(QStringLiteral("cie")), Chemin(QStringLiteral("cie/")),
                                    QStringLiteral("./cie"), Chemin(QStringLiteral("lien-cie"))};
    return orthographes[i % 4];
  }

  ConfigurationTransfert Configuration(int i) const {
    ConfigurationTransfert c{Compagnie(i),           QStringLiteral("acomba"),
                             QStringLiteral("demo"), QStringLiteral("demo"),
                             QStringLiteral("2"),    Chemin(QStringLiteral("traite"))};
    c.SystemeComptable = QString::number(GetParam().systeme);
    c.Fournisseur = QStringLiteral("F100");
    c.PosteGlVente = QStringLiteral("40100");
    c.PosteGlAchat = QStringLiteral("13100");
    return c;
  }

  std::size_t Factures() const {
    if (GetParam().systeme == 2) {
      return static_cast<std::size_t>(
          testing::LectureDbf(Chemin(QStringLiteral("cie/factma.dbf"))).rows.size());
    }
    return company::InventaireCompagnie::Lire(Chemin(QStringLiteral("cie"))).transactions.size();
  }

  QTemporaryDir racine_;
};

TEST_P(ImportsSimultanes, OneContentStartedTogetherIsPostedOnce) {
  const Cas cas = GetParam();
  int depart[2];
  ASSERT_EQ(pipe(depart), 0);
  std::vector<pid_t> enfants;
  for (int i = 0; i < cas.processus; ++i) {
    const QString fichier = Chemin(QStringLiteral("entree/f%1.csv").arg(i));
    QFile f(fichier);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(kFacture) == kFacture.size());
    f.close();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(depart[1]);
      char octet = 0;
      (void)!read(depart[0], &octet, 1);  // all start when the parent closes the pipe
      if (chdir(racine_.path().toLocal8Bit().constData()) != 0) {
        _exit(100);
      }
      ServicesImport services = Composition::Import();
      services.journal = std::make_shared<SqliteJournalImport>(
          Chemin(cas.journalCommun ? QStringLiteral("journal.sqlite")
                                   : QStringLiteral("journal-%1.sqlite").arg(i)));
      const ResultatImport r = ImporterFichier(
          fichier, Configuration(i), [](const QString&, const QString&) {}, [](bool) {}, services);
      _exit(static_cast<int>(r));
    }
    enfants.push_back(pid);
  }
  close(depart[0]);
  close(depart[1]);
  std::map<ResultatImport, int> issues;
  for (const pid_t pid : enfants) {
    int statut = 0;
    ASSERT_EQ(waitpid(pid, &statut, 0), pid);
    ASSERT_TRUE(WIFEXITED(statut));
    ++issues[static_cast<ResultatImport>(WEXITSTATUS(statut))];
  }
  EXPECT_EQ(Factures(), 1U);
  EXPECT_EQ(issues[ResultatImport::Transfere], 1);
  EXPECT_EQ(issues[ResultatImport::DejaTransfere], cas.processus - 1);
  // The posted file moved, every other one still where it was.
  EXPECT_EQ(QDir(Chemin(QStringLiteral("traite"))).entryList(QDir::Files).size(), 1);
  EXPECT_EQ(QDir(Chemin(QStringLiteral("entree"))).entryList(QDir::Files).size(),
            cas.processus - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ImportsSimultanes,
    ::testing::Values(Cas{"BuiltInTwo", 1, 2, true}, Cas{"BuiltInSix", 1, 6, true},
                      Cas{"BuiltInSixJournals", 1, 6, false}, Cas{"DbaseTwo", 2, 2, true},
                      Cas{"DbaseSix", 2, 6, true}, Cas{"DbaseSixJournals", 2, 6, false}),
    [](const ::testing::TestParamInfo<Cas>& p) { return std::string(p.param.nom); });

}  // namespace
}  // namespace brivane
