// Values from an invoice never change a statement, the password stays in the
// settings store, and file names are only ever file names.
#include "app/Composition.h"
#include "app/ImportEnLigne.h"
#include "app/ImporterFichier.h"
#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/InventaireCompagnie.h"
#include "dbase/BackEndDbf.h"
#include "dbase/DossierDemoDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "document/ComSoum.h"
#include "platform/StockageReglagesQt.h"
#include "support/DbfEtat.h"
#include "support/HorlogeFixe.h"
#include "support/NomOrdinateurFixe.h"
#include "support/ParametresRegionauxFixes.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace brivane {
namespace {

// Classic attempts at changing a statement, and the placeholders of our own templates.
const QString kInjections[] = {
    QStringLiteral("'; DROP TABLE client; --"),
    QStringLiteral("' OR '1'='1"),
    QStringLiteral("x'); DELETE FROM factma; --"),
    QStringLiteral("''; update solde set snexts=0 --"),
    QStringLiteral("@nom @num @adresse @noFacture"),
    QStringLiteral("\"; select 1; --"),
    QStringLiteral("null"),
    QStringLiteral("/* */ '||' %s %n"),
    QString::fromUtf16(u"a\r\nb'\u00e9\u20ac"),
    QStringLiteral("$(id) `id` | & > x"),
};

// The value as a field of that width holds it: cut, trailing blanks dropped.
QString Tenant(const QString& valeur, qsizetype largeur) {
  QString v = valeur.left(largeur);
  while (v.endsWith(u' ')) {
    v.chop(1);
  }
  return v;
}

QString Champ(const QJsonObject& ligne, const char* colonne) {
  return ligne[QString::fromLatin1(colonne)].toString();
}

TEST(Securite, InjectionStringsInEveryTextFieldReachTheDbaseTablesUnchanged) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  QStringList dossiers;
  for (const QString& inj : kInjections) {
    const QString dossier = racine.filePath(QStringLiteral("cie%1").arg(dossiers.size()));
    dossiers << dossier;
    dbase::DossierDemoDbf().Creer(dossier);
    // Posted twice: the second posting must find the customer and the product again.
    for (int fois = 0; fois < 2; ++fois) {
      auto c = std::make_shared<Client>();
      c->Numero(Tenant(inj, 10));
      c->Nom(Tenant(inj, 45));
      c->Adresse(Tenant(inj, 45));
      c->Ville(Tenant(inj, 30));
      c->Province(Tenant(inj, 2));
      c->CP(Tenant(inj, 7));
      c->NoTelephone(Tenant(inj, 10).leftJustified(10, u'x'));
      c->NoFax(Tenant(inj, 12));
      c->Courriel(Tenant(inj, 60));
      c->pays(Tenant(inj, 3));
      c->AuSoinDe(Tenant(inj, 30));
      c->Vendeur(Tenant(inj, 10));
      auto l = std::make_shared<Item>();
      l->code(Tenant(inj, 21));
      l->Description(Tenant(inj, 63));
      l->fournisseur(Tenant(inj, 10));
      l->PosteGlVente(Tenant(inj, 5));
      l->PosteGlAchat(Tenant(inj, 5));
      l->Format(Tenant(inj, 20));
      l->Specification(Tenant(inj, 20));
      l->Departement(Tenant(inj, 10));
      l->SousGroupe(Tenant(inj, 10));
      l->Localisation(Tenant(inj, 8));
      l->Quantite(2);
      l->Cout(3);
      ServicesDocument services;
      services.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 3, 5));
      services.dbase = [](ComSoum& d) -> std::unique_ptr<BackEnd> {
        return std::make_unique<dbase::BackEndDbf>(
            d, dbase::ServicesDbf{
                   std::make_shared<dbf::FournisseurDbfSqlite>(os::SystemeFichiers::Reel()),
                   std::make_shared<testing::NomOrdinateurFixe>(QStringLiteral("P")),
                   std::make_shared<testing::ParametresRegionauxFixes>(QStringLiteral("/")),
                   os::SystemeFichiers::Reel()});
      };
      ComSoum document(services);
      document.SystemeComptable(2);
      document.cheminCie(dossier);
      document.Client(c);
      document.AddItem(l);
      ASSERT_TRUE(document.Enregistrer()) << document.Message().toStdString();
    }
  }

  const QJsonObject etats = testing::EtatDbf(dossiers);
  ASSERT_FALSE(etats.contains(u"python")) << etats[u"python"].toString().toStdString();
  for (qsizetype i = 0; i < dossiers.size(); ++i) {
    const QString& inj = kInjections[i];
    SCOPED_TRACE(inj.toStdString());
    const QJsonObject e = etats[dossiers[i]].toObject();
    // Every table is still there (and our record of imports beside them), with
    // the rows of two postings and no other.
    ASSERT_EQ(e.keys(), (QStringList{QStringLiteral("brivimp"), QStringLiteral("client"),
                                     QStringLiteral("factit"), QStringLiteral("factma"),
                                     QStringLiteral("produi"), QStringLiteral("solde"),
                                     QStringLiteral("taxpro")}));
    const auto lignes = [&](const char* table) {
      return e[QString::fromLatin1(table)].toObject()[u"rows"].toArray();
    };
    ASSERT_EQ(lignes("client").size(), 1);
    ASSERT_EQ(lignes("produi").size(), 1);
    ASSERT_EQ(lignes("factma").size(), 2);
    ASSERT_EQ(lignes("factit").size(), 2);
    EXPECT_EQ(lignes("solde")[0].toObject()[u"SNEXTS"].toInteger(), 3);

    const QString numero = Tenant(inj, 10).rightJustified(10, u'0');
    const QJsonObject client = lignes("client")[0].toObject();
    EXPECT_EQ(Champ(client, "CNUM"), numero);
    EXPECT_EQ(Champ(client, "CNOM"), Tenant(inj, 45));
    EXPECT_EQ(Champ(client, "CADR"), Tenant(inj, 45));
    EXPECT_EQ(Champ(client, "CVIL"), Tenant(inj, 30));
    EXPECT_EQ(Champ(client, "CCOD"), Tenant(inj, 7));
    EXPECT_EQ(Champ(client, "CCTEL1"), Tenant(inj, 10).leftJustified(10, u'x'));
    EXPECT_EQ(Champ(client, "CCFAX1"), Tenant(inj, 12));
    EXPECT_EQ(Champ(client, "CCMAIL1"), Tenant(inj, 60));
    EXPECT_EQ(Champ(client, "CPAYS"), Tenant(inj, 3));
    EXPECT_EQ(Champ(client, "CRESP"), Tenant(inj, 30));

    const QJsonObject produit = lignes("produi")[0].toObject();
    const QString code = Tenant(inj, 21);
    EXPECT_EQ(Champ(produit, "PNUM"), code + QString(21 - code.size(), u'.'));
    EXPECT_EQ(Champ(produit, "PNOM"), Tenant(inj, 63));
    EXPECT_EQ(Champ(produit, "PFRN"), Tenant(inj, 10));
    EXPECT_EQ(Champ(produit, "PGLACHAT"), Tenant(inj, 5));
    EXPECT_EQ(Champ(produit, "PPOST"), Tenant(inj, 5));
    EXPECT_EQ(Champ(produit, "PFMT"), Tenant(inj, 20));
    EXPECT_EQ(Champ(produit, "PSPE"), Tenant(inj, 20));
    EXPECT_EQ(Champ(produit, "PDPT"), Tenant(inj, 10));
    EXPECT_EQ(Champ(produit, "PSSG"), Tenant(inj, 10));
    EXPECT_EQ(Champ(produit, "PLOC"), Tenant(inj, 8));

    for (const auto& valeur : lignes("factma")) {
      const QJsonObject entete = valeur.toObject();
      EXPECT_EQ(Champ(entete, "FFCNUM"), numero);
      EXPECT_EQ(Champ(entete, "FFLCNOM"), Tenant(inj, 45));
      EXPECT_EQ(Champ(entete, "FFCADR"), Tenant(inj, 45));
      EXPECT_EQ(Champ(entete, "FFCVIL"), Tenant(inj, 30));
      EXPECT_EQ(Champ(entete, "FFCCOD"), Tenant(inj, 7));
      EXPECT_EQ(Champ(entete, "FFVEND"), Tenant(inj, 10));
      EXPECT_EQ(Champ(entete, "FFCPROV"), Tenant(inj, 2));
    }
    for (const auto& valeur : lignes("factit")) {
      const QJsonObject ligne = valeur.toObject();
      EXPECT_EQ(Champ(ligne, "FIPNUM"), QString(21 - code.size(), u'.') + code);
      EXPECT_EQ(Champ(ligne, "FIPNOM"), Tenant(inj, 63));
    }
  }
}

