// Invoice files imported through the import run into a demo company of the
// built-in provider, then read back from the company.
#include "acomba/BackEndAcomba.h"
#include "acomba/FauxSdk.h"
#include "app/Composition.h"
#include "app/ImportEnLigne.h"
#include "app/ImporterFichier.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"

#include "support/DossierDemo.h"
#include "support/ImportAvecMessages.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <set>
#include <vector>

namespace brivane {
namespace {

using company::InventaireCompagnie;

const QByteArray kEntete = "Titres\r\n";
const QByteArray kClient =
    "X1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord, entrep\xf4t;40 rue Basse;Villeneuve;Qu\xe9"
    "bec;G9A_2G4\r\n";
const QByteArray kLignes =
    "Article;Description;Qt\xe9;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n"
    ";Frais de transport;1;25\r\n";

class ImportCompagnie : public testing::DossierDemo, public testing::ImportAvecMessages {
 protected:
  QString Ecrire(const QString& nom, const QByteArray& contenu) const {
    return testing::EcrireFichier(QDir::toNativeSeparators(racine_.filePath(nom)), contenu);
  }

  ConfigurationTransfert Configuration(const QString& groupe = QStringLiteral("2")) const {
    return {compagnie(),
            racine_.filePath(QStringLiteral("acomba")),
            QStringLiteral("demo"),
            QStringLiteral("demo"),
            groupe,
            QDir::toNativeSeparators(traite())};
  }
};

TEST_F(ImportCompagnie, InvoiceFileReachesTheCompanyAndIsMoved) {
  const QString chemin = Ecrire(QStringLiteral("A-2024-000017.csv"), kEntete + kClient + kLignes);
  Transferer(chemin, Configuration(), traite());
  if (HasFatalFailure()) return;

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].numero, QStringLiteral("C0042"));
  EXPECT_EQ(inv.clients[0].nom, QStringLiteral("Atelier Nord"));
  EXPECT_EQ(inv.clients[0].codePostal, QStringLiteral("G8T1A1"));
  EXPECT_EQ(inv.clients[0].telephone, QStringLiteral("8195550101"));
  ASSERT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.produits[0].numero, QStringLiteral("VIS-10"));
  EXPECT_EQ(inv.produits[1].numero, QStringLiteral("INFO"));
  EXPECT_EQ(inv.produits[1].groupe, 2);
  ASSERT_EQ(inv.transactions.size(), 1U);
  const auto& t = inv.transactions[0];
  EXPECT_EQ(t.client, QStringLiteral("C0042"));
  // Windows-1252 bytes of the file arrive as the accented text they stand for.
  EXPECT_EQ(t.nomLivraison, QStringLiteral("Atelier Nord, entrepôt"));
  EXPECT_EQ(t.codeVendeur, QStringLiteral("ML"));
  // Two detail lines and the two tax lines: 5 % and 9.5 % of 30.00.
  ASSERT_EQ(t.lignes.size(), 4U);
  EXPECT_EQ(t.lignes[0].code.toString(), QStringLiteral("VIS-10"));
  EXPECT_DOUBLE_EQ(t.lignes[0].quantite.toDouble(), 100);
  EXPECT_DOUBLE_EQ(t.lignes[2].montant.toDouble(), 1.5);
  EXPECT_DOUBLE_EQ(t.lignes[3].montant.toDouble(), 2.85);
}

TEST_F(ImportCompagnie, RefusedFileStaysAndACorrectedOneAddsNothingTwice) {
  // Group 0 makes every line invalid: nothing may reach the company.
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  EXPECT_EQ(Importer(chemin, Configuration(QStringLiteral("0"))), ResultatImport::Refuse);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(
      messages_[0].startsWith(QStringLiteral("Validation : Des erreurs se sont produites")));
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(InventaireCompagnie::Lire(compagnie()).clients.empty());

  // An unknown product group is refused by the company before anything is
  // written; the file stays.
  EXPECT_EQ(Importer(chemin, Configuration(QStringLiteral("99"))), ResultatImport::Refuse);
  EXPECT_TRUE(QFile::exists(chemin));
  {
    const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
    EXPECT_TRUE(inv.clients.empty());
    EXPECT_TRUE(inv.produits.empty());
    EXPECT_TRUE(inv.transactions.empty());
  }

  // Corrected: posted once. A second file for the same customer and products
  // with a new address updates the customer and adds no product twice.
  ASSERT_EQ(Importer(chemin, Configuration()), ResultatImport::Transfere)
      << messages_.join(u'|').toStdString();
  QByteArray client2 = kClient;
  client2.replace("12 rue Haute", "99 rue Neuve");
  const QString chemin2 = Ecrire(QStringLiteral("facture2.csv"), kEntete + client2 + kLignes);
  ASSERT_EQ(Importer(chemin2, Configuration()), ResultatImport::Transfere)
      << messages_.join(u'|').toStdString();

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  ASSERT_EQ(inv.clients.size(), 1U);
  EXPECT_EQ(inv.clients[0].adresse, QStringLiteral("99 rue Neuve"));
  EXPECT_EQ(inv.produits.size(), 2U);
  EXPECT_EQ(inv.transactions.size(), 2U);
}

