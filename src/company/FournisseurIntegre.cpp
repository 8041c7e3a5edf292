#include "company/FournisseurIntegre.h"

#include "company/BaseCompagnie.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brivane::acomba {

struct EtatCompagnie {
  std::unique_ptr<BaseCompagnie> base;
  // Statements prepared on base once and kept, for the lookups a posting
  // repeats on every line. Emptied before base goes (and, declared after it,
  // destroyed first): a statement must never outlive its connection.
  std::unordered_map<QString, std::unique_ptr<Requete>> requetes;
  std::int32_t utilisateur = 0;  // 0: nobody logged in
  // Why the last company check answered 0; the text of status 0 until the
  // next check.
  QString raisonVerification;
  // What the last record operation that failed knew about its failure, given
  // as the text of its status until the next operation.
  std::int32_t statutRaison = 0;
  QString raison;
  // SQLite met a damaged page: nothing more is read or written until the
  // company is opened again. What the full check then found, as the text of
  // status 1006.
  bool endommagee = false;
  QString bilanEndommagement;
  QString dossier;  // of the company opened last
};

namespace {

enum class Type { Entier, Texte, Reel };

struct Colonne {
  QString nom;
  Type type;
  bool nulle = false;  // unwritten stays NULL instead of taking a default
};

struct Table {
  QString nom;
  QString cle;  // column of search key 1; empty when the table has none
  std::vector<Colonne> colonnes;
  bool connexionRequise = true;
  bool lectureSeule = false;
};

Colonne E(const char* nom) { return {QString::fromLatin1(nom), Type::Entier}; }
Colonne T(const char* nom) { return {QString::fromLatin1(nom), Type::Texte}; }
Colonne R(const char* nom) { return {QString::fromLatin1(nom), Type::Reel}; }

const Table& TableUtilisateur() {
  static const Table t{QStringLiteral("utilisateur"),
                       QStringLiteral("code"),
                       {E("numero"), T("code"), T("nom")},
                       false,
                       true};
  return t;
}
const Table& TableClient() {
  static const Table t{
      QStringLiteral("client"),
      QStringLiteral("numero"),
      {T("numero"), E("constante_1"), E("constante_2"), E("constante_3"), T("nom"), T("adresse"),
       T("ville"), T("courriel_1"), T("courriel_2"), T("telephone_1"), T("telephone_2"),
       T("telephone_3"), T("code_postal"), T("province"), T("au_soin_de"), T("pays")}};
  return t;
}
const Table& TableProduit() {
  static const Table t{QStringLiteral("produit"),
                       QStringLiteral("numero"),
                       {T("numero"), E("groupe"), E("constante_1"), T("description_1"),
                        T("description_2"), T("localisation"), T("sous_groupe"), R("prix_0"),
                        R("prix_1"), R("prix_2"), R("prix_3"), T("format")}};
  return t;
}
const Table& TableGroupe() {
  static const Table t{
      QStringLiteral("groupe_produit"), QStringLiteral("numero"), {E("numero"), T("description")}};
  return t;
}
const Table& TableTaxe() {
  static const Table t{QStringLiteral("taxe"),
                       QStringLiteral("code"),
                       {T("code"), E("reference"), E("valeur"), E("taux_0"), E("taux_1"),
                        E("taux_2"), T("description")}};
  return t;
}
const Table& TableVendeur() {
  static const Table t{
      QStringLiteral("vendeur"), QStringLiteral("code"), {E("numero"), T("code"), T("nom")}};
  return t;
}
const Table& TableCompagnie() {
  static const Table t{
      QStringLiteral("compagnie"), QString(), {T("nom"), E("periode"), T("creee_le")}, true, true};
  return t;
}
const Table& TableTransaction() {
  static const Table t{QStringLiteral("transac"),
                       QStringLiteral("numero"),
                       {T("numero"),
                        E("type"),
                        E("constante_1"),
                        E("constante_2"),
                        T("client"),
                        E("nombre_lignes"),
                        T("nom_facturation"),
                        T("au_soin_de_facturation"),
                        T("adresse_facturation"),
                        T("ville_facturation"),
                        T("code_postal_facturation"),
                        T("pays_facturation"),
                        T("nom_livraison"),
                        T("au_soin_de_livraison"),
                        T("adresse_livraison"),
                        T("ville_livraison"),
                        T("code_postal_livraison"),
                        T("pays_livraison"),
                        T("conditions"),
                        {QStringLiteral("vendeur"), Type::Entier, true},
                        E("miroir_1"),
                        E("miroir_2"),
                        T("miroir_3"),
                        E("utilisateur"),
                        T("ajoutee_le")}};
  return t;
}

// How the texts name a record of the table.
QString Libelle(const QString& table) {
  static const QHash<QString, QString> libelles{
      {QStringLiteral("utilisateur"), QStringLiteral("L'utilisateur")},
      {QStringLiteral("client"), QStringLiteral("Le client")},
      {QStringLiteral("produit"), QStringLiteral("Le produit")},
      {QStringLiteral("groupe_produit"), QStringLiteral("Le groupe de produit")},
      {QStringLiteral("taxe"), QStringLiteral("La taxe")},
      {QStringLiteral("vendeur"), QStringLiteral("Le vendeur")},
      {QStringLiteral("transac"), QStringLiteral("La transaction")}};
  return libelles.value(table, QStringLiteral("L'enregistrement"));
}

QVariant Defaut(const Colonne& c) {
  if (c.nulle) {
    return {};
  }
  switch (c.type) {
    case Type::Entier:
      return QVariant::fromValue<qint64>(0);
    case Type::Reel:
      return 0.0;
    case Type::Texte:
      break;
  }
  return QString();
}

QVariant Convertir(const QVariant& v, Type type) {
  if (v.isNull()) {
    return {};
  }
  switch (type) {
    case Type::Entier:
      return QVariant::fromValue<qint64>(v.toLongLong());
    case Type::Reel:
      return v.toDouble();
    case Type::Texte:
      break;
  }
  return v.toString();
}

std::int32_t Int32(const QVariant& v) { return static_cast<std::int32_t>(v.toLongLong()); }

[[noreturn]] void Lever(std::int32_t statut) { throw ErreurSdk(statut, TexteStatut(statut)); }

// The first damage met stops every later operation, and the full check
// runs once to say what it is: a rare event, worth the seconds it may take.
void Endommagee(EtatCompagnie& etat) {
  if (etat.endommagee) {
    return;
  }
  etat.endommagee = true;
  try {
    const QStringList problemes = BaseCompagnie::Verifier(etat.dossier);
    if (!problemes.isEmpty()) {
      etat.bilanEndommagement =
          QStringLiteral(
              "Le fichier de la compagnie est endommagé (vérification complète : %1 problème(s), "
              "dont « %2 »). Vérifiez-le avec brivane-company --verifier.")
              .arg(QString::number(problemes.size()), problemes.first());
    }
  } catch (const ErreurBase&) {
    // The status's own text says enough.
  }
}

// One of the company's kept statements, ready to be bound; reset when it
// goes, so that no read stays open between two operations.
class RequetePreparee {
 public:
  RequetePreparee(EtatCompagnie& etat, const QString& sql) {
    std::unique_ptr<Requete>& r = etat.requetes[sql];
    if (!r) {
      r = std::make_unique<Requete>(etat.base->db(), sql);
    }
    requete_ = r.get();
  }
  ~RequetePreparee() { requete_->Reinitialiser(); }
  RequetePreparee(const RequetePreparee&) = delete;
  RequetePreparee& operator=(const RequetePreparee&) = delete;

