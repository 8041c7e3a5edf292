// A Windows program run under Wine locks a table as dBASE drivers do: it is
// refused while a posting holds the table, and a posting waits for it in turn.
#include "dbase/DossierDemoDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "platform/ErreurBaseDonnees.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace brivane::dbf {
namespace {

using std::chrono::milliseconds;

class VerrouWindows : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef BRIVANE_VERROU_EXE
    GTEST_SKIP() << "the Windows program was not built (x86_64-w64-mingw32-g++-posix missing)";
#else
    exe_ = QStringLiteral(BRIVANE_VERROU_EXE);
    if (!QFile::exists(QStringLiteral("/usr/lib/wine/wine64"))) {
      GTEST_SKIP() << "Wine is not installed (/usr/lib/wine/wine64 missing)";
    }
    ASSERT_TRUE(prefixe_.isValid());
    ASSERT_TRUE(dossier_.isValid());
    dbase::DossierDemoDbf().Creer(dossier_.path());
    // The first run makes the Wine prefix; a machine where Wine cannot run skips.
    QProcess essai;
    Lancer(essai, QStringLiteral("essayer"));
    if (!essai.waitForFinished(240000) || essai.exitCode() != 0) {
      GTEST_SKIP() << "Wine cannot run here: "
                   << QString::fromUtf8(essai.readAllStandardError()).toStdString();
    }
#endif
  }

  void Lancer(QProcess& p, const QString& action) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefixe_.path());
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/usr/lib/wine/wine64"),
            {exe_, action, dossier_.filePath(QStringLiteral("factma.dbf"))});
  }
  // What the program says of one attempt: "accorde" or "refuse ...".
  QString Essayer() {
    QProcess p;
    Lancer(p, QStringLiteral("essayer"));
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }
  std::unique_ptr<platform::BaseDonnees> Base() {
    return dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel(), milliseconds(200))
        .Open(QStringLiteral("Data Source=") + dossier_.path());
  }

  QString exe_;
  QTemporaryDir prefixe_;
  QTemporaryDir dossier_;
};

TEST_F(VerrouWindows, AWindowsProgramIsRefusedWhileAPostingHoldsTheTable) {
  auto base = Base();
  base->Begin({QStringLiteral("factma")}, milliseconds(0));
  EXPECT_TRUE(Essayer().startsWith(QStringLiteral("refuse 33"))) << Essayer().toStdString();
  base->Rollback();
  EXPECT_EQ(Essayer(), QStringLiteral("accorde"));
}

TEST_F(VerrouWindows, APostingWaitsForAWindowsProgramThatHoldsTheTable) {
  QProcess tenant;
  Lancer(tenant, QStringLiteral("tenir"));
  ASSERT_TRUE(tenant.waitForReadyRead(120000));
  ASSERT_EQ(QString::fromUtf8(tenant.readLine()).trimmed(), QStringLiteral("tenu"));
  auto base = Base();
  try {
    base->Begin({QStringLiteral("factma"), QStringLiteral("solde")}, milliseconds(200));
    ADD_FAILURE() << "the posting took a table a Windows program holds";
  } catch (const platform::ErreurBaseDonnees& e) {
    EXPECT_EQ(e.description(),
              QStringLiteral("La table factma est occupée par une autre saisie ; réessayez dans "
                             "un moment."));
  }
  tenant.closeWriteChannel();
  ASSERT_TRUE(tenant.waitForFinished(60000));
  EXPECT_NO_THROW(base->Begin({QStringLiteral("factma")}, milliseconds(200)));
  base->Rollback();
}

}  // namespace
}  // namespace brivane::dbf
