#include "company/FournisseurIntegre.h"

#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace brivane::company {
namespace {

using namespace acomba;  // the SDK interface the company implements

namespace s = statuts;

class CompagnieIntegreeTest : public ::testing::Test {
 protected:
  CompagnieIntegreeTest() {
    CompagnieDemo::Creer(Dossier(), QStringLiteral("demo"), QStringLiteral("demo"));
  }

  QString Dossier() const { return dossier_.path(); }

  // A provider with the demo company open and its user logged in.
  std::unique_ptr<FournisseurIntegre> Connecte() {
    auto f = std::make_unique<FournisseurIntegre>();
    auto session = Creer<SessionSdk>(*f);
    EXPECT_EQ(session->OuvrirCompagnie(QString(), Dossier()), kSucces);
    EXPECT_EQ(session->Connecter(1, QStringLiteral("demo")), kSucces);
    return f;
  }

  // A customer reserved and added through the record rules.
  static std::int32_t AjouterClient(Fournisseur& f, const QString& numero,
                                    const QString& nom = QStringLiteral("Nom")) {
    auto c = Creer<ClientSdk>(f);
    c->CleRecherche(numero);
    c->NumeroClient(numero);
    const std::int32_t reserve = c->ReserverNouveau();
    if (reserve != kSucces) {
      return reserve;
    }
    c->Nom(nom);
    return c->Ajouter();
  }

  QTemporaryDir dossier_;
};

TEST_F(CompagnieIntegreeTest, companyCheckExplainsWhyAFolderIsNotACompany) {
  FournisseurIntegre f;
  auto session = Creer<SessionSdk>(f);
  QTemporaryDir vide;
  const QString absent = vide.path() + QStringLiteral("/absent");
  EXPECT_EQ(session->VerifierCompagnie(Dossier()), 1);
  EXPECT_EQ(session->VerifierCompagnie(vide.path()), 0);
  EXPECT_EQ(session->TexteErreur(0),
            QStringLiteral("Le dossier « %1 » ne contient pas de compagnie (fichier "
                           "compagnie.sqlite absent).")
                .arg(vide.path()));
  EXPECT_EQ(session->VerifierCompagnie(absent), 0);
  EXPECT_EQ(session->TexteErreur(0),
            QStringLiteral("Le dossier de la compagnie « %1 » n'existe pas.").arg(absent));
  EXPECT_EQ(session->VerifierCompagnie(QString()), 0);
  EXPECT_EQ(session->TexteErreur(0), QStringLiteral("Aucun dossier de compagnie n'a été donné."));
}

struct FichierAbime {
  const char* nom;
  QByteArray contenu;  // empty: a database of someone else's
  std::int32_t statut;
};

class FichierAbimeTest : public CompagnieIntegreeTest,
                         public ::testing::WithParamInterface<FichierAbime> {};

TEST_P(FichierAbimeTest, openRefusesWithAStatusInsteadOfFailing) {
  const FichierAbime& cas = GetParam();
  const QString chemin = BaseCompagnie::CheminFichier(Dossier());
  if (cas.contenu.isEmpty()) {
    auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("PRAGMA application_id = 7"));
  } else if (cas.contenu == "version") {
    auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("PRAGMA user_version = 99"));
  } else if (cas.contenu == "index") {
    auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("DROP INDEX importation_empreinte"));
  } else if (cas.contenu == "schema") {
    // What a damaged byte in the schema text does: a column no longer named as ours.
    auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("ALTER TABLE vendeur RENAME COLUMN code TO kode"));
  } else if (cas.contenu == "tronque") {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(f.size() / 2));
  } else {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(cas.contenu);
  }
  FournisseurIntegre f;
  auto session = Creer<SessionSdk>(f);
  EXPECT_EQ(session->VerifierCompagnie(Dossier()), 1);
  EXPECT_EQ(session->OuvrirCompagnie(QString(), Dossier()), cas.statut);
  EXPECT_EQ(Creer<ClientSdk>(f)->Trouver(1, false), s::kCompagnieFermee);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, FichierAbimeTest,
    ::testing::Values(FichierAbime{"texte",
                                   QByteArray("ceci n'est pas une compagnie\n").repeated(200),
                                   s::kCompagnieEndommagee},
                      FichierAbime{"tronque", "tronque", s::kCompagnieEndommagee},
                      FichierAbime{"colonneRenommee", "schema", s::kCompagnieEndommagee},
                      FichierAbime{"indexDuRegistreAbsent", "index", s::kCompagnieEndommagee},
                      FichierAbime{"autreBase", QByteArray(), s::kPasUneCompagnie},
                      FichierAbime{"versionFuture", "version", s::kVersionInconnue}),
    [](const ::testing::TestParamInfo<FichierAbime>& p) { return std::string(p.param.nom); });

