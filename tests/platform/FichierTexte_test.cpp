#include "platform/FichierTexte.h"

#include "platform/Deplacement.h"
#include "platform/NomFichier.h"
#include "support/QStringPrinter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>

namespace brivane::platform {
namespace {

void ecrire(const QString& chemin, const QByteArray& octets) {
  QFile f(chemin);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(octets);
}

QByteArray lire(const QString& chemin) {
  QFile f(chemin);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

TEST(LecteurFichierQt, ReadsTheBytesUnchangedOrSaysWhyNot) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString fichier = dossier.filePath(QStringLiteral("f.csv"));
  ecrire(fichier, QByteArray("a\r\nQu\xE9"
                             "bec\n"));
  const LecteurFichierQt lecteur;
  QString raison;
  EXPECT_EQ(lecteur.LireOctets(fichier, raison), QByteArray("a\r\nQu\xE9"
                                                            "bec\n"));

  for (const QString& absent :
       {dossier.filePath(QStringLiteral("absent.csv")), dossier.path(), QStringLiteral("   ")}) {
    raison.clear();
    EXPECT_FALSE(lecteur.LireOctets(absent, raison)) << absent.toStdString();
    EXPECT_FALSE(raison.isEmpty());
  }
}

TEST(DeplaceurFichierQt, MovesOnlyToAFreeNameInAnExistingFolder) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString source = dossier.filePath(QStringLiteral("facture.csv"));
  const QString traite = dossier.filePath(QStringLiteral("traite"));
  ASSERT_TRUE(QDir().mkpath(traite));
  const QString cible = traite + QStringLiteral("/facture.csv");
  DeplaceurFichierQt deplaceur;
  QString raison;

  ecrire(source, "nouvelle");
  ecrire(cible, "ancienne");
  EXPECT_FALSE(deplaceur.Deplacer(source, cible, raison));
  EXPECT_EQ(lire(cible), QByteArray("ancienne")) << "an existing file is never replaced";
  EXPECT_EQ(lire(source), QByteArray("nouvelle"));
  EXPECT_TRUE(raison.contains(QStringLiteral("existe déjà"))) << raison.toStdString();

  ASSERT_TRUE(QFile::remove(cible));
  EXPECT_FALSE(
      deplaceur.Deplacer(source, dossier.filePath(QStringLiteral("manque/f.csv")), raison));
  EXPECT_TRUE(raison.contains(QStringLiteral("n'existe pas"))) << raison.toStdString();
  EXPECT_EQ(lire(source), QByteArray("nouvelle"));

  ASSERT_TRUE(deplaceur.Deplacer(source, cible, raison)) << raison.toStdString();
  EXPECT_EQ(lire(cible), QByteArray("nouvelle"));
  EXPECT_FALSE(QFile::exists(source));

  EXPECT_FALSE(deplaceur.Deplacer(source, cible + QStringLiteral(".2"), raison));
  EXPECT_TRUE(raison.contains(QStringLiteral("n'existe plus"))) << raison.toStdString();
}

// A file of the processed file's name that arrives after the check: the
// posted file goes under the next free name, and nothing is replaced.
TEST(DeplaceurFichierQt, AFileArrivedMeanwhileGivesTheNextFreeNameNeverAReplacement) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString source = dossier.filePath(QStringLiteral("f.csv"));
  const QString traite = dossier.filePath(QStringLiteral("traite"));
  ASSERT_TRUE(QDir().mkpath(traite));
  ecrire(source, "postee");
  ecrire(traite + QStringLiteral("/f.csv"), "autre");
  ecrire(traite + QStringLiteral("/f (2).csv"), "autre 2");
  DeplaceurFichierQt deplaceur;
  QString finale;
  QString raison;
  ASSERT_TRUE(
      deplaceur.DeplacerSousNomLibre(source, traite + QStringLiteral("/f.csv"), finale, raison))
      << raison.toStdString();
  EXPECT_EQ(finale, traite + QStringLiteral("/f (3).csv"));
  EXPECT_EQ(lire(finale), QByteArray("postee"));
  EXPECT_EQ(lire(traite + QStringLiteral("/f.csv")), QByteArray("autre"));
  EXPECT_EQ(lire(traite + QStringLiteral("/f (2).csv")), QByteArray("autre 2"));
  // Any other failure is the move's own: no name is tried after it.
  EXPECT_FALSE(
      deplaceur.DeplacerSousNomLibre(source, traite + QStringLiteral("/f.csv"), finale, raison));
  EXPECT_TRUE(raison.contains(QStringLiteral("n'existe plus"))) << raison.toStdString();

