#include "dbase/BancDbf.h"
#include "support/SystemeAvecPannes.h"

#include <gtest/gtest.h>

namespace brivane::dbase {
namespace {

// A posting that stops on its last invoice line writes nothing at all: not
// the customer, not the new product, not the header, and the next posting
// takes the same number for an invoice that is whole.
TEST_F(PostageTest, AnInvoiceRefusedOnItsLastLineLeavesNothing) {
  Compagnie();
  ASSERT_TRUE(Document(UnClient(), {UneLigne(QStringLiteral("CD"), 1, 1)})->Enregistrer(true));
  const auto avant = OctetsCompagnie(dir_.path());
  // CD exists, so its unit price too wide for factit is met only on the last
  // invoice line, after the customer, the product AB6 and the header.
  auto coupee = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50),
                                      UneLigne(QStringLiteral("CD"), 1e-6, 1e10)});
  EXPECT_FALSE(coupee->Enregistrer());
  EXPECT_TRUE(coupee->Message().startsWith(kInconnue)) << coupee->Message().toStdString();
  EXPECT_EQ(OctetsCompagnie(dir_.path()), avant);
  EXPECT_TRUE(Lignes("brivimp").isEmpty());
  EXPECT_TRUE(Lignes("client").isEmpty());
  EXPECT_EQ(Lignes("produi").size(), 1);
  EXPECT_TRUE(Lignes("factma").isEmpty());
  EXPECT_EQ(Compteur(), 7);

  auto corrigee = Document(
      UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 1)});
  ASSERT_TRUE(corrigee->Enregistrer()) << corrigee->Message().toStdString();
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 1);
  EXPECT_EQ(factma[0].toObject()[u"FFNOFACT"].toString(), QStringLiteral("!00007"));
  EXPECT_EQ(factma[0].toObject()[u"FFSS_TAX"].toDouble(), 101);
  EXPECT_EQ(Lignes("factit").size(), 2);
  EXPECT_EQ(Compteur(), 8);
  EXPECT_EQ(CheckDbfFile(Chemin("factma")).headerCount, 1U);
  EXPECT_EQ(CheckDbfFile(Chemin("factit")).headerCount, 2U);
}

// Another program's document under the number the counter gives is never
// touched: the posting is refused, and says which number in which table.
TEST_F(PostageTest, ADocumentAlreadyUnderTheCountersNumberRefusesThePosting) {
  for (const char* numero : {"!00007", "?00007"}) {
    SCOPED_TRACE(numero);
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    Compagnie();
    {
      auto factma = dbf::TableDbf::OuvrirEcriture(Chemin("factma"), os::SystemeFichiers::Reel());
      std::vector<std::optional<platform::ValeurColonne>> ligne(factma->fields().size());
      ligne[static_cast<std::size_t>(factma->indexChamp(QStringLiteral("FFNOFACT")))] =
          QString::fromLatin1(numero);
      factma->write(0, factma->composer(ligne, nullptr));
      factma->terminer(QDate::currentDate());
    }
    const auto avant = OctetsCompagnie(dir_.path());
    auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50)});
    document->Importation({QString(64, u'a'), QStringLiteral("journal"), 3});
    EXPECT_FALSE(document->Enregistrer());
    EXPECT_EQ(document->Message(),
              QStringLiteral("La table factma contient déjà un document sous le numéro %1, que le "
                             "compteur de factures (table solde) donne à cette facture. Rien n'a "
                             "été écrit : corrigez le compteur dans le système comptable avant de "
                             "reprendre le transfert.")
                  .arg(QString::fromLatin1(numero)));
    EXPECT_EQ(OctetsCompagnie(dir_.path()), avant);
    EXPECT_TRUE(Lignes("brivimp").isEmpty());
    EXPECT_TRUE(document->NumeroDocument().isEmpty());
    EXPECT_EQ(Lignes("factma").size(), 1);
    EXPECT_EQ(Compteur(), 7);
    log_.clear();
  }
}

