#include "company/FournisseurIntegre.h"

#include "company/BaseCompagnie.h"
#include "company/EnregistrementIntegre.h"
#include "company/MotDePasse.h"
#include "company/RegistreImportationsIntegre.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brivane::company {

// The SDK interface this provider implements.
using namespace acomba;
using integre::EtatCompagnie;

namespace {

using namespace integre;

class UtilisateurIntegre final : public EnregistrementIntegre<UtilisateurSdk> {
 public:
  explicit UtilisateurIntegre(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableUtilisateur()) {}
  void CleRecherche(const QString& cle) override { Cle(cle); }
  std::int32_t Numero() override { return Int32(Lire(QStringLiteral("numero"))); }
};

class ClientIntegre final : public EnregistrementIntegre<ClientSdk> {
 public:
  explicit ClientIntegre(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableClient()) {}
  void CleRecherche(const QString& cle) override { Cle(cle); }
  QString NumeroClient() override { return Lire(QStringLiteral("numero")).toString(); }
  void NumeroClient(const QString& v) override { Ecrire(QStringLiteral("numero"), v); }
  void Constante1(std::int32_t v) override { Ecrire(QStringLiteral("constante_1"), v); }
  void Constante2(std::int32_t v) override { Ecrire(QStringLiteral("constante_2"), v); }
  void Constante3(std::int32_t v) override { Ecrire(QStringLiteral("constante_3"), v); }
  void Nom(const QString& v) override { Ecrire(QStringLiteral("nom"), v); }
  void Adresse(const QString& v) override { Ecrire(QStringLiteral("adresse"), v); }
  void Ville(const QString& v) override { Ecrire(QStringLiteral("ville"), v); }
  void Courriel(std::int32_t i, const QString& v) override { Ecrire(Indice("courriel", i), v); }
  void Telephone(std::int32_t i, const QString& v) override { Ecrire(Indice("telephone", i), v); }
  void CodePostal(const QString& v) override { Ecrire(QStringLiteral("code_postal"), v); }
  void Province(const QString& v) override { Ecrire(QStringLiteral("province"), v); }
  void AuSoinDe(const QString& v) override { Ecrire(QStringLiteral("au_soin_de"), v); }
  void Pays(const QString& v) override { Ecrire(QStringLiteral("pays"), v); }
};

class ProduitIntegre final : public EnregistrementIntegre<ProduitSdk> {
 public:
  explicit ProduitIntegre(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableProduit()) {}
  void CleRecherche(const QString& cle) override { Cle(cle); }
  void NumeroProduit(const QString& v) override { Ecrire(QStringLiteral("numero"), v); }
  std::int32_t NoGroupe() override { return Int32(Lire(QStringLiteral("groupe"))); }
  void NoGroupe(std::int32_t v) override { Ecrire(QStringLiteral("groupe"), v); }
  void Constante1(std::int32_t v) override { Ecrire(QStringLiteral("constante_1"), v); }
  void Description(std::int32_t i, const QString& v) override {
    Ecrire(Indice("description", i), v);
  }
  void Localisation(const QString& v) override { Ecrire(QStringLiteral("localisation"), v); }
  void SousGroupe(const QString& v) override { Ecrire(QStringLiteral("sous_groupe"), v); }
  void Prix(std::int32_t i, double v) override { Ecrire(Indice("prix", i), v); }
  void Format(const QString& v) override { Ecrire(QStringLiteral("format"), v); }
};

class GroupeProduitIntegre final : public EnregistrementIntegre<GroupeProduitSdk> {
 public:
  explicit GroupeProduitIntegre(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableGroupe()) {}
  void CleRecherche(std::int32_t cle) override { Cle(QVariant::fromValue<qint64>(cle)); }
  std::int32_t NoGroupe() override { return Int32(Lire(QStringLiteral("numero"))); }
};

class TaxeIntegree final : public EnregistrementIntegre<TaxeSdk> {
 public:
  explicit TaxeIntegree(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableTaxe()) {}
  void CleRecherche(const QString& cle) override { Cle(cle); }
  std::int32_t Reference() override { return Int32(Lire(QStringLiteral("reference"))); }
  std::int32_t ValeurTaxe() override { return Int32(Lire(QStringLiteral("valeur"))); }
  std::int32_t Taux(std::int32_t i) override { return Int32(Lire(Indice("taux", i))); }
};

class VendeurIntegre final : public EnregistrementIntegre<VendeurSdk> {
 public:
  explicit VendeurIntegre(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableVendeur()) {}
  QString Code() override { return Lire(QStringLiteral("code")).toString(); }
  std::int32_t Numero() override { return Int32(Lire(QStringLiteral("numero"))); }
};

// Reads the company record: the company is ready for postings.
class PreVerificationIntegree final : public EnregistrementIntegre<PreVerificationSdk> {
 public:
  explicit PreVerificationIntegree(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableCompagnie()) {}
};

class TransactionIntegree final : public EnregistrementIntegre<TransactionSdk> {
 public:
  static constexpr std::int32_t kLignesMax = 100000;