  for (const auto& [cible, attendu] :
       {std::pair{"/t/f.csv", "/t/f (2).csv"}, std::pair{"/t/f", "/t/f (2)"},
        std::pair{"/t/.csv", "/t/.csv (2)"}, std::pair{"/t.d/f", "/t.d/f (2)"},
        std::pair{"C:\\t.d\\f.csv", "C:\\t.d\\f (2).csv"}}) {
    EXPECT_EQ(NomLibre(QString::fromUtf8(cible), 2), QString::fromUtf8(attendu));
  }
}

TEST(LecteurFichierQt, OnlyRegularFilesAreReadAndNothingWaitsOrFillsTheMemory) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString fichier = dossier.filePath(QStringLiteral("f.csv"));
  ecrire(fichier, "contenu");
  const auto chemin = [&](const char* nom) { return dossier.filePath(QLatin1StringView(nom)); };
  ASSERT_TRUE(QFile::link(fichier, chemin("lien.csv")));
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), chemin("zero.csv")));
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/urandom"), chemin("hasard.csv")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(chemin("tube.csv")).constData(), 0600), 0);
  const int prise = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(prise, 0);
  sockaddr_un adresse{};
  adresse.sun_family = AF_UNIX;
  const QByteArray nomPrise = QFile::encodeName(chemin("prise.csv"));
  ASSERT_LT(nomPrise.size(), static_cast<qsizetype>(sizeof adresse.sun_path));
  std::memcpy(adresse.sun_path, nomPrise.constData(), static_cast<size_t>(nomPrise.size()));
  ASSERT_EQ(::bind(prise, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse), 0);
  {
    // One byte over the cap, without a byte on the disk (sparse).
    QFile grand(chemin("grand.csv"));
    ASSERT_TRUE(grand.open(QIODevice::WriteOnly));
    ASSERT_TRUE(grand.resize(kTailleMaximaleFichier + 1));
  }

  const LecteurFichierQt lecteur;
  QString raison;
  EXPECT_EQ(lecteur.LireOctets(chemin("lien.csv"), raison), QByteArray("contenu"));
  const struct {
    const char* nom;
    QString raison;
  } cas[] = {
      {"zero.csv", QStringLiteral("c'est un périphérique et non un fichier")},
      {"hasard.csv", QStringLiteral("c'est un périphérique et non un fichier")},
      {"tube.csv", QStringLiteral("c'est un tube nommé (FIFO) et non un fichier")},
      {"prise.csv", QStringLiteral("c'est une prise de communication (socket) et non un fichier")},
      {"grand.csv", QStringLiteral("il fait 67108865 octets, plus que les 64 Mo permis pour une "
                                   "facture")},
  };
  for (const auto& c : cas) {
    // A FIFO without a writer would block an open: the reading runs aside,
    // and a writer is brought in if it hangs, so that the test itself ends.
    auto lecture = std::async(std::launch::async, [&] {
      QString r;
      const bool lu = lecteur.LireOctets(chemin(c.nom), r).has_value();
      return std::make_pair(lu, r);
    });
    if (lecture.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << c.nom << ": the reading waits";
      const int fd = ::open(QFile::encodeName(chemin(c.nom)).constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        ::close(fd);
      }
    }
    const auto [lu, r] = lecture.get();
    EXPECT_FALSE(lu) << c.nom;
    EXPECT_EQ(r, c.raison) << c.nom;
  }
  ::close(prise);
}