std::int32_t StatutEcriture(BaseCompagnie& base, const char* sql) {
  try {
    base.Transaction([&] { base.Executer(QString::fromLatin1(sql)); });
  } catch (const ErreurBase& e) {
    return e.statut();
  }
  return kSucces;
}

// A company made before the write-ahead log was used is switched to it at
// its first opening for writing; a read-only opening leaves it as it is. A
// write that cannot be done names its cause: a full disk, a read-only file.
TEST_F(CompagnieIntegreeTest, journalModeAndWriteFailuresNameTheirCause) {
  const auto mode = [&] {
    const auto base = BaseCompagnie::Ouvrir(Dossier(), true);
    Requete r(base->db(), QStringLiteral("PRAGMA journal_mode"));
    return r.Suivante() ? r.Texte(0) : QString();
  };
  EXPECT_EQ(mode(), QStringLiteral("wal"));
  BaseCompagnie::Ouvrir(Dossier())->Executer(QStringLiteral("PRAGMA journal_mode = DELETE"));
  ASSERT_EQ(mode(), QStringLiteral("delete"));
  {
    const auto base = BaseCompagnie::Ouvrir(Dossier());
    EXPECT_EQ(StatutEcriture(*base, "UPDATE compagnie SET nom = 'Autre'"), kSucces);
  }
  EXPECT_EQ(mode(), QStringLiteral("wal"));

  {
    const auto base = BaseCompagnie::Ouvrir(Dossier(), true);
    EXPECT_EQ(StatutEcriture(*base, "UPDATE compagnie SET nom = 'Encore'"), statuts::kLectureSeule);
  }
  {
    const auto base = BaseCompagnie::Ouvrir(Dossier());
    base->Executer(QStringLiteral("PRAGMA max_page_count = 1"));
    EXPECT_EQ(StatutEcriture(*base,
                             "INSERT INTO groupe_produit (numero, description) VALUES "
                             "(99, printf('%.*c', 100000, 'x'))"),
              statuts::kDisquePlein);
  }
  EXPECT_TRUE(TexteStatut(statuts::kDisquePlein).contains(QStringLiteral("disque")));
  EXPECT_TRUE(BaseCompagnie::Verifier(Dossier()).isEmpty());
  EXPECT_EQ(InventaireCompagnie::Lire(Dossier()).nom, QStringLiteral("Autre"));
}

// The listing reads while an import holds the company for writing, and sees
// the company as of its last commit.
TEST_F(CompagnieIntegreeTest, listingReadsWhileAWriteIsUnderWay) {
  const QString nom = InventaireCompagnie::Lire(Dossier()).nom;
  const auto base = BaseCompagnie::Ouvrir(Dossier());
  base->Executer(QStringLiteral("BEGIN IMMEDIATE"));
  base->Executer(QStringLiteral("UPDATE compagnie SET nom = 'En cours'"));
  // Under a rollback journal this read would wait, then fail as busy.
  EXPECT_EQ(InventaireCompagnie::Lire(Dossier()).nom, nom);
  base->Executer(QStringLiteral("COMMIT"));
  EXPECT_EQ(InventaireCompagnie::Lire(Dossier()).nom, QStringLiteral("En cours"));
}