  explicit TransactionIntegree(std::shared_ptr<EtatCompagnie> etat)
      : EnregistrementIntegre(std::move(etat), TableTransaction()) {}

  std::int32_t TypeTransaction() override { return Int32(Lire(QStringLiteral("type"))); }
  void TypeTransaction(std::int32_t v) override { Ecrire(QStringLiteral("type"), v); }
  void ConstanteEntete1(std::int32_t v) override { Ecrire(QStringLiteral("constante_1"), v); }
  void ConstanteEntete2(std::int32_t v) override { Ecrire(QStringLiteral("constante_2"), v); }
  void NumeroClient(const QString& v) override { Ecrire(QStringLiteral("client"), v); }
  void NombreLignes(std::int32_t v) override { Ecrire(QStringLiteral("nombre_lignes"), v); }
  void NomFacturation(const QString& v) override { Ecrire(QStringLiteral("nom_facturation"), v); }
  void AuSoinDeFacturation(const QString& v) override {
    Ecrire(QStringLiteral("au_soin_de_facturation"), v);
  }
  void AdresseFacturation(const QString& v) override {
    Ecrire(QStringLiteral("adresse_facturation"), v);
  }
  void VilleFacturation(const QString& v) override {
    Ecrire(QStringLiteral("ville_facturation"), v);
  }
  void CodePostalFacturation(const QString& v) override {
    Ecrire(QStringLiteral("code_postal_facturation"), v);
  }
  void PaysFacturation(const QString& v) override { Ecrire(QStringLiteral("pays_facturation"), v); }
  void NomLivraison(const QString& v) override { Ecrire(QStringLiteral("nom_livraison"), v); }
  void AuSoinDeLivraison(const QString& v) override {
    Ecrire(QStringLiteral("au_soin_de_livraison"), v);
  }
  void AdresseLivraison(const QString& v) override {
    Ecrire(QStringLiteral("adresse_livraison"), v);
  }
  void VilleLivraison(const QString& v) override { Ecrire(QStringLiteral("ville_livraison"), v); }
  void CodePostalLivraison(const QString& v) override {
    Ecrire(QStringLiteral("code_postal_livraison"), v);
  }
  void PaysLivraison(const QString& v) override { Ecrire(QStringLiteral("pays_livraison"), v); }
  void Conditions(const QString& v) override { Ecrire(QStringLiteral("conditions"), v); }
  void NoVendeur(std::int32_t v) override { Ecrire(QStringLiteral("vendeur"), v); }
  void Miroir1(std::int32_t v) override { Ecrire(QStringLiteral("miroir_1"), v); }
  void Miroir2(std::int32_t v) override { Ecrire(QStringLiteral("miroir_2"), v); }
  void Miroir3(const QString& v) override { Ecrire(QStringLiteral("miroir_3"), v); }
  // The company's current period.
  std::int32_t Source2() override { return source2_; }
  // The number reserved for the new transaction.
  QString Source3() override { return source3_; }