// A full disk or an I/O error at any write or sync of the commit: the
// posting reports it and every file is left byte for byte as it was.
TEST_F(PostageTest, AFailedWriteOrSyncAnywhereInTheCommitLeavesEveryFileAsItWas) {
  int echecs = 0;
  for (const bool synchronisation : {false, true}) {
    for (int n = 0;; ++n) {
      SCOPED_TRACE(::testing::Message() << (synchronisation ? "sync " : "write ") << n);
      dir_.remove();
      ASSERT_TRUE(QDir().mkpath(dir_.path()));
      Compagnie();
      const auto avant = OctetsCompagnie(dir_.path());
      testing::SystemeAvecPannes pannes(
          os::SystemeFichiers::Reel(),
          synchronisation ? testing::Pannes{.synchro = n} : testing::Pannes{.ecriture = n});
      auto document = Document(
          UnClient(),
          {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 1)}, pannes);
      document->Importation({QString(64, u'b'), QStringLiteral("journal"), 5});
      const bool ok = document->Enregistrer();
      if (ok) {
        break;  // past the last write or sync: the posting went through whole
      }
      ++echecs;
      EXPECT_TRUE(document->Message().startsWith(kInconnue)) << document->Message().toStdString();
      EXPECT_TRUE(document->NumeroDocument().isEmpty());
      // The record table is either not made yet or made whole and empty.
      EXPECT_EQ(OctetsCompagnie(dir_.path()), avant);
      if (QFile::exists(Chemin("brivimp"))) {
        EXPECT_TRUE(Lignes("brivimp").isEmpty());
      }
      ASSERT_TRUE(Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50)})->Enregistrer());
      EXPECT_EQ(Compteur(), 8);
      EXPECT_EQ(Lignes("factit").size(), 1);
      log_.clear();
    }
  }
  EXPECT_GT(echecs, 10);
}

TEST_F(PostageTest, ASecondEnregistrerOfTheSameDocumentDoesNotCountItsLinesTwice) {
  Compagnie();
  auto document = Document(
      UnClient(), {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 100)});
  ASSERT_TRUE(document->Enregistrer());
  ASSERT_TRUE(document->Enregistrer()) << document->Message().toStdString();
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 2);
  for (const auto& ligne : factma) {
    EXPECT_EQ(ligne.toObject()[u"FFSS_TAX"].toDouble(), 200);
    EXPECT_EQ(ligne.toObject()[u"FFGTOT"].toDouble(), 229.95);
  }
  EXPECT_EQ(Compteur(), 9);
}

TEST_F(PostageTest, TheSameBackEndPostingTwiceCountsOnlyTheLinesOfEachPosting) {
  Compagnie();
  auto client = UnClient();
  ASSERT_TRUE(client->IsValide(2));
  auto document = Document(
      client, {UneLigne(QStringLiteral("AB6"), 2, 50), UneLigne(QStringLiteral("CD"), 1, 100)});
  BackEndDbf backEnd(
      *document,
      ServicesDbf{std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()),
                  std::make_shared<testing::NomOrdinateurFixe>(QStringLiteral("P")),
                  std::make_shared<testing::ParametresRegionauxFixes>(QStringLiteral("/")),
                  os::SystemeFichiers::Reel()});
  ASSERT_TRUE(backEnd.Ouvrir());
  for (int fois = 0; fois < 2; ++fois) {
    ASSERT_TRUE(backEnd.EnregistrerClient());
    ASSERT_TRUE(backEnd.EnregistrerProduits());
    ASSERT_TRUE(backEnd.EnregistrerFacture());
  }
  backEnd.Fermer(true);
  const QJsonArray factma = Lignes("factma");
  ASSERT_EQ(factma.size(), 2);
  for (const auto& ligne : factma) {
    EXPECT_EQ(ligne.toObject()[u"FFSS_TAX"].toDouble(), 200);
    EXPECT_EQ(ligne.toObject()[u"FFTAXP"].toDouble(), 19.95);
    EXPECT_EQ(ligne.toObject()[u"FFGTOT"].toDouble(), 229.95);
  }
  EXPECT_EQ(Compteur(), 9);
}

