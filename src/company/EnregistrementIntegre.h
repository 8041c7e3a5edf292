#pragma once

#include "acomba/Sdk.h"
#include "company/BaseCompagnie.h"
#include "company/TablesIntegrees.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brivane::company::integre {

// The SDK interface this company implements.
using acomba::ErreurSdk;
using acomba::kIntrouvable;
using acomba::kSucces;

// What the objects of one built-in provider share: the open company, the
// logged-in user and why the last operation failed.
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

// How the texts name a record of the table.
inline QString Libelle(const QString& table) {
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

inline QVariant Defaut(const Colonne& c) {
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

inline QVariant Convertir(const QVariant& v, Type type) {
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

inline std::int32_t Int32(const QVariant& v) { return static_cast<std::int32_t>(v.toLongLong()); }

[[noreturn]] inline void Lever(std::int32_t statut) {
  throw ErreurSdk(statut, TexteStatut(statut));
}

// The first damage met stops every later operation, and the full check
// runs once to say what it is: a rare event, worth the seconds it may take.
inline void Endommagee(EtatCompagnie& etat) {
  if (etat.endommagee) {
    return;
  }
  etat.endommagee = true;
  try {
    const QStringList problemes = BaseCompagnie::Verifier(etat.dossier);
    if (!problemes.isEmpty()) {
      etat.bilanEndommagement =
          QStringLiteral(
              "Le fichier de la compagnie est endommagé (vérification complète "
              ": %1 problème(s), "
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
inline std::int32_t Garde(EtatCompagnie& etat, F&& f) {
  try {
    return TraduireSqlite(std::forward<F>(f));
  } catch (const ErreurBase& e) {
    if (e.statut() == statuts::kCompagnieEndommagee) {
      Endommagee(etat);
    }
    return e.statut();
  }
}

// Commits the posting's transaction. Nothing more is written into a damaged
// file, a commit included: the posting is then rolled back.
inline std::int32_t ValiderPostage(EtatCompagnie& etat) {
  if (etat.endommagee) {
    return etat.base->AnnulerPostage() ? statuts::kCompagnieEndommagee : kSucces;
  }
  return Garde(etat, [&] {
    etat.base->ValiderPostage();
    return kSucces;
  });
}

// The record operations every object of the built-in company shares, over
// one table and a buffer of its columns. Each add or modify is one write of
// the posting's transaction (BaseCompagnie::Ecriture).
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
    return Operer(Besoin::Lecture, [&] {
      if (noCle != 1 || table_.cle.isEmpty()) {
        return statuts::kCleInconnue;
      }
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
    return Operer(Besoin::Lecture, [&] {
      if (!ChargerPosition(position)) {
        Vider();
        return kIntrouvable;
      }
      return kSucces;
    });
  }

  std::int32_t Reserver(std::int32_t position) override {
    return Operer(Besoin::Ecriture, [&] {
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
    return Operer(Besoin::Ecriture, [&] {
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
    const std::int32_t statut = Operer(Besoin::Ecriture, [&] {
      if (reservation_ != Reservation::Nouvelle) {
        return statuts::kAjoutSansReservation;
      }
      if (const std::int32_t s = AvantAjout()) {
        return s;
      }
      std::int64_t position = 0;
      etat_->base->Ecriture([&] {
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
    return Operer(Besoin::Ecriture, [&] {
      if (reservation_ != Reservation::Existante) {
        return statuts::kModificationSansReservation;
      }
      std::int32_t statut = kSucces;
      etat_->base->Ecriture([&] {
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

  // Has no status to give: a failure is thrown.
  std::int32_t NombreEnregistrements() override {
    std::int32_t nombre = 0;
    const std::int32_t statut = Operer(Besoin::Lecture, [&] {
      Requete r(Db(), QStringLiteral("SELECT COUNT(*) FROM %1").arg(table_.nom));
      r.Suivante();
      nombre = static_cast<std::int32_t>(r.Entier(0));
      return kSucces;
    });
    if (statut != kSucces) {
      Lever(statut);
    }
    return nombre;
  }

  std::int32_t NombreCharges() override { return static_cast<std::int32_t>(charges_.size()); }

  std::int32_t ChargerPlage(std::int32_t premier, std::int32_t dernier) override {
    return Operer(Besoin::Lecture, [&] {
      charges_.clear();
      if (premier < 1 || dernier < premier) {
        return statuts::kPlageInvalide;
      }
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
  // What an operation does to the company: a write needs a table open to it.
  enum class Besoin { Lecture, Ecriture };

  // What every record operation goes through: the last failure's reason is
  // forgotten, access is checked, and a database failure becomes its status.
  template <class Corps>
  std::int32_t Operer(Besoin besoin, Corps&& corps) {
    etat_->raison.clear();
    if (const std::int32_t a = besoin == Besoin::Ecriture ? AccesEcriture() : Acces()) {
      return a;
    }
    return Garde(*etat_, std::forward<Corps>(corps));
  }

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

}  // namespace brivane::company::integre
