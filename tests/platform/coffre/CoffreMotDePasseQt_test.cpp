// The keyring for real: GNOME Keyring through the Secret Service, on a session
// bus of the test process's own, in a temporary home (never the user's).
#include "platform/CoffreMotDePasseQt.h"

#include "platform/StockageReglagesQt.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/StockageAvecCoffre.h"
#include "support/QStringPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brivane {
namespace {

using platform::StockageReglagesQt;

// Starts `dbus-run-session -- sh -c script`; the script's first output line is
// returned, and it lives until this process ends (GLib ends a process whose
// bus goes away). Empty when it printed nothing.
QString Session(const QString& script, QProcessEnvironment& env) {
  // Kept, and reachable from here to the end: no leak, no early end.
  static auto* const gardees = new std::vector<std::pair<QTemporaryDir*, QProcess*>>();
  auto* maison = new QTemporaryDir();
  auto* session = new QProcess();
  gardees->emplace_back(maison, session);
  for (const char* nom : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"}) {
    env.remove(QString::fromLatin1(nom));
  }
  env.insert(QStringLiteral("HOME"), maison->path());
  env.insert(QStringLiteral("XDG_DATA_HOME"), maison->path());
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), maison->path());
  session->setProcessEnvironment(env);
  session->setStandardErrorFile(QProcess::nullDevice());  // never a pipe left unread
  session->start(QStringLiteral("dbus-run-session"),
                 {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"), script});
  session->waitForReadyRead(20000);
  const QString adresse = QString::fromLocal8Bit(session->readLine()).trimmed();
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), adresse);
  return adresse;
}

class Coffre : public ::testing::Test {
 protected:
  // brivane-import on this configuration of the SDK, with that bus: 4 is
  // "incomplete", which it is exactly when the password is nowhere.
  int Importer(const QString& bus) {
    QProcessEnvironment env = env_;
    env.insert(QStringLiteral("BRIVANE_CONFIG_DIR"), racine_.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BRIVANE_IMPORT), {racine_.filePath(QStringLiteral("absente.csv"))});
    EXPECT_TRUE(p.waitForFinished(60000)) << "brivane-import waited on the keyring";
    EXPECT_FALSE(p.readAllStandardError().contains("s3cret")) << "never printed";
    return p.exitCode();
  }
  // What the Secret Service holds under QtKeychain's attributes.
  QString DansLeService(const QString& compte) {
    QProcess p;
    p.setProcessEnvironment(env_);
    p.start(QStringLiteral("secret-tool"), {QStringLiteral("lookup"), QStringLiteral("user"),
                                            compte, QStringLiteral("server"), kApplication});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
  }
  QByteArray Ini() {
    QFile f(fichier_.Emplacement(kApplication));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir racine_;
  StockageReglagesQt fichier_{racine_.path()};
  QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
  const ConfigurationTransfert config_{QStringLiteral("/cie"),   QStringLiteral("/acomba"),
                                       QStringLiteral("gerald"), QStringLiteral("s3cret"),
                                       QStringLiteral("3"),      QString(),
                                       QStringLiteral("1")};
};

TEST_F(Coffre, TheProgramsKeepThePasswordInTheKeyringAndMoveTheFilesCopyThere) {
  // Unlocked with a known password, as a desktop session's login does.
  static const QString bus =
      Session(QStringLiteral(
                  "echo -n essai | gnome-keyring-daemon --unlock --components=secrets >/dev/null &&"
                  " echo \"$DBUS_SESSION_BUS_ADDRESS\" && exec cat"),
              env_);
  if (bus.isEmpty()) GTEST_SKIP() << "dbus-run-session or gnome-keyring-daemon did not start";
  qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toLocal8Bit());

  // A file from an earlier version: read as it is, then moved by the next save.
  ASSERT_TRUE(config_.Enregistrer(fichier_));
  platform::CoffreMotDePasseQt coffre(kApplication);
  StockageAvecCoffre store(fichier_, fichier_.Emplacement(kApplication), coffre);
  ASSERT_EQ(ConfigurationTransfert::Lire(store), config_);
  ASSERT_TRUE(config_.Enregistrer(store));
  EXPECT_FALSE(Ini().contains("PWDAcomba")) << Ini().constData();
  EXPECT_TRUE(Ini().contains("UserAcomba=gerald"));
  EXPECT_EQ(DansLeService(store.Compte()), QStringLiteral("s3cret"));
  EXPECT_EQ(store.EmplacementValeur(kApplication, kSectionAcomba, cles::PWDAcomba),
            QStringLiteral("Le mot de passe est gardé dans le trousseau de la session (Secret "
                           "Service ou KWallet)."));

  // The other program finds it there, and only there.
  EXPECT_NE(Importer(bus), 4);
  EXPECT_EQ(Importer(QStringLiteral("unix:path=/nonexistent")), 4);

  // Emptied, the entry goes too.
  ConfigurationTransfert sans = config_;
  sans.PWDAcomba.clear();
  ASSERT_TRUE(sans.Enregistrer(store));
  EXPECT_EQ(DansLeService(store.Compte()), QString());
}

// A Secret Service that takes every request and answers none, as a keyring
// waiting on a prompt nobody sees: it counts as none within the bound (5 s),
// long before D-Bus's own 25 s.
TEST_F(Coffre, AKeyringThatNeverAnswersCountsAsNone) {
  const QString bus =
      Session(QStringLiteral("exec /usr/bin/python3 -c \"import dbus, os, sys\n"
                             "dbus.SessionBus().request_name('org.freedesktop.secrets')\n"
                             "print(os.environ['DBUS_SESSION_BUS_ADDRESS'], flush=True)\n"
                             "sys.stdin.read()\""),
              env_);
  if (bus.isEmpty()) GTEST_SKIP() << "needs dbus-run-session and python3-dbus";
  ConfigurationTransfert sans = config_;
  sans.PWDAcomba.clear();
  ASSERT_TRUE(sans.Enregistrer(fichier_));
  QElapsedTimer duree;
  duree.start();
  EXPECT_EQ(Importer(bus), 4);
  EXPECT_LT(duree.elapsed(), 15000);
}

}  // namespace
}  // namespace brivane

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);  // QtKeychain answers through its loop
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