  Requete& operator*() const { return *requete_; }
  Requete* operator->() const { return requete_; }

 private:
  Requete* requete_ = nullptr;
};

template <class F>
std::int32_t Garde(EtatCompagnie& etat, F&& f) {
  try {
    return f();
  } catch (const ErreurBase& e) {
    if (e.statut() == statuts::kCompagnieEndommagee) {
      Endommagee(etat);
    }
    return e.statut();
  }
}

// The record operations every object of the built-in company shares, over
// one table and a buffer of its columns.
template <class Interface>
class EnregistrementIntegre : public Interface {
 public:
  EnregistrementIntegre(std::shared_ptr<EtatCompagnie> etat, const Table& table)
      : etat_(std::move(etat)), table_(table) {
    EnregistrementIntegre::Vider();
  }

  void Vider() override {
    champs_.clear();
    for (const Colonne& c : table_.colonnes) {
      champs_.insert(c.nom, Defaut(c));
    }
    position_ = 0;
    QuandVide();
  }

  void Reinitialiser() override {
    Vider();
    reservation_ = Reservation::Aucune;
    charges_.clear();
    QuandReinitialise();
  }

  std::int32_t Trouver(std::int32_t noCle, bool /*option*/) override {
    etat_->raison.clear();
    if (const std::int32_t a = Acces()) {
      return a;
    }
    if (noCle != 1 || table_.cle.isEmpty()) {
      return statuts::kCleInconnue;
    }
    return Garde(*etat_, [&] {
      const RequetePreparee r(
          *etat_, QStringLiteral("SELECT * FROM %1 WHERE %2 = ?").arg(table_.nom, table_.cle));
      r->Lier(1, cle_);
      if (r->Suivante()) {
        Charger(*r);
        return kSucces;
      }
      Vider();
      Raison(
          kIntrouvable,
          QStringLiteral("%1 « %2 » est introuvable.").arg(Libelle(table_.nom), cle_.toString()));
      return kIntrouvable;
    });
  }