TEST_F(CompagnieIntegreeTest, logInNeedsTheUsersPassword) {
  FournisseurIntegre f;
  auto session = Creer<SessionSdk>(f);
  auto utilisateur = Creer<UtilisateurSdk>(f);
  auto client = Creer<ClientSdk>(f);
  EXPECT_EQ(session->Connecter(1, QStringLiteral("demo")), s::kCompagnieFermee);
  EXPECT_EQ(client->Trouver(1, false), s::kCompagnieFermee);
  ASSERT_EQ(session->OuvrirCompagnie(QString(), Dossier()), kSucces);
  EXPECT_EQ(client->Trouver(1, false), s::kNonConnecte);

  utilisateur->CleRecherche(QStringLiteral("DEMO"));
  EXPECT_EQ(utilisateur->Trouver(1, false), kIntrouvable);  // keys are exact
  utilisateur->CleRecherche(QStringLiteral("demo"));
  ASSERT_EQ(utilisateur->Trouver(1, false), kSucces);
  EXPECT_EQ(utilisateur->Numero(), 1);
  EXPECT_EQ(session->Connecter(1, QStringLiteral("Demo")), s::kMotDePasseInvalide);
  EXPECT_EQ(session->Connecter(1, QStringLiteral("demo ")), s::kMotDePasseInvalide);
  EXPECT_EQ(session->Connecter(2, QStringLiteral("demo")), kIntrouvable);
  EXPECT_EQ(client->Trouver(1, false), s::kNonConnecte);
  EXPECT_EQ(session->Connecter(1, QStringLiteral("demo")), kSucces);
  EXPECT_EQ(client->Trouver(1, false), kIntrouvable);
  EXPECT_EQ(session->TexteErreur(s::kMotDePasseInvalide), QStringLiteral("Mot de passe invalide."));

  EXPECT_EQ(session->FermerCompagnie(), kSucces);
  EXPECT_EQ(client->Trouver(1, false), s::kCompagnieFermee);
}

TEST_F(CompagnieIntegreeTest, startUpTakesBackItsOwnValue) {
  FournisseurIntegre f;
  auto demarrage = Creer<DemarrageSdk>(f);
  EXPECT_EQ(demarrage->Demarrer(demarrage->ValeurDemarrage()), kSucces);
  EXPECT_EQ(demarrage->Demarrer(demarrage->ValeurDemarrage() + 1), s::kDemarrageRefuse);
}

TEST_F(CompagnieIntegreeTest, recordRulesOfReserveAddAndModify) {
  auto f = Connecte();
  auto c = Creer<ClientSdk>(*f);
  c->CleRecherche(QStringLiteral("C1"));
  c->NumeroClient(QStringLiteral("C1"));
  EXPECT_EQ(c->Ajouter(), s::kAjoutSansReservation);
  EXPECT_EQ(c->Modifier(true), s::kModificationSansReservation);
  ASSERT_EQ(c->ReserverNouveau(), kSucces);
  EXPECT_EQ(c->AnnulerNouveau(), kSucces);
  EXPECT_EQ(c->Ajouter(), s::kAjoutSansReservation);  // the reserve was cancelled

  EXPECT_EQ(AjouterClient(*f, QStringLiteral("C1")), kSucces);
  EXPECT_EQ(AjouterClient(*f, QStringLiteral("C1")), s::kCleEnDouble);
  EXPECT_EQ(AjouterClient(*f, QStringLiteral("c1")), kSucces);  // keys keep their case
  EXPECT_EQ(AjouterClient(*f, QString()), s::kValeurRefusee);

  // Two reserves of the same new number: the second add finds the key taken.
  auto a = Creer<ClientSdk>(*f);
  auto b = Creer<ClientSdk>(*f);
  for (auto* o : {a.get(), b.get()}) {
    o->CleRecherche(QStringLiteral("C2"));
    o->NumeroClient(QStringLiteral("C2"));
    ASSERT_EQ(o->ReserverNouveau(), kSucces);
  }
  EXPECT_EQ(a->Ajouter(), kSucces);
  EXPECT_EQ(b->Ajouter(), s::kCleEnDouble);

  // The text of a status names the record while nothing else ran since.
  auto session = Creer<SessionSdk>(*f);
  EXPECT_EQ(session->TexteErreur(s::kCleEnDouble), QStringLiteral("Le client « C2 » existe déjà."));
  c->CleRecherche(QStringLiteral("C3"));
  EXPECT_EQ(c->Trouver(1, false), kIntrouvable);
  EXPECT_EQ(session->TexteErreur(kIntrouvable),
            QStringLiteral("Le client « C3 » est introuvable."));
  EXPECT_EQ(session->TexteErreur(s::kCleEnDouble),
            QStringLiteral("Un enregistrement portant cette clé existe déjà."));
  EXPECT_EQ(Creer<PreVerificationSdk>(*f)->LireAPosition(5), kIntrouvable);
  EXPECT_EQ(session->TexteErreur(kIntrouvable), QStringLiteral("Enregistrement introuvable."));

  // Modify needs the record reserved, and release ends the reserve.
  c->CleRecherche(QStringLiteral("C1"));
  ASSERT_EQ(c->Trouver(1, true), kSucces);
  EXPECT_EQ(c->Reserver(9999), kIntrouvable);
  ASSERT_EQ(c->Reserver(c->Position()), kSucces);
  c->Ville(QStringLiteral("Québec"));
  EXPECT_EQ(c->Modifier(false), kSucces);
  c->Ville(QStringLiteral("Lévis"));
  EXPECT_EQ(c->Modifier(true), kSucces);
  EXPECT_EQ(c->Modifier(true), s::kModificationSansReservation);
  ASSERT_EQ(c->Reserver(c->Position()), kSucces);
  c->Liberer();
  EXPECT_EQ(c->Modifier(true), s::kModificationSansReservation);
}

