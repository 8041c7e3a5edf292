#include "acomba/BackEndAcomba.h"

#include "document/Client.h"
#include "document/Item.h"

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace brivane::acomba {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

constexpr std::int32_t kCleNumero = 1;
constexpr std::int32_t kLigneTaxe = 8;
constexpr std::int32_t kNumeroLigneFederale = 991;
constexpr std::int32_t kNumeroLigneProvinciale = 992;

[[noreturn]] void Depassement() {
  throw ErreurInattendue(BackEndAcomba::kDepassementCapacite,
                         QStringLiteral("Dépassement de capacité."));
}

// Adds a line's amount to a tax total; an infinite or undefined total would
// reach the books as a tax amount, so it fails the posting instead.
void Cumuler(double& total, double montant) {
  total += montant;
  if (!std::isfinite(total)) {
    Depassement();
  }
}

// The largest rate a tax record can give, as a fraction of the total.
constexpr double kTauxMaximal = std::numeric_limits<std::int32_t>::max() / 10000.0;

// The amounts each tax applies to.
struct TotauxTaxes {
  double federal = 0;
  double provincial = 0;
};

TotauxTaxes Totaliser(const std::vector<std::shared_ptr<Item>>& lignes) {
  TotauxTaxes totaux;
  for (const auto& ligne : lignes) {
    const double montant = ligne->Quantite() * ligne->Cout();
    if (ligne->TaxableFederal()) {
      Cumuler(totaux.federal, montant);
    }
    if (ligne->TaxableProvincial()) {
      Cumuler(totaux.provincial, montant);
    }
  }
  return totaux;
}

}  // namespace

BackEndAcomba::BackEndAcomba(ComSoum& document, std::shared_ptr<Fournisseur> fournisseur)
    : BackEnd(document), fournisseur_(std::move(fournisseur)) {}

QString BackEndAcomba::MessageSdk(std::int32_t statut) const {
  return QString::number(statut) + u' ' + session_->TexteErreur(statut);
}

bool BackEndAcomba::Ouvrir() {
  return Proteger([this] {
    session_ = Creer<SessionSdk>(*fournisseur_);
    demarrage_ = Creer<DemarrageSdk>(*fournisseur_);
    utilisateur_ = Creer<UtilisateurSdk>(*fournisseur_);

    if (demarrage_->Demarrer(demarrage_->ValeurDemarrage()) != kSucces) {
      RemplacerMessage(QStringLiteral("Impossible de se connecter à la base de donnée."));
      return false;
    }
    if (session_->VerifierCompagnie(cheminCie()) == 0) {
      RemplacerMessage(MessageSdk(0));
      return false;
    }
    std::int32_t statut = session_->OuvrirCompagnie(cheminApp(), cheminCie());
    if (statut != kSucces) {
      RemplacerMessage(MessageSdk(statut));
      return false;
    }
    utilisateur_->CleRecherche(utilisateur());
    statut = utilisateur_->Trouver(kCleNumero, false);
    if (statut == kSucces) {
      statut = session_->Connecter(utilisateur_->Numero(), motDePasse());
    }
    if (statut != kSucces) {
      RemplacerMessage(MessageSdk(statut));
      // The company is open but nobody may use it: let it go rather than leave
      // it open until the document is released.
      session_->FermerCompagnie();
      return false;
    }
    // Our own extension: an installed SDK does not provide it.
    try {
      registre_ = Creer<RegistreImportationsSdk>(*fournisseur_);
    } catch (const ErreurSdk& e) {
      if (e.numero() != ErreurSdk::kClasseNonEnregistree &&
          e.numero() != ErreurSdk::kInterfaceNonPriseEnCharge) {
        throw;
      }
    }
    if (!registre_ && importation().exigerRegistre) {
      SignalerSansRegistre();
      session_->FermerCompagnie();
      return false;
    }
    return true;
  });
}

