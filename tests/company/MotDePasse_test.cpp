// Users' passwords: hashed with Argon2id; older hashes still log in and are
// replaced at the next log-in, never at the cost of the log-in itself.
#include "company/MotDePasse.h"

#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/FournisseurIntegre.h"
#include "support/QStringPrinter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane::company {
namespace {

using namespace acomba;  // the SDK interface the company implements

const QString kArgon2id = QStringLiteral("$argon2id$");
// "demo" as earlier versions stored it (salt 0011…eeff, SHA-256), and under
// Argon2id at libsodium's least limits.
const QString kAncienne = QStringLiteral(
    "00112233445566778899aabbccddeeff:"
    "dde5568b409abe459c9a5d3097cd8221fba68bf1173b4dc7b49e2dc0239eb1c8");
const QString kFaible = QStringLiteral(
    "$argon2id$v=19$m=8,t=1,p=1$gwmuCIkj2eHNz5Df0MEC7g$REKQvRjW+NWwx09ficdbXziSzV5PEvFUOEkak/"
    "Kd3AE");

class MotDePasse : public ::testing::Test {
 protected:
  MotDePasse() {
    CompagnieDemo::Creer(dossier_.path(), QStringLiteral("demo"), QStringLiteral("demo"));
  }

  QString Stockee(std::int32_t numero = 1) const {
    const auto base = BaseCompagnie::Ouvrir(dossier_.path(), true);
    Requete r(base->db(), QStringLiteral("SELECT mot_de_passe FROM utilisateur WHERE numero = ?"));
    r.Lier(1, numero);
    return r.Suivante() ? r.Texte(0) : QString();
  }
  void Stocker(const QString& empreinte, std::int32_t numero = 1) const {
    const auto base = BaseCompagnie::Ouvrir(dossier_.path());
    Requete r(
        base->db(),
        QStringLiteral("INSERT INTO utilisateur (numero, code, mot_de_passe) VALUES (?, ?, ?) "
                       "ON CONFLICT (numero) DO UPDATE SET mot_de_passe = excluded.mot_de_passe"));
    r.Lier(1, numero).Lier(2, QString::number(numero)).Lier(3, empreinte).Executer();
  }
  // Logs in on a new provider, while user 1's posting is open when asked.
  QString Connecter(const QString& motDePasse, std::int32_t numero = 1,
                    bool enPostage = false) const {
    FournisseurIntegre f;
    auto session = Creer<SessionSdk>(f);
    EXPECT_EQ(session->OuvrirCompagnie(QString(), dossier_.path()), kSucces);
    if (enPostage) {
      EXPECT_EQ(session->Connecter(1, QStringLiteral("demo")), kSucces);
      auto client = Creer<ClientSdk>(f);
      client->CleRecherche(QStringLiteral("C-1"));
      client->NumeroClient(QStringLiteral("C-1"));
      EXPECT_EQ(client->ReserverNouveau(), kSucces);
      EXPECT_EQ(client->Ajouter(), kSucces);
    }
    const std::int32_t statut = session->Connecter(numero, motDePasse);
    EXPECT_EQ(session->FermerCompagnie(), kSucces);
    return QStringLiteral("%1 %2").arg(statut).arg(session->TexteErreur(statut));
  }

  QTemporaryDir dossier_;
};

const QString kReussi = QStringLiteral("0 Aucune erreur.");
const QString kRefuse = QStringLiteral("1002 Mot de passe invalide.");

TEST(EmpreinteMotDePasse, IsSaltedAndNeverHoldsThePassword) {
  const QString a = EmpreinteMotDePasse(QStringLiteral("Été-2026"));
  const QString b = EmpreinteMotDePasse(QStringLiteral("Été-2026"));
  EXPECT_NE(a, b);
  EXPECT_FALSE(a.contains(QStringLiteral("Été")));
  EXPECT_TRUE(VerifierMotDePasse(QStringLiteral("Été-2026"), a));
  EXPECT_FALSE(VerifierMotDePasse(QStringLiteral("été-2026"), a));
  EXPECT_FALSE(VerifierMotDePasse(QStringLiteral("Été-2026"), QStringLiteral("abc")));
}

TEST_F(MotDePasse, NewCompaniesStoreArgon2idAndStrangeHashesLetNobodyIn) {
  const QString stockee = Stockee();
  EXPECT_TRUE(stockee.startsWith(kArgon2id)) << stockee.toStdString();
  EXPECT_EQ(Connecter(QStringLiteral("demo")), kReussi);
  EXPECT_EQ(Stockee(), stockee);  // already at today's limits
  for (const QString& inconnue :
       {QString(), QStringLiteral("demo"), QStringLiteral("$argon2i$") + kFaible.mid(10),
        kFaible.chopped(4), kFaible + QString(200, u'A'), kAncienne.chopped(2),
        QString(kAncienne).replace(40, 1, u'g'), kAncienne.mid(32)}) {
    Stocker(inconnue);
    EXPECT_EQ(Connecter(QStringLiteral("demo")), kRefuse) << inconnue.toStdString();
    EXPECT_EQ(Stockee(), inconnue);
  }
}

// Refused as before and left alone on a wrong password; replaced on the
// right one, then taken as it is.
TEST_F(MotDePasse, AnOlderHashIsReplacedAtTheNextSuccessfulLogIn) {
  for (const QString& ancienne : {kAncienne, kFaible}) {
    Stocker(ancienne);
    EXPECT_EQ(Connecter(QStringLiteral("Demo")), kRefuse);
    EXPECT_EQ(Stockee(), ancienne);
    EXPECT_EQ(Connecter(QStringLiteral("demo")), kReussi);
    const QString nouvelle = Stockee();
    EXPECT_TRUE(nouvelle.startsWith(kArgon2id) && !EmpreinteARefaire(nouvelle))
        << nouvelle.toStdString();
    EXPECT_EQ(Connecter(QStringLiteral("demo")), kReussi);
    EXPECT_EQ(Stockee(), nouvelle);
    EXPECT_EQ(Connecter(QStringLiteral("Demo")), kRefuse);
  }
}

// Another program writing, or this provider's own posting open: the log-in
// neither waits nor fails, writes nothing, and a later one replaces it.
TEST_F(MotDePasse, AReplacementThatCannotBeWrittenNowWaitsForALaterLogIn) {
  Stocker(kAncienne);
  {
    const auto autre = BaseCompagnie::Ouvrir(dossier_.path());
    autre->Executer(QStringLiteral("BEGIN IMMEDIATE"));
    QElapsedTimer duree;
    duree.start();
    EXPECT_EQ(Connecter(QStringLiteral("demo")), kReussi);
    EXPECT_LT(duree.elapsed(), BaseCompagnie::kAttenteOccupeeMs / 4);
    autre->Executer(QStringLiteral("COMMIT"));
  }
  EXPECT_EQ(Stockee(), kAncienne);
  EXPECT_EQ(Connecter(QStringLiteral("demo")), kReussi);
  EXPECT_TRUE(Stockee().startsWith(kArgon2id));

  Stocker(kAncienne, 2);
  EXPECT_EQ(Connecter(QStringLiteral("demo"), 2, true), kReussi);  // the posting is committed
  EXPECT_EQ(Stockee(2), kAncienne);
  EXPECT_EQ(Connecter(QStringLiteral("demo"), 2), kReussi);
  EXPECT_TRUE(Stockee(2).startsWith(kArgon2id));
}

}  // namespace
}  // namespace brivane::company
