#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <vector>

namespace brivane::company {

// What a built-in company holds, read for people: customers, products, the
// posted transactions with their lines and the record of imports. Fields the posting left unwritten
// read as null QVariants.
struct InventaireCompagnie {
  struct Client {
    QString numero, nom, adresse, ville, province, codePostal, pays, telephone, fax, courriel,
        auSoinDe;
  };
  struct Produit {
    QString numero, description;
    std::int32_t groupe = 0;
    double prix = 0;
    QString format, sousGroupe, localisation;
  };
  struct Ligne {
    std::int32_t ligne = 0;
    std::int32_t type = 0;
    QVariant numeroLigne, reference, code, description, prixUnitaire, quantite, groupe, taxe,
        montant;
  };
  struct Transaction {
    QString numero;
    std::int32_t type = 0;
    QString client;
    std::int32_t nombreLignes = 0;
    QString nomFacturation, adresseFacturation, villeFacturation, codePostalFacturation,
        paysFacturation;
    QString nomLivraison, adresseLivraison, villeLivraison, codePostalLivraison, paysLivraison;
    QString conditions;
    QVariant vendeur;  // number, null when none was written
    QString codeVendeur;
    QString miroir3;
    QString ajouteeLe;
    std::vector<Ligne> lignes;
  };

  struct Importation {
    QString empreinte, journal;
    std::int64_t numero = 0;
    QString moment, numeroDocument;
  };

  QString nom;
  std::vector<QString> utilisateurs;
  std::vector<std::pair<std::int32_t, QString>> groupes;
  std::vector<Client> clients;
  std::vector<Produit> produits;
  std::vector<Transaction> transactions;
  std::vector<Importation> importations;  // none in a company of layout 1

  // Reads the company of dossier without changing it. Throws ErreurBase.
  static InventaireCompagnie Lire(const QString& dossier);
  // The inventory as French text, one block per kind of record.
  QString Decrire() const;
};

}  // namespace brivane::company