void BackEndAcomba::FermerSessionAcomba() {
  if (session_) {
    session_->FermerCompagnie();  // nothing to report: the posting is over
  }
}

void BackEndAcomba::EcrireChampsClient(ClientSdk& objet) const {
  Client& c = *client();
  objet.Constante1(1);
  objet.Nom(c.Nom());
  objet.Adresse(c.Adresse());
  objet.Ville(c.Ville());
  objet.Courriel(1, c.Courriel());
  objet.Constante2(12);
  objet.Telephone(1, c.NoTelephone());
  objet.Telephone(2, c.NoFax());
  objet.CodePostal(c.CP());
  objet.Province(c.Province());
  objet.AuSoinDe(c.AuSoinDe());
  objet.Pays(c.pays());
}

bool BackEndAcomba::Verifier() {
  return Proteger([this] {
    // A content already posted is reported as such, before any other check.
    if (!ConsulterRegistre()) {
      return false;
    }
    const auto& details = lignes();
    if (details.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 2)) {
      Depassement();
    }
    const auto n = static_cast<std::int32_t>(details.size());

    auto preVerification = Creer<PreVerificationSdk>(*fournisseur_);
    const std::int32_t pret = preVerification->LireAPosition(1);
    if (pret != kSucces) {
      RemplacerMessage(MessageSdk(pret));
      return false;
    }

    // The SDK refuses a line number beyond its limit only when the line is
    // written: the last one is tried now, in a buffer the invoice step resets.
    // Its answer to a line beyond the limit is an invalid argument; any other
    // failure is unexpected, as everywhere else.
    transaction_ = Creer<TransactionSdk>(*fournisseur_);
    try {
      transaction_->NumeroLigne(n + 2, kNumeroLigneProvinciale);
    } catch (const ErreurSdk& e) {
      if (e.numero() != ErreurSdk::kArgumentInvalide) {
        throw;
      }
      RemplacerMessage(QStringLiteral("La facture compte %1 lignes de détail, plus que le système "
                                      "comptable n'en accepte (%2). Rien n'a été écrit.")
                           .arg(QString::number(n), e.description()));
      return false;
    }

    // Tax totals, and the tax amounts where a rate could take them past a double.
    const TotauxTaxes totaux = Totaliser(details);
    const auto verifierTaxe = [&](const QString& code, double total) {
      if (std::isfinite(total * kTauxMaximal)) {
        return;
      }
      auto taxe = Creer<TaxeSdk>(*fournisseur_);
      taxe->CleRecherche(code);
      if (taxe->Trouver(kCleNumero, true) == kSucces &&
          !std::isfinite((taxe->Taux(1) / 10000.0) * total)) {
        Depassement();
      }
    };
    verifierTaxe(QString::fromUtf16(kTaxeFederale), totaux.federal);
    verifierTaxe(QString::fromUtf16(kTaxeProvinciale), totaux.provincial);

    noVendeur_ = ChercherVendeur();

    // A new product needs its group; groups are few, each is looked up once.
    // Only the first line of a code adds it: a later line finds it.
    std::unique_ptr<ProduitSdk> produit;
    std::unique_ptr<GroupeProduitSdk> groupe;
    std::map<std::int32_t, bool> groupes;
    std::set<QString> codes;
    for (const auto& ligne : details) {
      if (!codes.insert(ligne->code()).second) {
        continue;
      }
      if (TrouverProduit(produit, ligne->code(), false) != kIntrouvable) {
        continue;
      }
      const auto [connu, premiereFois] = groupes.try_emplace(ligne->GroupeProduit(), false);
      if (premiereFois) {
        if (!groupe) {
          groupe = Creer<GroupeProduitSdk>(*fournisseur_);
        }
        groupe->CleRecherche(ligne->GroupeProduit());
        connu->second = groupe->Trouver(kCleNumero, false) == kSucces;
      }
      if (!connu->second) {
        RemplacerMessage(QStringLiteral("code de groupe de produit non trouvé"));
        return false;
      }
    }
    return true;
  });
}