TEST_F(PostageTest, PostingsAtTheSameTimeNeverShareAnInvoiceNumber) {
  Compagnie();
  constexpr int kParFil = 4;
  const auto poster = [this](const QString& prefixe, int* reussies) {
    for (int i = 0; i < kParFil; ++i) {
      auto client = UnClient();
      client->Numero(prefixe + QString::number(i));
      ServicesDocument services;
      services.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 3, 5));
      services.dbase = [](ComSoum& d) -> std::unique_ptr<BackEnd> {
        return std::make_unique<BackEndDbf>(
            d, ServicesDbf{std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()),
                           std::make_shared<testing::NomOrdinateurFixe>(QStringLiteral("P")),
                           std::make_shared<testing::ParametresRegionauxFixes>(QStringLiteral("/")),
                           os::SystemeFichiers::Reel()});
      };
      ComSoum document(services);
      document.SystemeComptable(2);
      document.cheminCie(dir_.path());
      document.Client(client);
      document.AddItem(UneLigne(prefixe + QString::number(i), 1, 10));
      *reussies += document.Enregistrer() ? 1 : 0;
    }
  };
  int reussiesA = 0;
  int reussiesB = 0;
  std::thread a(poster, QStringLiteral("A"), &reussiesA);
  std::thread b(poster, QStringLiteral("B"), &reussiesB);
  a.join();
  b.join();
  EXPECT_EQ(reussiesA + reussiesB, 2 * kParFil);
  QSet<QString> numeros;
  for (const auto& ligne : Lignes("factma")) {
    numeros.insert(ligne.toObject()[u"FFNOFACT"].toString());
  }
  EXPECT_EQ(numeros.size(), 2 * kParFil);
  EXPECT_EQ(Lignes("factit").size(), 2 * kParFil);
  EXPECT_EQ(Compteur(), 7 + 2 * kParFil);
}

TEST_F(PostageTest, ProductsOnlyWritesNoCustomerAndNoInvoice) {
  Compagnie();
  auto document = Document(nullptr, {UneLigne(QStringLiteral("AB6"), 2, 50)});
  ASSERT_TRUE(document->Enregistrer(true)) << document->Message().toStdString();
  EXPECT_EQ(Lignes("produi").size(), 1);
  EXPECT_TRUE(Lignes("client").isEmpty());
  EXPECT_TRUE(Lignes("factma").isEmpty());
  EXPECT_EQ(Compteur(), 7);
  EXPECT_FALSE(QFile::exists(Chemin("brivimp")));
}

TEST_F(PostageTest, AFolderThatCannotBeOpened) {
  const struct {
    const char* nom;
    std::function<void(PostageTest&)> preparer;
  } cas[] = {
      {"MissingFolder", [](PostageTest& t) { QDir(t.dir_.path()).removeRecursively(); }},
      {"NoTable", [](PostageTest&) {}},
      {"CorruptTable",
       [](PostageTest& t) {
         t.Compagnie();
         QFile f(t.Chemin("produi"));
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         f.resize(40);
       }},
  };
  for (const auto& c : cas) {
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    c.preparer(*this);
    auto document = Document(UnClient(), {UneLigne(QStringLiteral("AB6"), 1, 1)});
    EXPECT_FALSE(document->Enregistrer()) << c.nom;
    EXPECT_EQ(document->Message(),
              QStringLiteral("Erreur lors du branchement à la base de donnée."))
        << c.nom;
  }
}