  std::int32_t LireAPosition(std::int32_t position) override {
    etat_->raison.clear();
    if (const std::int32_t a = Acces()) {
      return a;
    }
    return Garde(*etat_, [&] {
      if (!ChargerPosition(position)) {
        Vider();
        return kIntrouvable;
      }
      return kSucces;
    });
  }

  std::int32_t Reserver(std::int32_t position) override {
    etat_->raison.clear();
    if (const std::int32_t a = AccesEcriture()) {
      return a;
    }
    return Garde(*etat_, [&] {
      if (!ChargerPosition(position)) {
        return kIntrouvable;
      }
      reservation_ = Reservation::Existante;
      positionReservee_ = position;
      cleReservee_ = table_.cle.isEmpty() ? QVariant() : champs_.value(table_.cle);
      return kSucces;
    });
  }

  std::int32_t ReserverNouveau() override {
    etat_->raison.clear();
    if (const std::int32_t a = AccesEcriture()) {
      return a;
    }
    return Garde(*etat_, [&] {
      if (!table_.cle.isEmpty() && !cle_.isNull()) {
        const RequetePreparee r(
            *etat_, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(table_.nom, table_.cle));
        r->Lier(1, cle_);
        if (r->Suivante()) {
          return EnDouble(cle_);
        }
      }
      if (const std::int32_t s = QuandReserveNouveau()) {
        return s;
      }
      reservation_ = Reservation::Nouvelle;
      return kSucces;
    });
  }

  std::int32_t Ajouter() override {
    etat_->raison.clear();
    if (const std::int32_t a = AccesEcriture()) {
      return a;
    }
    if (reservation_ != Reservation::Nouvelle) {
      return statuts::kAjoutSansReservation;
    }
    if (const std::int32_t s = AvantAjout()) {
      return s;
    }
    const std::int32_t statut = Garde(*etat_, [&] {
      std::int64_t position = 0;
      etat_->base->Transaction([&] {
        AvantInsertion();
        QStringList noms;
        QStringList marques;
        for (const Colonne& c : table_.colonnes) {
          noms << c.nom;
          marques << QStringLiteral("?");
        }
        const RequetePreparee r(*etat_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                            .arg(table_.nom, noms.join(u','), marques.join(u',')));
        int i = 1;
        for (const Colonne& c : table_.colonnes) {
          r->Lier(i++, champs_.value(c.nom));
        }
        r->Executer();
        position = etat_->base->DerniereInsertion();
        ApresInsertion(position);
      });
      position_ = position;
      reservation_ = Reservation::Aucune;
      return kSucces;
    });
    if (statut == statuts::kCleEnDouble && !table_.cle.isEmpty()) {
      return EnDouble(champs_.value(table_.cle));
    }
    return statut;
  }

  std::int32_t Modifier(bool liberer) override {
    etat_->raison.clear();
    if (const std::int32_t a = AccesEcriture()) {
      return a;
    }
    if (reservation_ != Reservation::Existante) {
      return statuts::kModificationSansReservation;
    }
    return Garde(*etat_, [&] {
      std::int32_t statut = kSucces;
      etat_->base->Transaction([&] {
        // A key left as it was read is not rewritten: rewriting it, even
        // unchanged, makes SQLite look for the rows that refer to it, and
        // the invoices refer to their customer through a column without index.
        const auto inchangee = [&](const Colonne& c) {
          if (c.nom != table_.cle || cleReservee_.isNull()) {
            return false;
          }
          const QVariant v = champs_.value(c.nom);
          return v.typeId() == cleReservee_.typeId() && v == cleReservee_;
        };
        QStringList affectations;
        for (const Colonne& c : table_.colonnes) {
          if (!inchangee(c)) {
            affectations << c.nom + QStringLiteral(" = ?");
          }
        }
        Requete r(Db(), QStringLiteral("UPDATE %1 SET %2 WHERE position = ?")
                            .arg(table_.nom, affectations.join(u',')));
        int i = 1;
        for (const Colonne& c : table_.colonnes) {
          if (!inchangee(c)) {
            r.Lier(i++, champs_.value(c.nom));
          }
        }
        r.Lier(i, QVariant::fromValue<qint64>(positionReservee_));
        r.Executer();
        if (etat_->base->Changements() == 0) {
          statut = kIntrouvable;  // removed since it was reserved
        }
      });
      if (statut == kSucces) {
        position_ = positionReservee_;
        if (liberer) {
          reservation_ = Reservation::Aucune;
        }
      }
      return statut;
    });
  }