QString BackEndAcomba::DejaEcrit() const {
  // In one transaction, what was written is rolled back when the step fails.
  return registre_ ? QString() : TexteEcrit();
}

QString BackEndAcomba::TexteEcrit() const {
  if (clientEcrit_.isEmpty() && produitsAjoutes_ == 0 && !factureEcrite_) {
    return {};
  }
  QStringList faits;
  if (!clientEcrit_.isEmpty()) {
    faits << QStringLiteral("le client « %1 » (%2)").arg(client()->Numero(), clientEcrit_);
  }
  if (produitsAjoutes_ > 0) {
    faits << QStringLiteral("%1 produit(s) ajouté(s)").arg(produitsAjoutes_);
  }
  if (factureEcrite_) {
    faits << QStringLiteral("la facture");
    return kCrLf + QStringLiteral("Déjà écrit dans la compagnie : %1.")
                       .arg(faits.join(QStringLiteral(", ")));
  }
  return kCrLf + QStringLiteral("Déjà écrit dans la compagnie : %1. La facture n'a pas été écrite.")
                     .arg(faits.join(QStringLiteral(", ")));
}

bool BackEndAcomba::ClientAjouteEntreTemps(ClientSdk& objet, const QString& numero) {
  objet.Liberer();
  objet.CleRecherche(numero);
  return objet.Trouver(kCleNumero, true) == kSucces && objet.NumeroClient() == numero;
}

std::int32_t BackEndAcomba::TrouverProduit(std::unique_ptr<ProduitSdk>& produit,
                                           const QString& code, bool option) {
  if (!produit) {
    produit = Creer<ProduitSdk>(*fournisseur_);
  }
  produit->Liberer();
  produit->CleRecherche(code);
  return produit->Trouver(kCleNumero, option);
}

bool BackEndAcomba::EnregistrerClient() {
  return Proteger([this] {
    const QString numero = client()->Numero();
    auto objet = Creer<ClientSdk>(*fournisseur_);
    objet->Vider();
    objet->CleRecherche(numero);
    const std::int32_t trouve = objet->Trouver(kCleNumero, true);
    const QString numeroLu = objet->NumeroClient();
    // Exact comparison: a number that differs in case is another customer.
    const bool nouveau = trouve == kIntrouvable && numeroLu != numero;

    if (nouveau) {
      objet->Liberer();
      objet->CleRecherche(numero);
      objet->NumeroClient(numero);
      objet->Constante3(2400);
      const std::int32_t reserve = objet->ReserverNouveau();
      std::int32_t ajout = reserve;
      if (reserve == kSucces) {
        EcrireChampsClient(*objet);
        ajout = objet->Ajouter();
        if (ajout == kSucces) {
          SignalerEcriture();
          clientEcrit_ = QStringLiteral("ajouté");
          return true;
        }
        objet->AnnulerNouveau();
      }
      // Another import may have added the same customer since the find: it is
      // then updated like any customer found.
      if (!ClientAjouteEntreTemps(*objet, numero)) {
        RemplacerMessage(reserve != kSucces ? MessageSdk(reserve)
                                            : QStringLiteral("Erreur d'insertion du client.") +
                                                  kCrLf + MessageSdk(ajout));
        return false;
      }
    }

    const std::int32_t reserve = objet->Reserver(objet->Position());
    if (reserve != kSucces) {
      RemplacerMessage(MessageSdk(reserve));
      return false;
    }
    EcrireChampsClient(*objet);
    if (const std::int32_t statut = objet->Modifier(true); statut != kSucces) {
      RemplacerMessage(QStringLiteral("Erreur d'insertion du client.") + kCrLf +
                       MessageSdk(statut));
      objet->Liberer();
      return false;
    }
    SignalerEcriture();
    clientEcrit_ = QStringLiteral("mis à jour");
    return true;
  });
}

