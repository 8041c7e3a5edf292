#include "platform/Deplacement.h"

#include "platform/FichierTexte.h"
#include "support/QStringPrinter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

namespace brivane::platform {
namespace {

void Ecrire(const QString& chemin, const QByteArray& octets) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(octets), octets.size());
}

QByteArray Lire(const QString& chemin) {
  QFile f(chemin);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList Contenu(const QString& dossier) {
  return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A tmpfs of the given options mounted on a new folder: another file system
// than the test's temporary folder. Needs root; unmounted at the end.
class AutreSysteme {
 public:
  AutreSysteme(const QString& dossier, const char* options) : dossier_(dossier) {
    QDir().mkpath(dossier);
    monte_ = ::getuid() == 0 &&
             ::mount("tmpfs", QFile::encodeName(dossier).constData(), "tmpfs", 0, options) == 0;
  }
  ~AutreSysteme() {
    if (monte_) {
      ::umount2(QFile::encodeName(dossier_).constData(), MNT_DETACH);
    }
  }
  AutreSysteme(const AutreSysteme&) = delete;
  AutreSysteme& operator=(const AutreSysteme&) = delete;
  bool Monte() const { return monte_; }

 private:
  QString dossier_;
  bool monte_ = false;
};

TEST(DeplacerSansEcraser, TheCopyAcrossFileSystemsLeavesOneWholeFileAndNeverReplaces) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString source = racine.filePath(QStringLiteral("facture.csv"));
  const QString traite = racine.filePath(QStringLiteral("traite"));
  ASSERT_TRUE(QDir().mkpath(traite));
  const QString cible = traite + QStringLiteral("/facture.csv");
  const QByteArray contenu(300000, 'x');
  Ecrire(source, contenu);
  ASSERT_TRUE(QFile::setPermissions(
      source, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

  // Taken as a move across file systems: copy, sync, rename, remove.
  Ecrire(cible, "ancienne");
  EXPECT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible),
                                ModeDeplacement::CopieForcee),
            EEXIST);
  EXPECT_EQ(Lire(cible), QByteArray("ancienne"));
  EXPECT_EQ(Lire(source), contenu);
  EXPECT_EQ(Contenu(traite), QStringList{QStringLiteral("facture.csv")}) << "no copy left";

  ASSERT_TRUE(QFile::remove(cible));
  ASSERT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible),
                                ModeDeplacement::CopieForcee),
            0);
  EXPECT_EQ(Lire(cible), contenu);
  EXPECT_FALSE(QFile::exists(source));
  EXPECT_EQ(Contenu(traite), QStringList{QStringLiteral("facture.csv")});
  EXPECT_EQ(QFile::permissions(cible) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
            QFileDevice::ReadGroup)
      << "the copy keeps the file's permissions";

  EXPECT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible + "2"),
                                ModeDeplacement::CopieForcee),
            ENOENT);
  EXPECT_EQ(Contenu(traite), QStringList{QStringLiteral("facture.csv")});
}

TEST(DeplacerSansEcraser, AFullOrReadOnlyFileSystemKeepsTheSourceAndNoPartialCopy) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QString plein = racine.filePath(QStringLiteral("plein"));
  const QString lecture = racine.filePath(QStringLiteral("lecture"));
  const AutreSysteme petit(plein, "size=256k");
  const AutreSysteme seul(lecture, "ro,size=1m");
  if (!petit.Monte() || !seul.Monte()) {
    GTEST_SKIP() << "mounting a tmpfs needs root (uid " << ::getuid()
                 << "): the full and read-only file systems cannot be made";
  }
  const QString source = racine.filePath(QStringLiteral("A-2024-000017.csv"));
  QByteArray contenu;
  for (int i = 0; contenu.size() < 400000; ++i) {
    contenu += QByteArray::number(i) + ";";
  }
  contenu.truncate(400000);
  Ecrire(source, contenu);
  const QByteArray empreinte = QCryptographicHash::hash(contenu, QCryptographicHash::Sha256);

  const struct {
    QString dossier;
    int erreur;
    QString raison;
  } cas[] = {
      {plein, ENOSPC, QStringLiteral("le disque est plein")},
      {lecture, EROFS, QStringLiteral("le disque est en lecture seule")},
  };
  for (const auto& c : cas) {
    const QString cible = c.dossier + QStringLiteral("/A-2024-000017.csv");
    EXPECT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible)), c.erreur);
    EXPECT_TRUE(Contenu(c.dossier).isEmpty())
        << "partial copy left: " << Contenu(c.dossier).join(u',').toStdString();
    EXPECT_EQ(QCryptographicHash::hash(Lire(source), QCryptographicHash::Sha256), empreinte);

    QString raison;
    QtDeplaceurFichier deplaceur;
    EXPECT_FALSE(deplaceur.Deplacer(source, cible, raison));
    EXPECT_EQ(raison, c.raison);
  }
}

}  // namespace
}  // namespace brivane::platform