// The characters the import run deletes from postal codes and telephones.
QString Nettoye(QString texte, QStringView supprimes) {
  texte.removeIf([supprimes](QChar c) { return supprimes.contains(c); });
  return texte;
}

TEST(Securite, InjectionStringsInEveryFieldOfTheFileReachTheBuiltInCompanyUnchanged) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  int n = 0;
  for (QString inj : kInjections) {
    // A field of the file ends at ";" and its line at LF.
    inj.remove(u';').remove(u'\n');
    SCOPED_TRACE(inj.toStdString());
    const QDir ici(racine.filePath(QStringLiteral("cas%1").arg(++n)));
    ASSERT_TRUE(ici.mkpath(QStringLiteral("compagnie")));
    ASSERT_TRUE(ici.mkpath(QStringLiteral("traite")));
    company::CompagnieDemo::Creer(ici.filePath(QStringLiteral("compagnie")), QStringLiteral("demo"),
                                  QStringLiteral("demo"));
    const QString fax = Nettoye(inj, u"()- _").leftJustified(10, u'x').left(10);
    QStringList client(18, Tenant(inj, 40));
    client[5] = Tenant(inj, 20);
    client[10] = client[17] = Tenant(inj, 11);
    client[12] = fax;
    const QString detail =
        QStringList{Tenant(inj, 20), Tenant(inj, 60), QStringLiteral("2"), QStringLiteral("3")}
            .join(u';');
    const QString texte = QStringLiteral("Titres\r\n") + client.join(u';') +
                          QStringLiteral("\r\nArticle\r\n") + detail + QStringLiteral("\r\n");
    // The file's own name carries the attempt too, "/" aside.
    const QString nom =
        QString(inj).replace(u'/', u'_').replace(u'\r', u'_') + QStringLiteral(".csv");
    const QString chemin = ici.filePath(nom);
    {
      QFile f(chemin);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      // Windows-1252, as the producing program writes it.
      QStringEncoder windows1252("windows-1252");
      f.write(windows1252.encode(texte));
      ASSERT_FALSE(windows1252.hasError());
    }
    {
      ConfigurationTransfert config{ici.filePath(QStringLiteral("compagnie")),
                                    QStringLiteral("acomba"),
                                    QStringLiteral("demo"),
                                    QStringLiteral("demo"),
                                    QStringLiteral("1"),
                                    ici.filePath(QStringLiteral("traite"))};
      QStringList messages;
      const ResultatImport r = ImporterFichier(
          chemin, config,
          [&](const QString& t, const QString& titre) { messages << titre + u':' + t; },
          [](bool) {}, Composition::Import());
      ASSERT_EQ(r, ResultatImport::Transfere) << messages.join(u'|').toStdString();
      EXPECT_TRUE(QFile::exists(ici.filePath(QStringLiteral("traite/")) + nom));
      // Nothing beside what the run made: no file from a command run by a shell.
      EXPECT_EQ(ici.entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                (QStringList{QStringLiteral("compagnie"), QStringLiteral("traite")}));

      const company::InventaireCompagnie inv =
          company::InventaireCompagnie::Lire(ici.filePath(QStringLiteral("compagnie")));
      ASSERT_EQ(inv.clients.size(), 1U);
      const auto& c = inv.clients[0];
      EXPECT_EQ(c.numero, Tenant(inj, 20));
      EXPECT_EQ(c.nom, Tenant(inj, 40));
      EXPECT_EQ(c.adresse, Tenant(inj, 40));
      EXPECT_EQ(c.ville, Tenant(inj, 40));
      EXPECT_EQ(c.province, Tenant(inj, 40).left(2));
      EXPECT_EQ(c.codePostal, Nettoye(Tenant(inj, 11), u"_() "));
      EXPECT_EQ(c.telephone, Nettoye(Tenant(inj, 40), u"()- _"));
      EXPECT_EQ(c.fax, fax);
      ASSERT_EQ(inv.produits.size(), 1U);
      EXPECT_EQ(inv.produits[0].numero, QString(Tenant(inj, 20)).remove(u'"'));
      EXPECT_EQ(inv.produits[0].description, QString(Tenant(inj, 60)).remove(u'"'));
      ASSERT_EQ(inv.transactions.size(), 1U);
      const auto& t = inv.transactions[0];
      EXPECT_EQ(t.nomLivraison, Tenant(inj, 40));
      EXPECT_EQ(t.adresseLivraison, Tenant(inj, 40));
      EXPECT_EQ(t.villeLivraison, Tenant(inj, 40));
      EXPECT_EQ(t.codePostalLivraison, Nettoye(Tenant(inj, 11), u"_() "));
      EXPECT_EQ(t.conditions, Tenant(inj, 40));
    }
  }
}