  void TypeLigne(std::int32_t k, std::int32_t v) override {
    Ecrit(k, LigneTransac::kType).type = v;
  }
  void NumeroLigne(std::int32_t k, std::int32_t v) override {
    Ecrit(k, LigneTransac::kNumero).numero = v;
  }
  void ReferenceArticle(std::int32_t k, std::int32_t v) override {
    Ecrit(k, LigneTransac::kReference).reference = v;
  }
  void CodeArticle(std::int32_t k, const QString& v) override {
    Ecrit(k, LigneTransac::kCode).code = v;
  }
  void DescriptionLigne(std::int32_t k, const QString& v) override {
    Ecrit(k, LigneTransac::kDescription).description = v;
  }
  void PrixUnitaire(std::int32_t k, double v) override { Ecrit(k, LigneTransac::kPrix).prix = v; }
  void Quantite(std::int32_t k, double v) override {
    Ecrit(k, LigneTransac::kQuantite).quantite = v;
  }
  void GroupeLigne(std::int32_t k, std::int32_t v) override {
    Ecrit(k, LigneTransac::kGroupe).groupe = v;
  }
  void TaxeLigne(std::int32_t k, std::int32_t v) override {
    Ecrit(k, LigneTransac::kTaxe).taxe = v;
  }
  void Montant(std::int32_t k, double v) override { Ecrit(k, LigneTransac::kMontant).montant = v; }

 private:
  // One line of the buffer: its fields and which of them were written (the
  // others are stored as NULL). Texts share the caller's data.
  struct LigneTransac {
    enum Champ : std::uint16_t {
      kType = 1 << 0,
      kNumero = 1 << 1,
      kReference = 1 << 2,
      kCode = 1 << 3,
      kDescription = 1 << 4,
      kPrix = 1 << 5,
      kQuantite = 1 << 6,
      kGroupe = 1 << 7,
      kTaxe = 1 << 8,
      kMontant = 1 << 9,
    };
    std::uint16_t ecrits = 0;
    std::int32_t type = 0;
    std::int32_t numero = 0;
    std::int32_t reference = 0;
    std::int32_t groupe = 0;
    std::int32_t taxe = 0;
    double prix = 0;
    double quantite = 0;
    double montant = 0;
    QString code;
    QString description;
  };

  LigneTransac& Ecrit(std::int32_t k, LigneTransac::Champ champ) {
    if (k < 1 || k > kLignesMax) {
      throw ErreurSdk(ErreurSdk::kArgumentInvalide,
                      QStringLiteral("Numéro de ligne hors limites : %1").arg(k));
    }
    const auto indice = static_cast<std::size_t>(k - 1);
    if (indice >= lignes_.size()) {
      lignes_.resize(indice + 1);
    }
    LigneTransac& ligne = lignes_[indice];
    ligne.ecrits |= champ;
    return ligne;
  }

  void QuandVide() override { lignes_.clear(); }

  void QuandReinitialise() override {
    source2_ = 0;
    source3_.clear();
    if (Acces() == kSucces) {
      Garde(Etat(), [&] {
        Requete r(Db(), QStringLiteral("SELECT periode FROM compagnie WHERE position = 1"));
        if (r.Suivante()) {
          source2_ = static_cast<std::int32_t>(r.Entier(0));
        }
        return kSucces;
      });
    }
  }

  QString NumeroSuivant() const {
    Requete r(Db(),
              QStringLiteral("SELECT COALESCE(MAX(CAST(numero AS INTEGER)), 0) + 1 FROM transac"));
    r.Suivante();
    return QStringLiteral("%1").arg(r.Entier(0), 6, 10, QLatin1Char('0'));
  }

