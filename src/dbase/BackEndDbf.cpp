#include "dbase/BackEndDbf.h"

#include "dbase/LitteralSql.h"
#include "dbase/ModeleSql.h"
#include "dbase/RegistreDbf.h"
#include "document/Client.h"
#include "document/ErreurInattendue.h"
#include "document/Item.h"
#include "platform/ErreurBaseDonnees.h"

#include <cmath>
#include <limits>
#include <utility>

namespace brivane::dbase {

namespace lit = literal;

const QString BackEndDbf::kChaineConnexion =
    QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Extended Properties=dBASE IV;Data Source=");

namespace {

constexpr double kTauxFederal = 0.05;

[[noreturn]] void NonConvertible(const QString& colonne, const QString& attendu) {
  throw platform::ErreurBaseDonnees(
      platform::ErreurBaseDonnees::kValueDoesNotFit,
      QStringLiteral("La valeur de la colonne %1 ne peut pas être convertie en %2.")
          .arg(colonne, attendu));
}

double EnReel(const platform::ValeurColonne& valeur, const QString& colonne) {
  bool ok = false;
  double reel = 0;
  if (const auto* n = std::get_if<qlonglong>(&valeur)) {
    reel = static_cast<double>(*n);
    ok = true;
  } else if (const auto* x = std::get_if<double>(&valeur)) {
    reel = *x;
    ok = true;
  } else if (const auto* s = std::get_if<QString>(&valeur)) {
    reel = s->trimmed().toDouble(&ok);  // "." whatever the locale
  }
  if (!ok || !std::isfinite(reel)) {
    NonConvertible(colonne, QStringLiteral("nombre"));
  }
  return reel;
}

std::int32_t EnEntier32(const platform::ValeurColonne& valeur, const QString& colonne) {
  const double reel = EnReel(valeur, colonne);
  if (reel != std::floor(reel) || reel < std::numeric_limits<std::int32_t>::min() ||
      reel > std::numeric_limits<std::int32_t>::max()) {
    NonConvertible(colonne, QStringLiteral("nombre entier"));
  }
  return static_cast<std::int32_t>(reel);
}

}  // namespace

BackEndDbf::BackEndDbf(ComSoum& document, ServicesDbf services)
    : BackEnd(document), services_(std::move(services)) {}

// What a posting may write, locked at its first step: a posting of products
// alone takes only their table, and writes no record of its import.
const QStringList kTablesFacture{QStringLiteral("client"), QStringLiteral("produi"),
                                 QStringLiteral("factma"), QStringLiteral("factit"),
                                 QStringLiteral("solde"),  RegistreDbf::kTable};
const QStringList kTablesProduits{QStringLiteral("produi")};

template <typename Pas>
bool BackEndDbf::Etape(Pas pas, bool toutesLesTables) {
  try {
    if (!enCours_) {
      // The connection knows only the tables that were there when it opened,
      // and another posting may have made the record table since.
      if (toutesLesTables && !registreConnu_) {
        RegistreDbf::Creer(services_.fichiers, cheminCie());
        Connecter();
      }
      Connexion->Begin(toutesLesTables ? kTablesFacture : kTablesProduits,
                       services_.attenteCompteur);
      enCours_ = true;
      // Looked up under the record's lock: two imports of one content at
      // once see each other's record.
      if (toutesLesTables && DejaPostee()) {
        Annuler();
        return false;
      }
    }
    (this->*pas)();
    return true;
  } catch (const platform::ErreurBaseDonnees& e) {
    Annuler();
    throw ErreurInattendue(e.number(), e.description());
  } catch (...) {
    Annuler();
    throw;
  }
}

void BackEndDbf::Annuler() noexcept {
  if (enCours_ && Connexion) {
    Connexion->Rollback();
  }
  enCours_ = false;
  numeroEcrit_.clear();
}

BackEndDbf::~BackEndDbf() { Annuler(); }

bool BackEndDbf::Ouvrir() { return OuvrirBaseDbf(); }
bool BackEndDbf::EnregistrerClient() { return Etape(&BackEndDbf::EnregistrerClientDbf, true); }
bool BackEndDbf::EnregistrerProduits() { return Etape(&BackEndDbf::EnregistrerProduitsDbf, false); }
bool BackEndDbf::EnregistrerFacture() {
  refus_.clear();
  if (!Etape(&BackEndDbf::EnregistrerFactureDbf, true)) {
    return false;
  }
  if (!refus_.isEmpty()) {
    Annuler();
    RemplacerMessage(refus_);
    return false;
  }
  return true;
}

void BackEndDbf::Fermer(bool valider) {
  if (!valider) {
    Annuler();
    return;
  }
  if (!enCours_) {
    return;
  }
  enCours_ = false;
  const QString numero = std::exchange(numeroEcrit_, QString());
  try {
    Connexion->Commit();
  } catch (const platform::ErreurBaseDonnees& e) {
    throw ErreurInattendue(e.number(), e.description());
  }
  // Only once on disk: a number given before a failed commit names no invoice.
  if (!numero.isEmpty()) {
    SignalerNumeroDocument(numero);
  }
}

void BackEndDbf::Connecter() {
  Resultat.reset();
  // Looked at before opening: a table there now is among those the connection finds.
  registreConnu_ = RegistreDbf::Present(cheminCie());
  Connexion = services_.base->Open(kChaineConnexion + cheminCie());
  Commande = Command{};
  Commande.ActiveConnection = Connexion.get();
}

bool BackEndDbf::DejaPostee() {
  const ReferenceImportation& reference = importation();
  if (reference.empreinte.isEmpty() || !reference.refuserSiDejaPostee) {
    return false;
  }
  Commande.CommandText = RegistreDbf::Recherche(reference.empreinte);
  Resultat = Commande.Execute();
  if (Resultat->Eof()) {
    Resultat->Close();
    return false;
  }
  const RegistreImportation registre = RegistreDbf::Lu(*Resultat);
  Resultat->Close();
  SignalerDejaPostee(registre);
  return true;
}

bool BackEndDbf::OuvrirBaseDbf() {
  Annuler();
  numeroEcrit_.clear();
  try {
    Connecter();
    return true;
  } catch (const platform::ErreurBaseDonnees&) {
    Connexion.reset();
    RemplacerMessage(QStringLiteral("Erreur lors du branchement à la base de donnée."));
    return false;
  }
}

bool BackEndDbf::Trouve(const QString& select) {
  Commande.CommandText = select;
  Resultat = Commande.Execute();
  const bool trouve = !Resultat->Eof();
  Resultat->Close();
  return trouve;
}

platform::ValeurColonne BackEndDbf::Lire(const QString& select, const QString& table,
                                         const QString& colonne) {
  Commande.CommandText = select;
  Resultat = Commande.Execute();
  if (Resultat->Eof()) {
    throw platform::ErreurBaseDonnees(
        platform::ErreurBaseDonnees::kNoRow,
        QStringLiteral("La table %1 ne contient aucune ligne.").arg(table));
  }
  platform::ValeurColonne valeur = Resultat->Field(colonne);
  Resultat->Close();
  return valeur;
}

void BackEndDbf::EnregistrerClientDbf() {
  Client& c = *client();
  const QString numero = c.Numero();
  if (Trouve(QStringLiteral("select * from client where CNUM=") + lit::TexteCite(numero))) {
    return;
  }
  ModeleSql insert(
      {QStringLiteral("insert into client(CNUM,CNOM,CADR,CVIL,CCOD,CCTEL1,CCFAX1,CCMAIL1,cpays,"
                      "cresp) "),
       QStringLiteral("VALUES(@num,@nom,@adresse,@ville,@CodeP,@tel,@fax,@email,@pays,@soinde)")});
  insert.Remplacer(QStringLiteral("@num"), lit::TexteCite(numero))
      .Remplacer(QStringLiteral("@nom"), lit::TexteCite(c.Nom()))
      .Remplacer(QStringLiteral("@adresse"), lit::TexteOptionnel(c.Adresse()))
      .Remplacer(QStringLiteral("@ville"), lit::TexteOptionnel(c.Ville()))
      .Remplacer(QStringLiteral("@CodeP"), lit::TexteOptionnel(c.CP()))
      .Remplacer(QStringLiteral("@tel"), lit::TexteOptionnel(c.NoTelephone()))
      .Remplacer(QStringLiteral("@fax"), lit::TexteOptionnel(c.NoFax()))
      .Remplacer(QStringLiteral("@email"), lit::TexteOptionnel(c.Courriel()))
      .Remplacer(QStringLiteral("@pays"), lit::TexteOptionnel(c.pays()))
      .Remplacer(QStringLiteral("@soinde"), lit::TexteOptionnel(c.AuSoinDe()));
  Commande.CommandText = insert.Texte();
  Resultat = Commande.Execute();
}

void BackEndDbf::EnregistrerProduitsDbf() {
  // The sum of this posting's lines only: a second Enregistrer of the same
  // document must not count its lines twice.
  SousTotal = 0;
  for (const std::shared_ptr<Item>& ligne : lignes()) {
    const Item& item = *ligne;
    const QString numero = lit::TexteCite(lit::CodeProduitApres(item.code()));
    if (!Trouve(QStringLiteral("select * from produi where pnum=") + numero)) {
      ModeleSql insert(
          {QStringLiteral("insert into produi(pnum,pnom,pnoma,pfrn,pglachat,ppost,ptxp,ptxf,pcou,"
                          "pfmt,pspe,pdpt,pssg,ploc) "),
           QStringLiteral("values(@num,@desc,'',@fourni,@glVente,@glAchat,@txp,@txf,@prix,@format,"
                          "@spec,@dpmt,@sgroupe,@localisation)")});
      insert.Remplacer(QStringLiteral("@num"), numero)
          .Remplacer(QStringLiteral("@desc"), lit::TexteCite(item.Description()))
          .Remplacer(QStringLiteral("@fourni"), lit::TexteCite(item.fournisseur()))
          .Remplacer(QStringLiteral("@glVente"), lit::TexteCite(item.PosteGlVente()))
          .Remplacer(QStringLiteral("@glAchat"), lit::TexteCite(item.PosteGlAchat()))
          .Remplacer(QStringLiteral("@txp"), lit::Drapeau(item.TaxableProvincial()))
          .Remplacer(QStringLiteral("@txf"), lit::Drapeau(item.TaxableFederal()))
          .Remplacer(QStringLiteral("@prix"), lit::Nombre(item.Cout()))
          .Remplacer(QStringLiteral("@format"), lit::TexteCite(item.Format()))
          .Remplacer(QStringLiteral("@spec"), lit::TexteCite(item.Specification()))
          .Remplacer(QStringLiteral("@dpmt"), lit::TexteCite(item.Departement()))
          .Remplacer(QStringLiteral("@sgroupe"), lit::TexteCite(item.SousGroupe()))
          .Remplacer(QStringLiteral("@localisation"), lit::TexteCite(item.Localisation()));
      Commande.CommandText = insert.Texte();
      Resultat = Commande.Execute();
    }
    SousTotal += item.Quantite() * item.Cout();
  }
}

void BackEndDbf::EnregistrerFactureDbf() {
  noFacture = EnEntier32(Lire(QStringLiteral("select snexts from solde"), QStringLiteral("solde"),
                              QStringLiteral("snexts")),
                         QStringLiteral("snexts"));
  const double tauxProvincial = EnReel(Lire(QStringLiteral("select taxprc1 from taxpro"),
                                            QStringLiteral("taxpro"), QStringLiteral("taxprc1")),
                                       QStringLiteral("taxprc1"));

  // The counter is behind when a document already carries its number: rows
  // that no posting of ours wrote are never touched, so the posting stops.
  for (const bool soumission : {true, false}) {
    const QString numero = lit::NumeroDocument(soumission, noFacture);
    if (Trouve(QStringLiteral("select FFNOFACT from factma where FFNOFACT=") + numero)) {
      refus_ = QStringLiteral(
                   "La table factma contient déjà un document sous le numéro %1, que le compteur "
                   "de factures (table solde) donne à cette facture. Rien n'a été écrit : "
                   "corrigez le compteur dans le système comptable avant de reprendre le "
                   "transfert.")
                   .arg(numero.mid(1, numero.size() - 2));
      return;
    }
  }

  const double taxeFederale = SousTotal * kTauxFederal;
  const double taxeProvinciale = tauxProvincial * SousTotal;
  const double total = taxeFederale + SousTotal + taxeProvinciale;

  Client& c = *client();
  const QString numeroDocument = lit::NumeroDocument(soumission(), noFacture);
  ModeleSql entete({
      QStringLiteral("insert into factma (FFCNUM,FFCNOM,FFCADR,FFCVIL,FFCCOD,FFCTEL,FFLCNUM,"
                     "FFLCNOM,FFLCADR,"),
      QStringLiteral("FFLCVIL,FFLCCOD,FFLCTEL,FFVEND,FFSS_TAX,FFTAXF,FFTAXP,FFGTOT,FFSOLDE,FFTOTDU,"
                     "FFSSTOT,"),
      QStringLiteral("FFNOFACT,FFDATE,FFESCOMPT,FFESCFIX,FFESCPRC,FFNIVTAX,FFPRCTXP,FFGLTAX,"
                     "FFPAIE1,FFPAIE2,"),
      QStringLiteral("FFPAIE3,FFTAUXF1,FFTAUXF2,FFPAIE4,FFTAXFI,FFTAXPI,FFTXFEDAV,FFTXFEDAP,"
                     "FFPROAPES,FFTAUXF3,"),
      QStringLiteral("FFPRCTXP2,FFTAXP2,FFTAXPI2,FFPRCRET,FFTXRETP1,FFTXRETP2,FFTXRETF,FFMNTRET,"
                     "FFTOTRET,AVI,"),
      QStringLiteral("FFMNTTRA,FFGLTRA,FFTXPTRA,FFTXFTRA,FFTXREMF,FFTXREMP,FFTXREMP2,FFPAIE5,"
                     "FFPOSTE,FFDPAMNT,"),
      QStringLiteral("FFCPROV,FFCPAYS,FFLCPROV,FFLCPAYS,FFPRCSUR,FFTXPSUR,FFTXFSUR,FFMNTSUR,"
                     "FFCredit)"),
      QStringLiteral(" values(@noClient,@nom,@adresse,@ville,@CodeP,@tel,@noClient,@nom,@adresse,"),
      QStringLiteral("@ville,@CodeP,@tel,@vendeur,@sTotal,@taxeF,@taxeP,@gTotal,@gTotal,@gTotal,"
                     "@gTotal,"),
      QStringLiteral("@noFacture,@dateF,0,0,0,1,@tauxTaxeP,21360,0,0,"),
      QStringLiteral("0,@tauxTaxeF,0,0,0,0,'O','N','O',0,"),
      QStringLiteral("0,0,0,0,0,0,0,0,0,' ',"),
      QStringLiteral("0,'31900',1,1,0,0,0,0,@poste,0,"),
      QStringLiteral("@prov,@pays,@prov,@pays,0,0,0,0,false)"),
  });
  entete.Remplacer(QStringLiteral("@noClient"), lit::TexteCite(c.Numero()))
      .Remplacer(QStringLiteral("@nom"), lit::TexteCite(c.Nom()))
      .Remplacer(QStringLiteral("@adresse"), lit::TexteOptionnel(c.Adresse()))
      .Remplacer(QStringLiteral("@ville"), lit::TexteOptionnel(c.Ville()))
      .Remplacer(QStringLiteral("@CodeP"), lit::TexteOptionnel(c.CP()))
      .Remplacer(QStringLiteral("@tel"), lit::TexteOptionnel(c.NoTelephone()))
      .Remplacer(QStringLiteral("@prov"), lit::TexteOptionnel(c.Province()))
      .Remplacer(QStringLiteral("@pays"), lit::TexteCite(QStringLiteral("CAN")))
      // The invoice's sales rep, not the country.
      .Remplacer(QStringLiteral("@vendeur"), lit::TexteOptionnel(c.Vendeur()))
      .Remplacer(QStringLiteral("@sTotal"), lit::Montant(SousTotal))
      .Remplacer(QStringLiteral("@taxeF"), lit::Montant(taxeFederale))
      .Remplacer(QStringLiteral("@taxeP"), lit::Montant(taxeProvinciale))
      .Remplacer(QStringLiteral("@gTotal"), lit::Montant(total))
      .Remplacer(QStringLiteral("@noFacture"), numeroDocument)
      .Remplacer(QStringLiteral("@dateF"),
                 lit::Date(documentDate().date(), services_.regional->separateurDate()))
      .Remplacer(QStringLiteral("@tauxTaxeP"), lit::Nombre(tauxProvincial))
      .Remplacer(QStringLiteral("@poste"), lit::TexteCite(services_.ordinateur->nom()))
      .Remplacer(QStringLiteral("@tauxTaxeF"), lit::Nombre(kTauxFederal));
  Commande.CommandText = entete.Texte();
  Resultat = Commande.Execute();

  int position = 0;
  for (const std::shared_ptr<Item>& ligne : lignes()) {
    const Item& item = *ligne;
    ModeleSql detail({
        QStringLiteral("insert into factit (finofact,filigne,fipnum,fipnom,fipqtec,fipqte,fipprix,"
                       "fipvent,fitaxf,fitaxp,"),
        QStringLiteral("fiescfix,fiescprc,finclf,finclp,ficode,fitype,ficout,fiplev) values "
                       "(@noFacture,@ligne,"),
        QStringLiteral("@noItem,@description,@qtt,@qtt,@unitaire,@montant,1,1,"),
        QStringLiteral("0,0,0,0,'F',1,@montant,1)"),
    });
    detail.Remplacer(QStringLiteral("@noFacture"), numeroDocument)
        .Remplacer(QStringLiteral("@ligne"), QString::number(++position))
        .Remplacer(QStringLiteral("@noItem"), lit::TexteCite(lit::CodeProduitAvant(item.code())))
        .Remplacer(QStringLiteral("@qtt"), lit::Montant(item.Quantite()))
        .Remplacer(QStringLiteral("@description"), lit::TexteCite(item.Description()))
        .Remplacer(QStringLiteral("@unitaire"), lit::Montant(item.Cout()))
        .Remplacer(QStringLiteral("@montant"), lit::Montant(item.Quantite() * item.Cout()));
    Commande.CommandText = detail.Texte();
    Resultat = Commande.Execute();
  }

  Resultat = Connexion->Execute(QStringLiteral("update solde set snexts = snexts + 1"));

  // The record rides the invoice's transaction: both reach the disk, or neither.
  const QString numero = numeroDocument.mid(1, numeroDocument.size() - 2);
  const ReferenceImportation& reference = importation();
  if (!reference.empreinte.isEmpty()) {
    Commande.CommandText =
        RegistreDbf::Insertion({reference.empreinte, reference.journal, reference.numero,
                                QDateTime::currentDateTimeUtc(), numero});
    Resultat = Commande.Execute();
  }
  numeroEcrit_ = numero;
}

}  // namespace brivane::dbase
