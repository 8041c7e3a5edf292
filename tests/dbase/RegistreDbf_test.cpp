// The company's record of imports: written with the invoice, read back by an
// independent reader, and refusing the same content a second time.
#include "dbase/RegistreDbf.h"
#include "dbase/BancDbf.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace brivane::dbase {
namespace {

const QString kEmpreinte =
    QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
const QString kJournal = QStringLiteral("{5b1c2f0e-8a61-4c3e-9d2f-0b6e7a41c9d3}");

class RegistreTest : public PostageTest {
 public:
  std::unique_ptr<ComSoum> Facture(bool refuser = true) {
    auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50)});
    document->Importation({kEmpreinte, kJournal, 42, refuser, true});
    return document;
  }
};

TEST_F(RegistreTest, TheRecordIsWrittenWithTheInvoiceInATableTheFolderLacked) {
  Compagnie();
  const QDateTime avant = QDateTime::currentDateTimeUtc().addMSecs(-1);
  auto document = Facture();
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();
  EXPECT_EQ(document->NumeroDocument(), QStringLiteral("!00007"));
  const QJsonArray registre = Lignes("brivimp");
  ASSERT_EQ(registre.size(), 1);
  const QJsonObject ligne = registre[0].toObject();
  EXPECT_EQ(ligne, (QJsonObject{{"EMPREINT", kEmpreinte},
                                {"JOURNAL", kJournal},
                                {"NUMERO", 42},
                                {"MOMENT", ligne[u"MOMENT"]},
                                {"NODOC", "!00007"}}));
  const auto moment = QDateTime::fromString(ligne[u"MOMENT"].toString(), Qt::ISODateWithMs);
  EXPECT_TRUE(moment.timeSpec() == Qt::UTC && avant <= moment &&
              moment <= QDateTime::currentDateTimeUtc());
  // Our table alone is new, nothing left beside it.
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 7);
}

TEST_F(RegistreTest, TheSameContentIsRefusedUnlessTheUserPostsItAgain) {
  Compagnie();
  ASSERT_TRUE(Facture()->Enregistrer());
  const auto avant = Octets(dir_.path());
  auto encore = Facture();
  EXPECT_FALSE(encore->Enregistrer());
  EXPECT_EQ(Octets(dir_.path()), avant);
  EXPECT_TRUE(encore->NumeroDocument().isEmpty());
  ASSERT_TRUE(encore->ImportationTrouvee().has_value());
  EXPECT_EQ(encore->ImportationTrouvee()->journal, kJournal);
  EXPECT_EQ(encore->ImportationTrouvee()->moment.toString(Qt::ISODateWithMs),
            Lignes("brivimp")[0].toObject()[u"MOMENT"].toString());
  EXPECT_TRUE(encore->Message().contains(QStringLiteral("document n° !00007, importation n° 42")))
      << encore->Message().toStdString();

  ASSERT_TRUE(Facture(false)->Enregistrer());
  EXPECT_EQ(Lignes("factma").size(), 2);
  EXPECT_EQ(Lignes("brivimp")[1].toObject()[u"NODOC"].toString(), QStringLiteral("!00008"));
  auto troisieme = Facture();
  EXPECT_FALSE(troisieme->Enregistrer());  // naming the latest posting
  EXPECT_EQ(troisieme->ImportationTrouvee().value_or(RegistreImportation{}).numeroDocument,
            QStringLiteral("!00008"));
}

TEST_F(RegistreTest, AnExistingRecordTableIsUsedAsItIsWhateverItsLetterCase) {
  Compagnie();
  const QString chemin = dir_.filePath(QStringLiteral("BRIVIMP.dbf"));
  dbf::TableDbf::Creer(chemin, RegistreDbf::Champs(), 0x57, os::SystemeFichiers::Reel());
  auto table = dbf::TableDbf::OuvrirEcriture(chemin, os::SystemeFichiers::Reel());
  table->write(0, table->composer({QString(kEmpreinte).replace(u'9', u'8')}, nullptr));
  table->terminer(QDate(2023, 1, 2));
  table.reset();
  ASSERT_TRUE(Facture()->Enregistrer());
  const auto lu = LectureDbf(chemin);
  ASSERT_EQ(lu.rows.size(), 2);
  EXPECT_EQ(lu.rows[1].toObject()[u"NODOC"].toString(), QStringLiteral("!00007"));
  EXPECT_EQ(Statements(QStringLiteral("Provider=")).size(), 1);  // no second opening
}

// The posting runs in a child, as nobody when the test runs as root: root
// writes into any folder.
TEST_F(RegistreTest, AFolderThatCannotTakeTheRecordTableRefusesBeforeWriting) {
  Compagnie();
  const auto avant = Octets(dir_.path());
  ASSERT_TRUE(QFile::setPermissions(
      dir_.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
  int tube[2];
  ASSERT_EQ(::pipe(tube), 0);
  const pid_t enfant = ::fork();
  if (enfant == 0) {
    ::close(tube[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(2);
    }
    auto document = Facture();
    const bool ok = document->Enregistrer();
    const QByteArray message = document->Message().toUtf8();
    const bool ecrit = ::write(tube[1], message.constData(), message.size()) == message.size();
    ::_exit(!ok && ecrit ? 0 : 1);
  }
  ::close(tube[1]);
  QByteArray message;
  char bloc[512];
  for (ssize_t lu; (lu = ::read(tube[0], bloc, sizeof bloc)) > 0;) {
    message.append(bloc, lu);
  }
  ::close(tube[0]);
  int statut = -1;
  ::waitpid(enfant, &statut, 0);
  QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0) << statut;
  EXPECT_EQ(QString::fromUtf8(message),
            kInconnue + QStringLiteral("-2001") + kCrLf +
                QStringLiteral("Le registre des importations (brivimp.dbf) ne peut pas être créé "
                               "dans le dossier %1 : permission refusée. Rien n'a été écrit.")
                    .arg(dir_.path()));
  EXPECT_EQ(Octets(dir_.path()), avant);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 6);
}

}  // namespace
}  // namespace brivane::dbase