TEST_F(PostageTest, FailuresStopThePostingAndLeaveTheCounter) {
  const auto recreer = [](PostageTest& t, const char* table,
                          const std::vector<std::optional<platform::ValeurColonne>>& ligne,
                          const char* sansColonne = nullptr) {
    for (const auto& d : DossierDemoDbf::Tables()) {
      if (d.nom != QString::fromLatin1(table)) {
        continue;
      }
      std::vector<dbf::ChampDbf> champs;
      for (const auto& f : d.champs) {
        if (sansColonne == nullptr || f.name != QString::fromLatin1(sansColonne)) {
          champs.push_back(f);
        }
      }
      QFile::remove(t.Chemin(table));
      dbf::TableDbf::Creer(t.Chemin(table), champs, 0x57, os::SystemeFichiers::Reel());
      auto dbf = dbf::TableDbf::OuvrirEcriture(t.Chemin(table), os::SystemeFichiers::Reel());
      if (!ligne.empty()) {
        dbf->write(0, dbf->composer(ligne, nullptr));
      }
      dbf->terminer(QDate::currentDate());
    }
  };
  const struct {
    const char* nom;
    std::function<void(PostageTest&)> preparer;
    std::shared_ptr<Client> client;
    std::int32_t numero;
    const char* description;
    int lignesFactma;
    qint64 compteur;
  } cas[] = {
      {"MissingTable", [](PostageTest& t) { QFile::remove(t.Chemin("factit")); }, UnClient(), 1,
       "La table factit est absente du dossier.", 0, 7},
      {"MissingColumn", [&](PostageTest& t) { recreer(t, "factma", {}, "FFVEND"); }, UnClient(), 1,
       "La table factma n'a pas de colonne FFVEND.", 0, 7},
      {"EmptySolde", [&](PostageTest& t) { recreer(t, "solde", {}); }, UnClient(), -2008,
       "La table solde ne contient aucune ligne.", 0, -1},
      {"EmptyTaxpro", [&](PostageTest& t) { recreer(t, "taxpro", {}); }, UnClient(), -2008,
       "La table taxpro ne contient aucune ligne.", 0, 7},
      {"CounterTooLarge", [&](PostageTest& t) { recreer(t, "solde", {qlonglong{100000}}); },
       UnClient(), -2003,
       "Le compteur de factures (100000) ne tient pas dans un numéro de cinq chiffres.", 0, 100000},
      {"ValueTooWide", [](PostageTest&) {},
       [] {
         auto c = UnClient();
         c->Vendeur(QStringLiteral("VENDEUR-ONZE"));
         return c;
       }(),
       -2003,
       "La valeur de la colonne FFVEND de la table factma.dbf dépasse 10 caractères : rien de "
       "cette ligne n'a été écrit.",
       0, 7},
      {"IndexedTable",
       [](PostageTest& t) {
         QFile f(t.Chemin("factma"));
         ASSERT_TRUE(f.open(QIODevice::ReadWrite));
         f.seek(28);
         f.write("\x01", 1);
       },
       UnClient(), -2005,
       "La table factma.dbf a un index de production (.mdx) que ce programme ne sait pas tenir à "
       "jour : aucune ligne n'y a été écrite.",
       0, 7},
      {"CounterHeldByAnotherPosting",
       [](PostageTest& t) {
         t.autre_ = dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel())
                        .Open(QStringLiteral("Data Source=") + t.dir_.path());
         t.verrou_ = t.autre_->Lock(QStringLiteral("solde"), milliseconds(0));
       },
       UnClient(), -2007,
       "La table solde est occupée par une autre saisie ; réessayez dans un moment.", 0, 7},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    dir_.remove();
    ASSERT_TRUE(QDir().mkpath(dir_.path()));
    Compagnie();
    c.preparer(*this);
    auto document = Document(c.client, {UneLigne(QStringLiteral("AB6"), 2, 50)});
    EXPECT_FALSE(document->Enregistrer());
    const QString message = document->Message();
    EXPECT_EQ(message,
              kInconnue + QString::number(c.numero) + kCrLf + QString::fromUtf8(c.description));
    EXPECT_EQ(Lignes("factma").size(), c.lignesFactma);
    EXPECT_TRUE(Lignes("client").isEmpty());
    if (c.compteur >= 0) {
      EXPECT_EQ(Compteur(), c.compteur);
    }
    EXPECT_TRUE(Statements(QStringLiteral("update solde")).isEmpty());
    ToutesCoherentes();
    verrou_.reset();
    autre_.reset();
    log_.clear();
  }
}

TEST_F(PostageTest, FixtureHoldsEveryColumnThePostingWrites) {
  Compagnie(1, 0.14975);
  for (const char* table : kTables) {
    const auto lu = LectureDbf(Chemin(table));
    ASSERT_TRUE(lu.ok) << table;
  }
  EXPECT_EQ(Compteur(), 1);
  EXPECT_EQ(Lignes("taxpro")[0].toObject()[u"TAXPRC1"].toDouble(), 0.14975);
  EXPECT_THROW(DossierDemoDbf().Creer(dir_.path()),
               platform::ErreurBaseDonnees);  // never overwrites
}

}  // namespace
}  // namespace brivane::dbase