TEST_F(CompagnieIntegreeTest, whatWasAddedOrModifiedStaysAfterClosing) {
  {
    auto f = Connecte();
    ASSERT_EQ(AjouterClient(*f, QStringLiteral("C7"), QStringLiteral("Ancien nom")), kSucces);
    auto c = Creer<ClientSdk>(*f);
    c->CleRecherche(QStringLiteral("C7"));
    ASSERT_EQ(c->Trouver(1, true), kSucces);
    ASSERT_EQ(c->Reserver(c->Position()), kSucces);
    c->Nom(QStringLiteral("Nouveau nom"));
    c->Courriel(1, QStringLiteral("a@b.ca"));
    c->Telephone(2, QStringLiteral("8195550102"));
    ASSERT_EQ(c->Modifier(true), kSucces);
    Creer<SessionSdk>(*f)->FermerCompagnie();
  }
  const InventaireCompagnie inv = InventaireCompagnie::Lire(Dossier());
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].numero, QStringLiteral("C7"));
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Nouveau nom"));
  EXPECT_EQ(inv.clients[0].courriel, QStringLiteral("a@b.ca"));
  EXPECT_EQ(inv.clients[0].fax, QStringLiteral("8195550102"));

  auto f = Connecte();
  auto c = Creer<ClientSdk>(*f);
  c->CleRecherche(QStringLiteral("C7"));
  ASSERT_EQ(c->Trouver(1, false), kSucces);
  EXPECT_EQ(c->NumeroClient(), QStringLiteral("C7"));
}

// A modification rewrites the key only when it was changed; a changed key is
// written and checked like any other value.
TEST_F(CompagnieIntegreeTest, modifyWritesAChangedKeyAndKeepsAnUnchangedOne) {
  auto f = Connecte();
  ASSERT_EQ(AjouterClient(*f, QStringLiteral("C8")), kSucces);
  ASSERT_EQ(AjouterClient(*f, QStringLiteral("C9")), kSucces);
  const auto reserver = [&](const QString& numero) {
    auto c = Creer<ClientSdk>(*f);
    c->CleRecherche(numero);
    EXPECT_EQ(c->Trouver(1, false), kSucces) << numero.toStdString();
    EXPECT_EQ(c->Reserver(c->Position()), kSucces) << numero.toStdString();
    return c;
  };
  const auto existe = [&](const QString& numero) {
    auto c = Creer<ClientSdk>(*f);
    c->CleRecherche(numero);
    return c->Trouver(1, false) == kSucces;
  };
  auto c = reserver(QStringLiteral("C8"));
  c->Nom(QStringLiteral("Même clé"));
  EXPECT_EQ(c->Modifier(true), kSucces);
  c = reserver(QStringLiteral("C8"));
  c->NumeroClient(QStringLiteral("C10"));
  EXPECT_EQ(c->Modifier(true), kSucces);
  EXPECT_FALSE(existe(QStringLiteral("C8")));
  EXPECT_TRUE(existe(QStringLiteral("C10")));
  c = reserver(QStringLiteral("C10"));
  c->NumeroClient(QStringLiteral("C9"));
  EXPECT_EQ(c->Modifier(true), s::kCleEnDouble);
  c = reserver(QStringLiteral("C10"));
  c->NumeroClient(QString());
  EXPECT_EQ(c->Modifier(true), s::kValeurRefusee);
  EXPECT_TRUE(existe(QStringLiteral("C10")));
}