  std::int32_t Liberer() override {
    if (reservation_ == Reservation::Nouvelle) {
      QuandAnnule();
    }
    reservation_ = Reservation::Aucune;
    return kSucces;
  }

  std::int32_t AnnulerNouveau() override {
    if (reservation_ == Reservation::Nouvelle) {
      reservation_ = Reservation::Aucune;
      QuandAnnule();
    }
    return kSucces;
  }

  std::int32_t Position() override { return static_cast<std::int32_t>(position_); }

  std::int32_t NombreEnregistrements() override {
    if (const std::int32_t a = Acces()) {
      Lever(a);
    }
    try {
      Requete r(Db(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table_.nom));
      r.Suivante();
      return static_cast<std::int32_t>(r.Entier(0));
    } catch (const ErreurBase& e) {
      if (e.statut() == statuts::kCompagnieEndommagee) {
        Endommagee(*etat_);
      }
      Lever(e.statut());
    }
  }

  std::int32_t NombreCharges() override { return static_cast<std::int32_t>(charges_.size()); }

  std::int32_t ChargerPlage(std::int32_t premier, std::int32_t dernier) override {
    etat_->raison.clear();
    if (const std::int32_t a = Acces()) {
      return a;
    }
    charges_.clear();
    if (premier < 1 || dernier < premier) {
      return statuts::kPlageInvalide;
    }
    return Garde(*etat_, [&] {
      Requete r(
          Db(),
          QStringLiteral("SELECT * FROM %1 ORDER BY position LIMIT ? OFFSET ?").arg(table_.nom));
      r.Lier(1, QVariant::fromValue<qint64>(std::int64_t{dernier} - premier + 1));
      r.Lier(2, QVariant::fromValue<qint64>(std::int64_t{premier} - 1));
      while (r.Suivante()) {
        Charger(r);
        charges_.emplace_back(position_, champs_);
      }
      Vider();
      return kSucces;
    });
  }

  void Selectionner(std::int32_t index) override {
    if (index < 1 || static_cast<std::size_t>(index) > charges_.size()) {
      Vider();
      return;
    }
    const auto& [position, champs] = charges_[static_cast<std::size_t>(index - 1)];
    position_ = position;
    champs_ = champs;
  }

 protected:
  enum class Reservation { Aucune, Existante, Nouvelle };

  sqlite3* Db() const { return etat_->base->db(); }

  std::int32_t Acces() const {
    if (!etat_->base) {
      return statuts::kCompagnieFermee;
    }
    if (etat_->endommagee) {
      return statuts::kCompagnieEndommagee;
    }
    if (table_.connexionRequise && etat_->utilisateur == 0) {
      return statuts::kNonConnecte;
    }
    return kSucces;
  }

  std::int32_t AccesEcriture() const {
    if (const std::int32_t a = Acces()) {
      return a;
    }
    return table_.lectureSeule ? statuts::kOperationRefusee : kSucces;
  }

  void Cle(QVariant cle) { cle_ = std::move(cle); }

  void Ecrire(const QString& nom, const QVariant& valeur) {
    auto it = champs_.find(nom);
    if (it == champs_.end()) {
      throw ErreurSdk(ErreurSdk::kArgumentInvalide,
                      QStringLiteral("Champ inconnu ou indice hors limites : ") + nom);
    }
    *it = valeur;
  }

  QVariant Lire(const QString& nom) const {
    auto it = champs_.constFind(nom);
    if (it == champs_.constEnd()) {
      throw ErreurSdk(ErreurSdk::kArgumentInvalide,
                      QStringLiteral("Champ inconnu ou indice hors limites : ") + nom);
    }
    return *it;
  }