bool BackEndAcomba::EnregistrerProduits() {
  return Proteger([this] {
    if (!ConsulterRegistre()) {
      return false;
    }
    std::unique_ptr<ProduitSdk> produit;
    std::unique_ptr<GroupeProduitSdk> groupe;
    bool resultat = true;
    QString message;  // of the last failed add
    for (const auto& pointeur : lignes()) {
      const Item& ligne = *pointeur;
      // Any answer but "not found" leaves the product alone: existing products
      // are never rewritten.
      if (TrouverProduit(produit, ligne.code(), false) != kIntrouvable) {
        continue;
      }
      produit->Liberer();
      produit->CleRecherche(ligne.code());
      produit->ReserverNouveau();
      produit->NumeroProduit(ligne.code());

      if (!groupe) {
        groupe = Creer<GroupeProduitSdk>(*fournisseur_);
      }
      groupe->CleRecherche(ligne.GroupeProduit());
      if (groupe->Trouver(kCleNumero, false) != kSucces) {
        RemplacerMessage(QStringLiteral("code de groupe de produit non trouvé") + DejaEcrit());
        produit->AnnulerNouveau();
        return false;
      }
      produit->NoGroupe(groupe->NoGroupe());
      produit->Constante1(1);
      produit->Description(1, ligne.Description());
      produit->Localisation(ligne.Localisation());
      produit->SousGroupe(ligne.SousGroupe());
      produit->Prix(0, ligne.Cout());
      produit->Prix(1, ligne.Cout());
      produit->Format(ligne.Format());

      const std::int32_t statut = produit->Ajouter();
      if (statut == kSucces) {
        SignalerEcriture();
        ++produitsAjoutes_;
      } else {
        produit->AnnulerNouveau();
        // Added meanwhile by another import: the product exists, which is all
        // this step wants.
        if (TrouverProduit(produit, ligne.code(), false) != kSucces) {
          resultat = false;
          message = QStringLiteral("Erreur d'insertion du produit ") + ligne.code() + kCrLf +
                    session_->TexteErreur(statut);
        }
      }
    }
    if (!resultat) {
      RemplacerMessage(message + DejaEcrit());
    }
    return resultat;
  });
}

std::optional<std::int32_t> BackEndAcomba::ChercherVendeur() {
  auto vendeur = Creer<VendeurSdk>(*fournisseur_);
  const std::int32_t nombre = vendeur->NombreEnregistrements();
  const std::int32_t statut = vendeur->ChargerPlage(1, nombre);
  if (vendeur->NombreCharges() <= 0 || statut != kSucces) {
    return std::nullopt;
  }
  // Blanks count: only the letter case is ignored.
  const QString cherche = client()->Vendeur().toUpper();
  const std::int32_t total = vendeur->NombreEnregistrements();
  for (std::int32_t i = 1; i <= total; ++i) {
    vendeur->Selectionner(i);
    if (vendeur->Code().toUpper() == cherche) {
      return vendeur->Numero();
    }
  }
  return std::nullopt;
}