// Every file under dossier that holds the bytes of secret, as UTF-8 or UTF-16.
QStringList FichiersQuiContiennent(const QString& dossier, const QString& secret) {
  QStringList trouves;
  QDirIterator it(dossier, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString chemin = it.next();
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
      continue;
    }
    const QByteArray octets = f.readAll();
    const QByteArray utf16(reinterpret_cast<const char*>(secret.utf16()), secret.size() * 2);
    if (octets.contains(secret.toUtf8()) || octets.contains(utf16)) {
      trouves << QDir(dossier).relativeFilePath(chemin);
    }
  }
  return trouves;
}

TEST(Securite, ThePasswordStaysInTheSettingsFileWhichOnlyItsOwnerCanRead) {
  QTemporaryDir racine;
  ASSERT_TRUE(racine.isValid());
  const QDir ici(racine.path());
  const QString motDePasse = QStringLiteral("Mdp-7Zq-secret");
  ASSERT_TRUE(ici.mkpath(QStringLiteral("compagnie")));
  ASSERT_TRUE(ici.mkpath(QStringLiteral("traite")));
  company::CompagnieDemo::Creer(ici.filePath(QStringLiteral("compagnie")), QStringLiteral("demo"),
                                motDePasse);
  const QString facture = QStringLiteral(
      "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
      "(819) 555-0101;(819) 555-0102;Atelier Nord;40 rue Basse;Villeneuve;QC;G9A_2G4\r\n"
      "Article\r\nVIS-10;Vis 10 mm;100;0.05\r\n");
  const auto ecrire = [&](const QString& nom, const QString& texte) {
    QFile f(ici.filePath(nom));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    // Line 1 is not read: the name there makes each content distinct, so that
    // none is taken for the re-import of another.
    f.write((nom + texte).toLatin1());
    return ici.filePath(nom);
  };

  platform::StockageReglagesQt store(ici.filePath(QStringLiteral("config")));
  ConfigurationTransfert config{ici.filePath(QStringLiteral("compagnie")),
                                QStringLiteral("acomba"),
                                QStringLiteral("demo"),
                                motDePasse,
                                QStringLiteral("1"),
                                ici.filePath(QStringLiteral("traite"))};
  // Every outcome the headless importer can print, and each saving of the settings.
  const struct {
    const char* nom;
    std::function<void(ConfigurationTransfert&)> changer;
    QString fichier;
    int code;
  } cas[] = {
      {"transférée", [](ConfigurationTransfert&) {}, ecrire(QStringLiteral("a.csv"), facture),
       kTousTransferes},
      {"mauvais mot de passe",
       [&](ConfigurationTransfert& c) { c.PWDAcomba = motDePasse + QStringLiteral("-faux"); },
       ecrire(QStringLiteral("b.csv"), facture), kRefuse},
      {"utilisateur inconnu",
       [&](ConfigurationTransfert& c) {
         c.PWDAcomba = motDePasse;
         c.UserAcomba = QStringLiteral("personne");
       },
       ecrire(QStringLiteral("c.csv"), facture), kRefuse},
      {"pas de compagnie",
       [&](ConfigurationTransfert& c) {
         c.UserAcomba = QStringLiteral("demo");
         c.PathCie = ici.filePath(QStringLiteral("absente"));
       },
       ecrire(QStringLiteral("d.csv"), facture), kRefuse},
      {"fichier illisible",
       [&](ConfigurationTransfert& c) { c.PathCie = ici.filePath(QStringLiteral("compagnie")); },
       ici.filePath(QStringLiteral("absent.csv")), kLectureImpossible},
      {"configuration incomplète", [](ConfigurationTransfert& c) { c.GroupeProd.clear(); },
       ecrire(QStringLiteral("e.csv"), facture), kConfigurationIncomplete},
  };
  for (const auto& c : cas) {
    c.changer(config);
    ASSERT_TRUE(config.Enregistrer(store)) << c.nom;
    // Only the settings file, private to its owner, in the settings folder.
    const QDir dossierConfig(ici.filePath(QStringLiteral("config")));
    EXPECT_EQ(dossierConfig.entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Brivane.ini")})
        << c.nom;
    EXPECT_EQ(QFile::permissions(store.Emplacement(kApplication)),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser)
        << c.nom;

    QString sortie;
    QString erreurs;
    QTextStream flux(&sortie);
    QTextStream fluxErreurs(&erreurs);
    EXPECT_EQ(ImporterEnLigne({c.fichier}, store, flux, fluxErreurs, Composition::Import()), c.code)
        << c.nom << ": " << erreurs.toStdString();
    EXPECT_FALSE(sortie.contains(motDePasse)) << c.nom << ": " << sortie.toStdString();
    EXPECT_FALSE(erreurs.contains(motDePasse)) << c.nom << ": " << erreurs.toStdString();
  }
  EXPECT_FALSE(AideImportEnLigne(store.Emplacement(kApplication), QString()).contains(motDePasse));
  // Written nowhere else: not in the company, not in a moved file, not in a
  // leftover of the settings.
  EXPECT_EQ(FichiersQuiContiennent(ici.path(), motDePasse),
            QStringList{QStringLiteral("config/Brivane.ini")});
}

}  // namespace
}  // namespace brivane
