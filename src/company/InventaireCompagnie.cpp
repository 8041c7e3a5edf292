#include "company/InventaireCompagnie.h"

#include "company/BaseCompagnie.h"

#include <QLocale>

namespace brivane::company {

namespace {

std::int32_t I(const Requete& r, int i) { return static_cast<std::int32_t>(r.Entier(i)); }

QString Nombre(const QVariant& v) {
  if (v.isNull()) {
    return QStringLiteral("—");
  }
  if (v.typeId() == QMetaType::Double) {
    return QLocale(QLocale::French, QLocale::Canada).toString(v.toDouble(), 'g', 12);
  }
  return v.toString();
}

QString Argent(double v) {
  return QLocale(QLocale::French, QLocale::Canada).toString(v, 'f', 2) + QStringLiteral(" $");
}

}  // namespace

InventaireCompagnie InventaireCompagnie::Lire(const QString& dossier) try {
  auto base = BaseCompagnie::Ouvrir(dossier, true);
  sqlite3* db = base->db();
  InventaireCompagnie inv;
  {
    Requete r(db, QStringLiteral("SELECT nom FROM compagnie WHERE position = 1"));
    if (r.Suivante()) {
      inv.nom = r.Texte(0);
    }
  }
  {
    Requete r(db, QStringLiteral("SELECT code FROM utilisateur ORDER BY numero"));
    while (r.Suivante()) {
      inv.utilisateurs.push_back(r.Texte(0));
    }
  }
  {
    Requete r(db, QStringLiteral("SELECT numero, description FROM groupe_produit ORDER BY numero"));
    while (r.Suivante()) {
      inv.groupes.emplace_back(I(r, 0), r.Texte(1));
    }
  }
  {
    Requete r(db, QStringLiteral("SELECT numero, nom, adresse, ville, province, code_postal, pays, "
                                 "telephone_1, telephone_2, courriel_1, au_soin_de FROM client "
                                 "ORDER BY position"));
    while (r.Suivante()) {
      inv.clients.push_back({r.Texte(0), r.Texte(1), r.Texte(2), r.Texte(3), r.Texte(4), r.Texte(5),
                             r.Texte(6), r.Texte(7), r.Texte(8), r.Texte(9), r.Texte(10)});
    }
  }
  {
    Requete r(db, QStringLiteral("SELECT numero, description_1, groupe, prix_1, format, "
                                 "sous_groupe, localisation FROM produit ORDER BY position"));
    while (r.Suivante()) {
      inv.produits.push_back({r.Texte(0), r.Texte(1), I(r, 2), r.Valeur(3).toDouble(), r.Texte(4),
                              r.Texte(5), r.Texte(6)});
    }
  }
  {
    Requete r(db, QStringLiteral(
                      "SELECT t.position, t.numero, t.type, t.client, t.nombre_lignes, "
                      "t.nom_facturation, t.adresse_facturation, t.ville_facturation, "
                      "t.code_postal_facturation, t.pays_facturation, t.nom_livraison, "
                      "t.adresse_livraison, t.ville_livraison, t.code_postal_livraison, "
                      "t.pays_livraison, t.conditions, t.vendeur, v.code, t.miroir_3, t.ajoutee_le "
                      "FROM transac t LEFT JOIN vendeur v ON v.numero = t.vendeur "
                      "ORDER BY t.position"));
    Requete l(db,
              QStringLiteral("SELECT ligne, type, numero_ligne, reference, code, description, "
                             "prix_unitaire, quantite, groupe, taxe, montant FROM ligne_transac "
                             "WHERE transac = ? ORDER BY ligne"));
    while (r.Suivante()) {
      Transaction t;
      t.numero = r.Texte(1);
      t.type = I(r, 2);
      t.client = r.Texte(3);
      t.nombreLignes = I(r, 4);
      t.nomFacturation = r.Texte(5);
      t.adresseFacturation = r.Texte(6);
      t.villeFacturation = r.Texte(7);
      t.codePostalFacturation = r.Texte(8);
      t.paysFacturation = r.Texte(9);
      t.nomLivraison = r.Texte(10);
      t.adresseLivraison = r.Texte(11);
      t.villeLivraison = r.Texte(12);
      t.codePostalLivraison = r.Texte(13);
      t.paysLivraison = r.Texte(14);
      t.conditions = r.Texte(15);
      t.vendeur = r.Valeur(16);
      t.codeVendeur = r.Texte(17);
      t.miroir3 = r.Texte(18);
      t.ajouteeLe = r.Texte(19);
      l.Lier(1, r.Valeur(0));
      while (l.Suivante()) {
        t.lignes.push_back({I(l, 0), I(l, 1), l.Valeur(2), l.Valeur(3), l.Valeur(4), l.Valeur(5),
                            l.Valeur(6), l.Valeur(7), l.Valeur(8), l.Valeur(9), l.Valeur(10)});
      }
      l.Reinitialiser();
      inv.transactions.push_back(std::move(t));
    }
  }
  Requete version(db, QStringLiteral("PRAGMA user_version"));
  if (version.Suivante() && version.Entier(0) >= 2) {
    Requete r(db, QStringLiteral("SELECT empreinte, journal, numero_journal, moment, "
                                 "numero_document FROM importation ORDER BY position"));
    while (r.Suivante()) {
      inv.importations.push_back({r.Texte(0), r.Texte(1), r.Entier(2), r.Texte(3), r.Texte(4)});
    }
  }
  return inv;
} catch (const platform::sqlite::ErreurSqlite& e) {
  throw ErreurBase(e);
}

QString InventaireCompagnie::Decrire() const {
  QString s;
  const auto ligne = [&s](const QString& texte) { s += texte + u'\n'; };
  ligne(QStringLiteral("Compagnie : %1").arg(nom));
  QStringList codes(utilisateurs.begin(), utilisateurs.end());
  ligne(QStringLiteral("Utilisateurs : %1").arg(codes.join(QStringLiteral(", "))));
  QStringList g;
  for (const auto& [numero, description] : groupes) {
    g << QStringLiteral("%1 %2").arg(QString::number(numero), description);
  }
  ligne(QStringLiteral("Groupes de produit : %1").arg(g.join(QStringLiteral(", "))));

  ligne(QString());
  ligne(QStringLiteral("Clients (%1)").arg(clients.size()));
  for (const Client& c : clients) {
    ligne(QStringLiteral("  %1  %2, %3, %4 %5 %6 %7")
              .arg(c.numero, c.nom, c.adresse, c.ville, c.province, c.codePostal, c.pays));
    ligne(QStringLiteral("        tél. %1  fax %2  courriel %3  à l'attention de %4")
              .arg(c.telephone, c.fax, c.courriel, c.auSoinDe));
  }

  ligne(QString());
  ligne(QStringLiteral("Produits (%1)").arg(produits.size()));
  for (const Produit& p : produits) {
    ligne(QStringLiteral("  %1  %2  groupe %3  prix %4  format %5  sous-groupe %6  "
                         "localisation %7")
              .arg(p.numero, p.description, QString::number(p.groupe), Argent(p.prix), p.format,
                   p.sousGroupe, p.localisation));
  }

  ligne(QString());
  ligne(QStringLiteral("Factures (%1)").arg(transactions.size()));
  for (const Transaction& t : transactions) {
    const QString vendeurTexte =
        t.vendeur.isNull() ? QStringLiteral("aucun")
                           : QStringLiteral("%1 %2").arg(t.vendeur.toString(), t.codeVendeur);
    ligne(QStringLiteral("  Facture %1  type %2  client %3  %4 lignes  vendeur %5  "
                         "conditions %6  ajoutée le %7")
              .arg(t.numero, QString::number(t.type), t.client, QString::number(t.nombreLignes),
                   vendeurTexte, t.conditions, t.ajouteeLe));
    ligne(QStringLiteral("    Facturer à : %1, %2, %3 %4 %5")
              .arg(t.nomFacturation, t.adresseFacturation, t.villeFacturation,
                   t.codePostalFacturation, t.paysFacturation));
    ligne(QStringLiteral("    Livrer à : %1, %2, %3 %4 %5")
              .arg(t.nomLivraison, t.adresseLivraison, t.villeLivraison, t.codePostalLivraison,
                   t.paysLivraison));
    for (const Ligne& l : t.lignes) {
      if (l.type == 8) {
        ligne(QStringLiteral("    %1. taxe %2 (%3)  montant %4")
                  .arg(QString::number(l.ligne), l.code.toString(), Nombre(l.numeroLigne),
                       l.montant.isNull() ? QStringLiteral("—") : Argent(l.montant.toDouble())));
      } else {
        ligne(QStringLiteral("    %1. %2  %3  quantité %4  prix %5  groupe %6  référence %7")
                  .arg(QString::number(l.ligne), l.code.toString(), l.description.toString(),
                       Nombre(l.quantite), Nombre(l.prixUnitaire), Nombre(l.groupe),
                       Nombre(l.reference)));
      }
    }
  }

  ligne(QString());
  ligne(QStringLiteral("Importations (%1)").arg(importations.size()));
  for (const Importation& i : importations) {
    ligne(QStringLiteral("  %1  facture %2  importation n° %3 (%4)  contenu %5")
              .arg(i.moment, i.numeroDocument, QString::number(i.numero), i.journal,
                   i.empreinte.left(16)));
  }
  return s;
}

}  // namespace brivane::company