  static QString Indice(const char* base, std::int32_t index) {
    return QString::fromLatin1(base) + u'_' + QString::number(index);
  }

  EtatCompagnie& Etat() const { return *etat_; }

  void Raison(std::int32_t statut, const QString& texte) const {
    etat_->statutRaison = statut;
    etat_->raison = texte;
  }

  std::int32_t EnDouble(const QVariant& cle) const {
    Raison(statuts::kCleEnDouble,
           QStringLiteral("%1 « %2 » existe déjà.").arg(Libelle(table_.nom), cle.toString()));
    return statuts::kCleEnDouble;
  }

  virtual void QuandVide() {}
  virtual void QuandReinitialise() {}
  virtual std::int32_t QuandReserveNouveau() { return kSucces; }
  virtual void QuandAnnule() {}
  virtual std::int32_t AvantAjout() { return kSucces; }
  // Inside the add's write transaction, where no other program can write:
  // the place for what must not change between reading and writing.
  virtual void AvantInsertion() {}
  // Inside the add's write transaction.
  virtual void ApresInsertion(std::int64_t /*position*/) {}

 private:
  bool ChargerPosition(std::int32_t position) {
    const RequetePreparee r(*etat_,
                            QStringLiteral("SELECT * FROM %1 WHERE position = ?").arg(table_.nom));
    r->Lier(1, QVariant::fromValue<qint64>(position));
    if (!r->Suivante()) {
      return false;
    }
    Charger(*r);
    return true;
  }

  void Charger(const Requete& r) {
    Vider();
    for (int i = 0; i < r.NombreColonnes(); ++i) {
      const QString nom = r.NomColonne(i);
      if (nom == QStringLiteral("position")) {
        position_ = r.Entier(i);
        continue;
      }
      for (const Colonne& c : table_.colonnes) {
        if (c.nom == nom) {
          champs_[nom] = Convertir(r.Valeur(i), c.type);
        }
      }
    }
  }

  std::shared_ptr<EtatCompagnie> etat_;
  const Table& table_;
  QHash<QString, QVariant> champs_;
  std::int64_t position_ = 0;
  QVariant cle_;
  Reservation reservation_ = Reservation::Aucune;
  std::int64_t positionReservee_ = 0;
  QVariant cleReservee_;  // the key of the reserved record, as read
  std::vector<std::pair<std::int64_t, QHash<QString, QVariant>>> charges_;
};

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
    return Garde(*etat_, [&] {
      Requete r(etat_->base->db(),
                QStringLiteral("SELECT mot_de_passe FROM utilisateur WHERE numero = ?"));
      r.Lier(1, noUtilisateur);
      if (!r.Suivante()) {
        return kIntrouvable;
      }
      if (!VerifierMotDePasse(motDePasse, r.Texte(0))) {
        return statuts::kMotDePasseInvalide;
      }
      etat_->utilisateur = noUtilisateur;
      return kSucces;
    });
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

  std::int32_t FermerCompagnie() override {
    if (!etat_->base) {
      return statuts::kCompagnieFermee;
    }
    etat_->requetes.clear();
    etat_->base.reset();
    etat_->utilisateur = 0;
    return kSucces;
  }

 private:
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
  throw ErreurSdk(ErreurSdk::kClasseNonEnregistree,
                  QStringLiteral("Classe non enregistrée : ") + TexteIdentifiant(classe));
}

QString EmpreinteMotDePasse(const QString& motDePasse) {
  QByteArray sel(16, '\0');
  for (char& octet : sel) {
    octet = static_cast<char>(QRandomGenerator::system()->bounded(256));
  }
  const QByteArray empreinte =
      QCryptographicHash::hash(sel + motDePasse.toUtf8(), QCryptographicHash::Sha256);
  return QString::fromLatin1(sel.toHex() + ':' + empreinte.toHex());
}

bool VerifierMotDePasse(const QString& motDePasse, const QString& empreinte) {
  const qsizetype separateur = empreinte.indexOf(u':');
  if (separateur <= 0) {
    return false;
  }
  const QByteArray sel = QByteArray::fromHex(empreinte.left(separateur).toLatin1());
  const QByteArray attendu = empreinte.mid(separateur + 1).toLatin1();
  const QByteArray calcule =
      QCryptographicHash::hash(sel + motDePasse.toUtf8(), QCryptographicHash::Sha256).toHex();
  return calcule == attendu;
}

}  // namespace brivane::acomba