bool BackEndAcomba::EnregistrerFacture() {
  return Proteger([this] {
    std::unique_ptr<TransactionSdk> transaction =
        transaction_ ? std::move(transaction_) : Creer<TransactionSdk>(*fournisseur_);
    transaction->Reinitialiser();

    auto preVerification = Creer<PreVerificationSdk>(*fournisseur_);
    const std::int32_t pret = preVerification->LireAPosition(1);
    if (pret != kSucces) {
      RemplacerMessage(MessageSdk(pret) + DejaEcrit());
      return false;
    }

    const auto& details = lignes();
    if (details.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 2)) {
      Depassement();
    }
    const auto n = static_cast<std::int32_t>(details.size());
    Client& c = *client();
    const std::int32_t type = soumission() ? 4 : 2;

    transaction->TypeTransaction(type);
    transaction->ConstanteEntete1(1);
    transaction->ConstanteEntete2(1);
    transaction->NumeroClient(c.Numero());
    transaction->NombreLignes(n + 2);

    std::unique_ptr<ProduitSdk> produit;
    for (std::int32_t k = 1; k <= n; ++k) {
      const Item& ligne = *details[static_cast<std::size_t>(k - 1)];
      transaction->TypeLigne(k, type);
      transaction->NumeroLigne(k, k);
      if (TrouverProduit(produit, ligne.code(), true) == kSucces) {
        transaction->ReferenceArticle(k, produit->Position());
      }
      transaction->CodeArticle(k, ligne.code());
      transaction->DescriptionLigne(k, ligne.Description());
      transaction->PrixUnitaire(k, ligne.Cout());
      transaction->Quantite(k, ligne.Quantite());
      transaction->GroupeLigne(k, produit->NoGroupe());
    }

    auto taxe = Creer<TaxeSdk>(*fournisseur_);
    const auto ligneTaxe = [&](std::int32_t k, std::int32_t numero, const QString& code,
                               double total) {
      taxe->Vider();
      transaction->TypeLigne(k, kLigneTaxe);
      transaction->NumeroLigne(k, numero);
      transaction->CodeArticle(k, code);
      taxe->CleRecherche(code);
      if (taxe->Trouver(kCleNumero, true) == kSucces) {
        transaction->ReferenceArticle(k, taxe->Reference());
        transaction->TaxeLigne(k, taxe->ValeurTaxe());
        const double montant = (taxe->Taux(1) / 10000.0) * total;
        if (!std::isfinite(montant)) {
          Depassement();
        }
        transaction->Montant(k, montant);
      }
    };
    const TotauxTaxes totaux = Totaliser(details);
    ligneTaxe(n + 1, kNumeroLigneFederale, QString::fromUtf16(kTaxeFederale), totaux.federal);
    ligneTaxe(n + 2, kNumeroLigneProvinciale, QString::fromUtf16(kTaxeProvinciale),
              totaux.provincial);

    transaction->NomFacturation(c.Nom());
    transaction->AuSoinDeFacturation(c.AuSoinDe());
    transaction->AdresseFacturation(c.Adresse());
    transaction->VilleFacturation(c.Ville());
    transaction->CodePostalFacturation(c.CP());
    transaction->PaysFacturation(QStringLiteral("ca"));
    transaction->NomLivraison(c.Noml());
    transaction->AuSoinDeLivraison(c.AuSoinDel());
    transaction->AdresseLivraison(c.Adressel());
    transaction->VilleLivraison(c.Villel());
    transaction->CodePostalLivraison(c.CPl());
    transaction->PaysLivraison(QStringLiteral("ca"));
    transaction->Conditions(c.Condition());

    // Looked up by Verifier, before anything was written.
    if (noVendeur_) {
      transaction->NoVendeur(*noVendeur_);
    }

    transaction->Miroir1(transaction->TypeTransaction());
    transaction->Miroir2(transaction->Source2());

    const std::int32_t reserve = transaction->ReserverNouveau();
    if (reserve != kSucces) {
      RemplacerMessage(MessageSdk(reserve) + DejaEcrit());
      return false;
    }
    transaction->Miroir3(transaction->Source3());

    const std::int32_t ajout = transaction->Ajouter();
    if (ajout != kSucces) {
      transaction->AnnulerNouveau();
      // Reported through Message only: the caller shows it.
      RemplacerMessage(MessageSdk(ajout) + DejaEcrit());
      return false;
    }
    SignalerEcriture();
    factureEcrite_ = true;
    // After the add: the company may have given another number than reserved.
    const QString numero = transaction->Source3();
    SignalerNumeroDocument(numero);
    return NoterRegistre(numero);
  });
}

}  // namespace brivane::acomba