TEST_F(CompagnieIntegreeTest, recordsMustNameRecordsThatExist) {
  auto f = Connecte();
  auto p = Creer<ProduitSdk>(*f);
  p->CleRecherche(QStringLiteral("P1"));
  p->NumeroProduit(QStringLiteral("P1"));
  p->NoGroupe(42);
  ASSERT_EQ(p->ReserverNouveau(), kSucces);
  EXPECT_EQ(p->Ajouter(), s::kReferenceInexistante);
  p->NoGroupe(2);
  EXPECT_EQ(p->Ajouter(), kSucces);

  auto g = Creer<GroupeProduitSdk>(*f);
  g->CleRecherche(4);
  ASSERT_EQ(g->Trouver(1, false), kSucces);
  EXPECT_EQ(g->NoGroupe(), 4);
  g->CleRecherche(99);
  EXPECT_EQ(g->Trouver(1, false), kIntrouvable);
  EXPECT_EQ(g->Trouver(2, false), s::kCleInconnue);
}

TEST_F(CompagnieIntegreeTest, indexesOutsideTheListsAreRefusedAtCallLevel) {
  auto f = Connecte();
  auto c = Creer<ClientSdk>(*f);
  EXPECT_THROW(c->Courriel(0, QString()), ErreurSdk);
  EXPECT_THROW(c->Telephone(4, QString()), ErreurSdk);
  auto p = Creer<ProduitSdk>(*f);
  EXPECT_THROW(p->Prix(4, 1.0), ErreurSdk);
  auto t = Creer<TransactionSdk>(*f);
  EXPECT_THROW(t->TypeLigne(0, 4), ErreurSdk);
  auto taxe = Creer<TaxeSdk>(*f);
  EXPECT_THROW(taxe->Taux(3), ErreurSdk);
}

TEST_F(CompagnieIntegreeTest, taxAndSalesRepRecordsOfTheDemo) {
  auto f = Connecte();
  auto taxe = Creer<TaxeSdk>(*f);
  taxe->CleRecherche(QStringLiteral("T.V.Q. 100%"));
  ASSERT_EQ(taxe->Trouver(1, true), kSucces);
  EXPECT_EQ(taxe->Taux(1), 950);
  EXPECT_EQ(taxe->Reference(), 2);

  auto v = Creer<VendeurSdk>(*f);
  ASSERT_EQ(v->NombreEnregistrements(), 3);
  EXPECT_EQ(v->ChargerPlage(1, 0), s::kPlageInvalide);
  EXPECT_EQ(v->NombreCharges(), 0);
  ASSERT_EQ(v->ChargerPlage(1, 3), kSucces);
  EXPECT_EQ(v->NombreCharges(), 3);
  v->Selectionner(2);
  EXPECT_EQ(v->Code(), QStringLiteral("JD"));
  EXPECT_EQ(v->Numero(), 2);
  v->Selectionner(4);
  EXPECT_EQ(v->Code(), QString());

  auto pre = Creer<PreVerificationSdk>(*f);
  EXPECT_EQ(pre->LireAPosition(1), kSucces);
  EXPECT_EQ(pre->LireAPosition(2), kIntrouvable);
  EXPECT_EQ(pre->Ajouter(), s::kOperationRefusee);
}

// A transaction ready to add for customer C1, with its two lines.
std::unique_ptr<TransactionSdk> Transaction(Fournisseur& f, std::int32_t declare) {
  auto t = Creer<TransactionSdk>(f);
  t->Reinitialiser();
  t->TypeTransaction(4);
  t->NumeroClient(QStringLiteral("C1"));
  t->NombreLignes(declare);
  t->TypeLigne(1, 4);
  t->CodeArticle(1, QStringLiteral("X"));
  t->TypeLigne(2, 8);
  t->Montant(2, 1.5);
  return t;
}