TEST_F(ImportCompagnie, WrongCredentialsAreRefusedAndTheFileStays) {
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  ConfigurationTransfert mauvais = Configuration();
  mauvais.PWDAcomba = QStringLiteral("mauvais");
  EXPECT_EQ(Importer(chemin, mauvais), ResultatImport::Refuse);
  ConfigurationTransfert inconnu = Configuration();
  inconnu.UserAcomba = QStringLiteral("inconnu");
  EXPECT_EQ(Importer(chemin, inconnu), ResultatImport::Refuse);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("Validation : 10 ")));
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(InventaireCompagnie::Lire(compagnie()).clients.empty());
}

// A posting that stops after its customer and a product were written is not
// told as a refusal with nothing transferred: it has its own outcome and exit
// code, and its message names what was written.
TEST_F(ImportCompagnie, StoppedAfterWritesHasItsOwnOutcome) {
  testing::ScriptSdk sdk;
  sdk.Statuts("client.Trouver", {10});
  sdk.Statuts("produit.Trouver", {10});
  sdk.Statuts("produit.Ajouter", {0, 1020});
  ServicesImport services = Composition::Import();
  services.document.acomba = [&sdk](ComSoum& d) {
    return std::make_unique<acomba::BackEndAcomba>(d,
                                                   std::make_shared<testing::FauxFournisseur>(sdk));
  };
  const QString chemin = Ecrire(QStringLiteral("facture.csv"), kEntete + kClient + kLignes);
  messages_.clear();
  const ResultatImport r = ImporterFichier(
      chemin, Configuration(),
      [this](const QString& texte, const QString& titre) {
        messages_ << titre + QStringLiteral(" : ") + texte;
      },
      [](bool) {}, services);
  EXPECT_EQ(r, ResultatImport::Interrompu);
  EXPECT_EQ(CodeDe(r), kInterrompu);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].endsWith(QStringLiteral(
      "Déjà écrit dans la compagnie : le client « C0042 » (ajouté), 1 produit(s) ajouté(s). La "
      "facture n'a pas été écrite.")))
      << messages_[0].toStdString();
  EXPECT_TRUE(QFile::exists(chemin));
  EXPECT_TRUE(AideImportEnLigne(QString(), QString())
                  .contains(QStringLiteral("\n  9  transfert interrompu")));
}

// Six imports at once into one company, ten rounds each; each round's
// customer is new and imported by all six at the same time, as are the
// products of the first round. Every import is posted, each invoice under its
// own number, and no customer or product is added twice.
TEST_F(ImportCompagnie, ConcurrentImportsAreAllPostedUnderDistinctNumbers) {
  constexpr int kProcessus = 6;
  constexpr int kTours = 10;
  std::vector<pid_t> enfants;
  for (int p = 0; p < kProcessus; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int echecs = 0;
      for (int t = 0; t < kTours; ++t) {
        QByteArray client = kClient;
        client.replace("C0042", "N" + QByteArray::number(t));
        // Six different invoices for one customer: the first line, which is
        // not read, keeps their contents apart for the import journal.
        const QString nom =
            QStringLiteral("p%1-t%2.csv").arg(QString::number(p), QString::number(t));
        const QString chemin = Ecrire(nom, nom.toLatin1() + "\r\n" + client + kLignes);
        if (Importer(chemin, Configuration()) != ResultatImport::Transfere) {
          std::fprintf(stderr, "import %d/%d: %s\n", p, t,
                       messages_.join(u'|').toUtf8().constData());
          ++echecs;
        }
      }
      std::fflush(stderr);
      _exit(echecs);
    }
    enfants.push_back(pid);
  }
  for (const pid_t pid : enfants) {
    int etat = 0;
    ASSERT_EQ(waitpid(pid, &etat, 0), pid);
    ASSERT_TRUE(WIFEXITED(etat));
    EXPECT_EQ(WEXITSTATUS(etat), 0) << "imports refused in one process";
  }

  const InventaireCompagnie inv = InventaireCompagnie::Lire(compagnie());
  EXPECT_EQ(inv.clients.size(), static_cast<std::size_t>(kTours));
  EXPECT_EQ(inv.produits.size(), 2U);
  ASSERT_EQ(inv.transactions.size(), static_cast<std::size_t>(kProcessus * kTours));
  std::set<QString> numeros;
  std::map<QString, int> parClient;
  for (const auto& t : inv.transactions) {
    numeros.insert(t.numero);
    ++parClient[t.client];
    EXPECT_EQ(t.miroir3, t.numero);
    EXPECT_EQ(t.lignes.size(), 4U);
  }
  EXPECT_EQ(numeros.size(), static_cast<std::size_t>(kProcessus * kTours));
  for (const auto& [client, nombre] : parClient) {
    EXPECT_EQ(nombre, kProcessus) << client.toStdString();
  }
  EXPECT_TRUE(company::BaseCompagnie::Verifier(compagnie()).isEmpty());
}

}  // namespace
}  // namespace brivane