  std::int32_t QuandReserveNouveau() override {
    source3_ = NumeroSuivant();
    Ecrire(QStringLiteral("numero"), source3_);
    return kSucces;
  }

  // Another import may have added a transaction under the number reserved:
  // the next free one is taken here, where nobody else can take it, and the
  // mirror field that copied the number follows it.
  void AvantInsertion() override {
    {
      const RequetePreparee pris(Etat(), QStringLiteral("SELECT 1 FROM transac WHERE numero = ?"));
      pris->Lier(1, source3_);
      if (!pris->Suivante()) {
        return;
      }
    }
    const QString numero = NumeroSuivant();
    if (Lire(QStringLiteral("miroir_3")).toString() == source3_) {
      Ecrire(QStringLiteral("miroir_3"), numero);
    }
    Ecrire(QStringLiteral("numero"), numero);
    source3_ = numero;
  }

  void QuandAnnule() override {
    source3_.clear();
    Ecrire(QStringLiteral("numero"), QString());
  }

  // The declared count must name exactly the lines written, each with a type:
  // a transaction is never stored with a hole or a stray line.
  std::int32_t AvantAjout() override {
    const qint64 declare = Lire(QStringLiteral("nombre_lignes")).toLongLong();
    if (declare < 1 || static_cast<qint64>(lignes_.size()) != declare) {
      return statuts::kLignesIncoherentes;
    }
    for (const LigneTransac& ligne : lignes_) {
      if ((ligne.ecrits & LigneTransac::kType) == 0) {
        return statuts::kLignesIncoherentes;
      }
    }
    Ecrire(QStringLiteral("utilisateur"), Etat().utilisateur);
    Ecrire(QStringLiteral("ajoutee_le"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    return kSucces;
  }

  void ApresInsertion(std::int64_t position) override {
    Requete r(Db(),
              QStringLiteral("INSERT INTO ligne_transac (transac, ligne, type, numero_ligne, "
                             "reference, code, description, prix_unitaire, quantite, groupe, taxe, "
                             "montant) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    std::int64_t k = 0;
    for (const LigneTransac& l : lignes_) {
      const auto ecrit = [&](LigneTransac::Champ c) { return (l.ecrits & c) != 0; };
      r.LierEntier(1, position).LierEntier(2, ++k).LierEntier(3, std::int64_t{l.type});
      ecrit(LigneTransac::kNumero) ? r.LierEntier(4, std::int64_t{l.numero}) : r.LierNul(4);
      ecrit(LigneTransac::kReference) ? r.LierEntier(5, std::int64_t{l.reference}) : r.LierNul(5);
      ecrit(LigneTransac::kCode) ? r.LierTexte(6, l.code) : r.LierNul(6);
      ecrit(LigneTransac::kDescription) ? r.LierTexte(7, l.description) : r.LierNul(7);
      ecrit(LigneTransac::kPrix) ? r.LierReel(8, l.prix) : r.LierNul(8);
      ecrit(LigneTransac::kQuantite) ? r.LierReel(9, l.quantite) : r.LierNul(9);
      ecrit(LigneTransac::kGroupe) ? r.LierEntier(10, std::int64_t{l.groupe}) : r.LierNul(10);
      ecrit(LigneTransac::kTaxe) ? r.LierEntier(11, std::int64_t{l.taxe}) : r.LierNul(11);
      ecrit(LigneTransac::kMontant) ? r.LierReel(12, l.montant) : r.LierNul(12);
      r.Executer();
      r.Reinitialiser();
    }
  }

  std::vector<LigneTransac> lignes_;
  std::int32_t source2_ = 0;
  QString source3_;
};

class DemarrageIntegre final : public DemarrageSdk {
 public:
  std::int32_t ValeurDemarrage() override { return FournisseurIntegre::kValeurDemarrage; }
  std::int32_t Demarrer(std::int32_t valeur) override {
    return valeur == FournisseurIntegre::kValeurDemarrage ? kSucces : statuts::kDemarrageRefuse;
  }
};

class SessionIntegree final : public SessionSdk {
 public:
  explicit SessionIntegree(std::shared_ptr<EtatCompagnie> etat) : etat_(std::move(etat)) {}

  std::int32_t VerifierCompagnie(const QString& cheminCie) override {
    etat_->raisonVerification.clear();
    if (cheminCie.isEmpty()) {
      etat_->raisonVerification = QStringLiteral("Aucun dossier de compagnie n'a été donné.");
    } else if (!QFileInfo(cheminCie).isDir()) {
      etat_->raisonVerification =
          QStringLiteral("Le dossier de la compagnie « %1 » n'existe pas.").arg(cheminCie);
    } else if (!QFileInfo(BaseCompagnie::CheminFichier(cheminCie)).isFile()) {
      etat_->raisonVerification =
          QStringLiteral("Le dossier « %1 » ne contient pas de compagnie (fichier %2 absent).")
              .arg(cheminCie, QString::fromUtf16(BaseCompagnie::kNomFichier));
    } else {
      return 1;
    }
    return 0;
  }

  std::int32_t OuvrirCompagnie(const QString& /*cheminApp*/, const QString& cheminCie) override {
    // The company open until now is closed as FermerCompagnie would: its
    // posting kept, or the failure reported.
    if (etat_->base) {
      if (const std::int32_t statut = FermerCompagnie(); statut != kSucces) {
        return statut;
      }
    }
    etat_->raison.clear();
    etat_->requetes.clear();
    etat_->base.reset();
    etat_->utilisateur = 0;
    etat_->endommagee = false;
    etat_->bilanEndommagement.clear();
    etat_->dossier = cheminCie;
    return Garde(*etat_, [&] {
      etat_->base = BaseCompagnie::Ouvrir(cheminCie);
      return kSucces;
    });
  }

  std::int32_t Connecter(std::int32_t noUtilisateur, const QString& motDePasse) override {
    etat_->raison.clear();
    if (!etat_->base) {
      return statuts::kCompagnieFermee;
    }
    etat_->utilisateur = 0;
    QString empreinte;
    const std::int32_t statut = Garde(*etat_, [&] {
      {
        Requete r(etat_->base->db(),
                  QStringLiteral("SELECT mot_de_passe FROM utilisateur WHERE numero = ?"));
        r.Lier(1, noUtilisateur);
        if (!r.Suivante()) {
          return kIntrouvable;
        }
        empreinte = r.Texte(0);
      }
      return VerifierMotDePasse(motDePasse, empreinte) ? kSucces : statuts::kMotDePasseInvalide;
    });
    if (statut != kSucces) {
      return statut;
    }
    etat_->utilisateur = noUtilisateur;
    RefaireEmpreinte(noUtilisateur, motDePasse, empreinte);
    return kSucces;
  }

  QString TexteErreur(std::int32_t statut) override {
    if (statut == 0 && !etat_->raisonVerification.isEmpty()) {
      return etat_->raisonVerification;
    }
    if (statut != 0 && statut == etat_->statutRaison && !etat_->raison.isEmpty()) {
      return etat_->raison;
    }
    if (statut == statuts::kCompagnieEndommagee && !etat_->bilanEndommagement.isEmpty()) {
      return etat_->bilanEndommagement;
    }
    return TexteStatut(statut);
  }

  // Commits the posting's transaction, if one is open: a caller that knows
  // nothing of it keeps its writes, and learns when they could not be kept.
  std::int32_t FermerCompagnie() override {
    if (!etat_->base) {
      return statuts::kCompagnieFermee;
    }
    etat_->raison.clear();
    const std::int32_t statut = ValiderPostage(*etat_);
    etat_->requetes.clear();
    etat_->base.reset();
    etat_->utilisateur = 0;
    return statut;
  }

 private:
  // The company's wait for another program's write, set to none while it
  // lives.
  class AttenteSansDelai {
   public:
    explicit AttenteSansDelai(const BaseCompagnie& base) : db_(base.db()) {
      sqlite3_busy_timeout(db_, 0);
    }
    ~AttenteSansDelai() { sqlite3_busy_timeout(db_, BaseCompagnie::kAttenteOccupeeMs); }
    AttenteSansDelai(const AttenteSansDelai&) = delete;
    AttenteSansDelai& operator=(const AttenteSansDelai&) = delete;

   private:
    sqlite3* db_;
  };

  // An older or weaker hash is replaced at log-in, in a short transaction of
  // its own: never inside a posting, never waiting for another program's
  // write, never failing the log-in. Whatever stops it (a read-only or busy
  // file) leaves the old hash for the next log-in.
  void RefaireEmpreinte(std::int32_t noUtilisateur, const QString& motDePasse,
                        const QString& ancienne) {
    BaseCompagnie& base = *etat_->base;
    if (etat_->endommagee || base.PostageOuvert() || sqlite3_get_autocommit(base.db()) == 0) {
      return;
    }
    try {
      if (!EmpreinteARefaire(ancienne)) {
        return;
      }
      // Hashed before the write lock is taken: it costs tens of milliseconds.
      const QString nouvelle = EmpreinteMotDePasse(motDePasse);
      const AttenteSansDelai sansDelai(base);
      base.Transaction([&] {
        // Left alone when another program changed it since it was read.
        Requete r(base.db(), QStringLiteral("UPDATE utilisateur SET mot_de_passe = ? "
                                            "WHERE numero = ? AND mot_de_passe = ?"));
        r.Lier(1, nouvelle).Lier(2, noUtilisateur).Lier(3, ancienne);
        r.Executer();
      });
    } catch (const ErreurBase& e) {
      if (e.statut() == statuts::kCompagnieEndommagee) {
        Endommagee(*etat_);
      }
    }
  }

  std::shared_ptr<EtatCompagnie> etat_;
};

}  // namespace

FournisseurIntegre::FournisseurIntegre() : etat_(std::make_shared<EtatCompagnie>()) {}

FournisseurIntegre::~FournisseurIntegre() = default;

std::unique_ptr<ObjetSdk> FournisseurIntegre::Creer(std::uint32_t classe) {
  namespace id = identifiants;
  if (classe == id::kSession.classe) return std::make_unique<SessionIntegree>(etat_);
  if (classe == id::kDemarrage.classe) return std::make_unique<DemarrageIntegre>();
  if (classe == id::kUtilisateur.classe) return std::make_unique<UtilisateurIntegre>(etat_);
  if (classe == id::kClient.classe) return std::make_unique<ClientIntegre>(etat_);
  if (classe == id::kProduit.classe) return std::make_unique<ProduitIntegre>(etat_);
  if (classe == id::kGroupeProduit.classe) return std::make_unique<GroupeProduitIntegre>(etat_);
  if (classe == id::kTransaction.classe) return std::make_unique<TransactionIntegree>(etat_);
  if (classe == id::kTaxe.classe) return std::make_unique<TaxeIntegree>(etat_);
  if (classe == id::kVendeur.classe) return std::make_unique<VendeurIntegre>(etat_);
  if (classe == id::kPreVerification.classe) {
    return std::make_unique<PreVerificationIntegree>(etat_);
  }
  if (classe == id::kRegistreImportations.classe) {
    return std::make_unique<RegistreImportationsIntegre>(etat_);
  }
  throw ErreurSdk(ErreurSdk::kClasseNonEnregistree,
                  QStringLiteral("Classe non enregistrée : ") + TexteIdentifiant(classe));
}

}  // namespace brivane::company