TEST_F(CompagnieIntegreeTest, transactionIsStoredWholeWithItsLines) {
  auto f = Connecte();
  ASSERT_EQ(AjouterClient(*f, QStringLiteral("C1")), kSucces);

  auto t = Transaction(*f, 3);
  EXPECT_EQ(t->Source2(), 1);  // the company's period
  ASSERT_EQ(t->ReserverNouveau(), kSucces);
  EXPECT_EQ(t->Source3(), QStringLiteral("000001"));
  EXPECT_EQ(t->Ajouter(), s::kLignesIncoherentes);  // 3 declared, 2 written
  t->NombreLignes(2);
  t->NumeroClient(QStringLiteral("C9"));
  EXPECT_EQ(t->Ajouter(), s::kReferenceInexistante);
  t->NumeroClient(QStringLiteral("C1"));
  ASSERT_EQ(t->Ajouter(), kSucces);

  auto u = Transaction(*f, 2);
  ASSERT_EQ(u->ReserverNouveau(), kSucces);
  EXPECT_EQ(u->Source3(), QStringLiteral("000002"));
  // A line that cannot be stored undoes the whole transaction.
  Creer<SessionSdk>(*f)->FermerCompagnie();
  BaseCompagnie::Ouvrir(Dossier())->Executer(
      QStringLiteral("CREATE TRIGGER refus BEFORE INSERT ON ligne_transac WHEN NEW.ligne = 2 "
                     "BEGIN SELECT RAISE(ABORT, 'refus'); END"));
  auto g = Connecte();
  auto v = Transaction(*g, 2);
  ASSERT_EQ(v->ReserverNouveau(), kSucces);
  EXPECT_EQ(v->Ajouter(), s::kValeurRefusee);
  Creer<SessionSdk>(*g)->FermerCompagnie();

  const InventaireCompagnie inv = InventaireCompagnie::Lire(Dossier());
  ASSERT_EQ(inv.transactions.size(), 1U);
  const auto& tr = inv.transactions[0];
  EXPECT_EQ(tr.numero, QStringLiteral("000001"));
  ASSERT_EQ(tr.lignes.size(), 2U);
  EXPECT_EQ(tr.lignes[0].code.toString(), QStringLiteral("X"));
  EXPECT_TRUE(tr.lignes[0].montant.isNull());
  EXPECT_DOUBLE_EQ(tr.lignes[1].montant.toDouble(), 1.5);
  EXPECT_TRUE(tr.vendeur.isNull());
}

// The posting is committed at log-out. A commit that cannot be written
// (here the file-size limit, as a full disk) answers its failure and keeps
// nothing; a posting never logged out keeps nothing either.
TEST_F(CompagnieIntegreeTest, aPostingIsKeptOnlyByACommitThatSucceeds) {
  {
    auto f = Connecte();
    ASSERT_EQ(AjouterClient(*f, QStringLiteral("C1")), kSucces);
  }
  {
    auto f = Connecte();
    ASSERT_EQ(AjouterClient(*f, QStringLiteral("C2")), kSucces);
    rlimit avant{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &avant), 0);
    const auto ancien = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limite = avant;
    limite.rlim_cur = static_cast<rlim_t>(
        QFileInfo(BaseCompagnie::CheminFichier(Dossier()) + QStringLiteral("-wal")).size());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
    const std::int32_t statut = Creer<SessionSdk>(*f)->FermerCompagnie();
    setrlimit(RLIMIT_FSIZE, &avant);
    std::signal(SIGXFSZ, ancien);
    EXPECT_NE(statut, kSucces);
  }
  EXPECT_EQ(InventaireCompagnie::Lire(Dossier()).clients.size(), 0U);
  EXPECT_TRUE(BaseCompagnie::Verifier(Dossier()).isEmpty());
}

TEST(CompagnieDemoTest, neverOverwritesACompany) {
  QTemporaryDir d;
  const QString dossier = d.path() + QStringLiteral("/cie");
  const QStringList fait =
      CompagnieDemo::Creer(dossier, QStringLiteral("demo"), QStringLiteral("demo"));
  EXPECT_TRUE(fait.first().startsWith(QStringLiteral("Dossier créé")));
  {
    auto base = BaseCompagnie::Ouvrir(dossier);
    base->Executer(QStringLiteral("INSERT INTO vendeur (numero, code) VALUES (9, 'ZZ')"));
  }
  try {
    CompagnieDemo::Creer(dossier, QStringLiteral("demo"), QStringLiteral("demo"));
    FAIL() << "a company was overwritten";
  } catch (const ErreurBase& e) {
    EXPECT_EQ(e.statut(), statuts::kOperationRefusee);
    EXPECT_TRUE(e.detail().contains(QStringLiteral("contient déjà une compagnie")));
  }
  auto base = BaseCompagnie::Ouvrir(dossier);
  Requete r(base->db(), QStringLiteral("SELECT COUNT(*) FROM vendeur"));
  ASSERT_TRUE(r.Suivante());
  EXPECT_EQ(r.Entier(0), 4);
}

}  // namespace
}  // namespace brivane::company