TEST(LecteurFichierQt, AFolderThatCannotBeEnteredIsNotAMissingFile) {
  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QString ferme = dossier.filePath(QStringLiteral("ferme"));
  ASSERT_TRUE(QDir().mkpath(ferme));
  ecrire(ferme + QStringLiteral("/f.csv"), "x");
  ASSERT_TRUE(QFile::setPermissions(ferme, QFileDevice::WriteOwner));
  if (::access(QFile::encodeName(ferme + QStringLiteral("/f.csv")).constData(), R_OK) == 0) {
    QFile::setPermissions(ferme,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    GTEST_SKIP() << "permissions are not enforced for this user (root): the folder opens anyway";
  }
  QString raison;
  EXPECT_FALSE(LecteurFichierQt().LireOctets(ferme + QStringLiteral("/f.csv"), raison));
  EXPECT_EQ(raison, QStringLiteral(
                        "vous n'avez pas la permission d'entrer dans le dossier qui le contient"));
  QFile::setPermissions(ferme,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(NomFichier, AnyBytesTheSystemGivesComeBackUnchangedAndOpen) {
  const QByteArray noms[] = {
      "facture.csv",
      "caf\xe9.csv",                   // Windows-1252 "é": not UTF-8
      "caf\xc3\xa9.csv",               // UTF-8 "é"
      "\xc3\x28\xe2\x82\xf0\x9f.csv",  // cut and broken sequences
      "\xed\xa0\x80\xc0\xaf.csv",      // an encoded surrogate, an overlong "/"
      "\xf0\x9f\x98\x80\xff\x80.csv",  // a character beyond 16 bits, then stray bytes
  };
  for (const QByteArray& octets : noms) {
    EXPECT_EQ(EncoderNom(DecoderNom(octets)), octets) << octets.toHex().constData();
  }
  EXPECT_EQ(DecoderNom("caf\xc3\xa9.csv"), QStringLiteral("café.csv"));
  QByteArray tous;
  for (int b = 1; b < 256; ++b) {
    tous += static_cast<char>(b);
  }
  EXPECT_EQ(EncoderNom(DecoderNom(tous)), tous);

  QTemporaryDir dossier;
  ASSERT_TRUE(dossier.isValid());
  const QByteArray chemin = QFile::encodeName(dossier.path()) + "/caf\xe9.csv";
  const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "x;y", 3), 3);
  ::close(fd);
  QString raison;
  EXPECT_EQ(LecteurFichierQt().LireOctets(DecoderNom(chemin), raison), QByteArray("x;y"))
      << raison.toStdString();
  // Qt's own decoding loses the byte: that name names no file.
  EXPECT_FALSE(LecteurFichierQt().LireOctets(QFile::decodeName(chemin), raison));
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
  ecrire(source, contenu);
  ASSERT_TRUE(QFile::setPermissions(
      source, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

  // Taken as a move across file systems: copy, sync, rename, remove.
  ecrire(cible, "ancienne");
  EXPECT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible),
                                ModeDeplacement::CopieForcee),
            EEXIST);
  EXPECT_EQ(lire(cible), QByteArray("ancienne"));
  EXPECT_EQ(lire(source), contenu);
  EXPECT_EQ(Contenu(traite), QStringList{QStringLiteral("facture.csv")}) << "no copy left";

  ASSERT_TRUE(QFile::remove(cible));
  ASSERT_EQ(DeplacerSansEcraser(QFile::encodeName(source), QFile::encodeName(cible),
                                ModeDeplacement::CopieForcee),
            0);
  EXPECT_EQ(lire(cible), contenu);
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
  ecrire(source, contenu);
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
    EXPECT_EQ(QCryptographicHash::hash(lire(source), QCryptographicHash::Sha256), empreinte);

    QString raison;
    DeplaceurFichierQt deplaceur;
    EXPECT_FALSE(deplaceur.Deplacer(source, cible, raison));
    EXPECT_EQ(raison, c.raison);
  }
}

}  // namespace
}  // namespace brivane::platform
