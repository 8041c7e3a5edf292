#pragma once

#include "document/ErreurInattendue.h"
#include "document/RegistreImportation.h"

#include <QString>

#include <cstdint>
#include <memory>

// The accounting SDK as the back end sees it: a narrow interface of our own
// with only the objects, operations and fields the posting uses. Business
// outcomes come back as status numbers (0 success, 10 not found, anything else
// an error the session can describe); a call that fails below that level
// throws ErreurSdk.
namespace brivane::acomba {

// Identifiers of the SDK's classes and interfaces. Only the first group
// differs; every identifier ends in -0000-000F-1000-000AC0BA1001.
struct Identifiant {
  std::uint32_t classe;
  std::uint32_t interface_;
};

namespace identifiants {
inline constexpr Identifiant kSession{0x00000072, 0x00000071};
inline constexpr Identifiant kDemarrage{0x00000115, 0x00000114};
inline constexpr Identifiant kUtilisateur{0x00000076, 0x00000075};
inline constexpr Identifiant kClient{0x000000DA, 0x000000D9};
inline constexpr Identifiant kProduit{0x000000BE, 0x000000BD};
inline constexpr Identifiant kGroupeProduit{0x000000C0, 0x000000BF};
inline constexpr Identifiant kTransaction{0x000000E4, 0x000000E3};
inline constexpr Identifiant kTaxe{0x0000007A, 0x00000079};
inline constexpr Identifiant kVendeur{0x000000D2, 0x000000D1};
inline constexpr Identifiant kPreVerification{0x000000CE, 0x000000CD};
// Our own extension: no SDK but the built-in company provides it.
inline constexpr Identifiant kRegistreImportations{0x00000B01, 0x00000B00};
// Interfaces every object from the user object on extends.
inline constexpr std::uint32_t kInterfaceEnregistrementCle = 0x0000006F;
inline constexpr std::uint32_t kInterfaceEnregistrement = 0x0000006D;
}  // namespace identifiants

// The full registry form of an identifier, e.g. {00000072-0000-000F-1000-000AC0BA1001}.
QString TexteIdentifiant(std::uint32_t premierGroupe);

// Statuses every SDK implementation shares.
inline constexpr std::int32_t kSucces = 0;
inline constexpr std::int32_t kIntrouvable = 10;

// A call that failed below the level of business statuses. Numbers are
// HRESULT-like where the failure is the plumbing's own.
class ErreurSdk : public ErreurInattendue {
 public:
  static constexpr std::int32_t kClasseNonEnregistree = static_cast<std::int32_t>(0x80040154);
  static constexpr std::int32_t kInterfaceNonPriseEnCharge = static_cast<std::int32_t>(0x80004002);
  static constexpr std::int32_t kArgumentInvalide = static_cast<std::int32_t>(0x80070057);

  using ErreurInattendue::ErreurInattendue;
};

class ObjetSdk {
 public:
  virtual ~ObjetSdk() = default;
};

// The record interface: one record buffer over one table of the company, and
// at most one reservation. Every operation returning a status answers
// kSucces (0) or the implementation's business status, and throws ErreurSdk
// only for a failure below that level. The buffer's fields are the setters and
// getters of the derived interfaces.
class Enregistrement : public ObjetSdk {
 public:
  // Empties the buffer; no record is current. Reservations are kept.
  virtual void Vider() = 0;
  // As Vider, and forgets any reservation and loaded range without writing.
  virtual void Reinitialiser() = 0;
  // Loads the record at the 1-based position; kIntrouvable (buffer emptied)
  // when there is none.
  virtual std::int32_t LireAPosition(std::int32_t position) = 0;
  // Loads the record at the position and reserves it for Modifier;
  // kIntrouvable when there is none.
  virtual std::int32_t Reserver(std::int32_t position) = 0;
  // Reserves the buffer for Ajouter; refused when its search key is already
  // held by a record.
  virtual std::int32_t ReserverNouveau() = 0;
  // Writes the buffer as a new record, whole or not at all, and ends the
  // reservation; refused without a ReserverNouveau first.
  virtual std::int32_t Ajouter() = 0;
  // Writes the whole buffer over the reserved record, whole or not at all;
  // liberer also ends the reservation. Refused without a Reserver first;
  // kIntrouvable when the record went since it was reserved.
  virtual std::int32_t Modifier(bool liberer) = 0;
  // Ends any reservation without writing; always kSucces.
  virtual std::int32_t Liberer() = 0;
  // Ends a ReserverNouveau without writing; always kSucces.
  virtual std::int32_t AnnulerNouveau() = 0;
  // The position of the record last read or written; 0 when none.
  virtual std::int32_t Position() = 0;
  // How many records the table holds; throws ErreurSdk when it cannot say.
  virtual std::int32_t NombreEnregistrements() = 0;
  // How many records the last ChargerPlage loaded.
  virtual std::int32_t NombreCharges() = 0;
  // Loads the records of 1-based positions premier to dernier (fewer at the
  // end of the table) for Selectionner, and empties the buffer.
  virtual std::int32_t ChargerPlage(std::int32_t premier, std::int32_t dernier) = 0;
  // Puts the index-th loaded record (1-based) in the buffer; empties the
  // buffer when there is no such record.
  virtual void Selectionner(std::int32_t index) = 0;
};

// The keyed-record interface.
class EnregistrementCle : public Enregistrement {
 public:
  // Looks the search key up; 0 found (the buffer holds the record), 10 not found.
  virtual std::int32_t Trouver(std::int32_t noCle, bool option) = 0;
};

// The session: one company open and one user logged in at a time.
class SessionSdk : public ObjetSdk {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kSession;
  // 0 when the folder is not a usable company; non-zero when it is.
  virtual std::int32_t VerifierCompagnie(const QString& cheminCie) = 0;
  // Opens the company of cheminCie (closing any open one): a status.
  virtual std::int32_t OuvrirCompagnie(const QString& cheminApp, const QString& cheminCie) = 0;
  // Logs the user in on the open company: a status.
  virtual std::int32_t Connecter(std::int32_t noUtilisateur, const QString& motDePasse) = 0;
  // The French text of a status, saying what the last failed call knew.
  virtual QString TexteErreur(std::int32_t statut) = 0;
  // Closes the open company and logs its user out: a status (refused when
  // none is open). A provider that holds the posting's writes in one
  // transaction commits it here, and answers a failure, with nothing kept,
  // when it cannot.
  virtual std::int32_t FermerCompagnie() = 0;
};

class DemarrageSdk : public ObjetSdk {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kDemarrage;
  // The value to hand back to Demarrer.
  virtual std::int32_t ValeurDemarrage() = 0;
  // Starts the SDK for this program: a status, refused for another value.
  virtual std::int32_t Demarrer(std::int32_t valeur) = 0;
};

class UtilisateurSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kUtilisateur;
  virtual void CleRecherche(const QString& cle) = 0;
  virtual std::int32_t Numero() = 0;
};

class ClientSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kClient;
  virtual void CleRecherche(const QString& cle) = 0;
  virtual QString NumeroClient() = 0;
  virtual void NumeroClient(const QString& v) = 0;
  virtual void Constante1(std::int32_t v) = 0;
  virtual void Constante2(std::int32_t v) = 0;
  virtual void Constante3(std::int32_t v) = 0;
  virtual void Nom(const QString& v) = 0;
  virtual void Adresse(const QString& v) = 0;
  virtual void Ville(const QString& v) = 0;
  virtual void Courriel(std::int32_t index, const QString& v) = 0;
  virtual void Telephone(std::int32_t index, const QString& v) = 0;
  virtual void CodePostal(const QString& v) = 0;
  virtual void Province(const QString& v) = 0;
  virtual void AuSoinDe(const QString& v) = 0;
  virtual void Pays(const QString& v) = 0;
};

class ProduitSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kProduit;
  virtual void CleRecherche(const QString& cle) = 0;
  virtual void NumeroProduit(const QString& v) = 0;
  virtual std::int32_t NoGroupe() = 0;
  virtual void NoGroupe(std::int32_t v) = 0;
  virtual void Constante1(std::int32_t v) = 0;
  virtual void Description(std::int32_t index, const QString& v) = 0;
  virtual void Localisation(const QString& v) = 0;
  virtual void SousGroupe(const QString& v) = 0;
  virtual void Prix(std::int32_t index, double v) = 0;
  virtual void Format(const QString& v) = 0;
};

class GroupeProduitSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kGroupeProduit;
  virtual void CleRecherche(std::int32_t cle) = 0;
  virtual std::int32_t NoGroupe() = 0;
};

class TaxeSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kTaxe;
  virtual void CleRecherche(const QString& cle) = 0;
  virtual std::int32_t Reference() = 0;
  virtual std::int32_t ValeurTaxe() = 0;
  virtual std::int32_t Taux(std::int32_t index) = 0;  // in ten-thousandths
};

class VendeurSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kVendeur;
  virtual QString Code() = 0;
  virtual std::int32_t Numero() = 0;
};

class PreVerificationSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kPreVerification;
};

// One sales or purchase transaction: a header and numbered lines (from 1).
class TransactionSdk : public EnregistrementCle {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kTransaction;
  virtual std::int32_t TypeTransaction() = 0;
  virtual void TypeTransaction(std::int32_t v) = 0;
  virtual void ConstanteEntete1(std::int32_t v) = 0;
  virtual void ConstanteEntete2(std::int32_t v) = 0;
  virtual void NumeroClient(const QString& v) = 0;
  virtual void NombreLignes(std::int32_t v) = 0;
  virtual void NomFacturation(const QString& v) = 0;
  virtual void AuSoinDeFacturation(const QString& v) = 0;
  virtual void AdresseFacturation(const QString& v) = 0;
  virtual void VilleFacturation(const QString& v) = 0;
  virtual void CodePostalFacturation(const QString& v) = 0;
  virtual void PaysFacturation(const QString& v) = 0;
  virtual void NomLivraison(const QString& v) = 0;
  virtual void AuSoinDeLivraison(const QString& v) = 0;
  virtual void AdresseLivraison(const QString& v) = 0;
  virtual void VilleLivraison(const QString& v) = 0;
  virtual void CodePostalLivraison(const QString& v) = 0;
  virtual void PaysLivraison(const QString& v) = 0;
  virtual void Conditions(const QString& v) = 0;
  virtual void NoVendeur(std::int32_t v) = 0;
  virtual void Miroir1(std::int32_t v) = 0;
  virtual void Miroir2(std::int32_t v) = 0;
  virtual void Miroir3(const QString& v) = 0;
  virtual std::int32_t Source2() = 0;
  virtual QString Source3() = 0;

  virtual void TypeLigne(std::int32_t ligne, std::int32_t v) = 0;
  virtual void NumeroLigne(std::int32_t ligne, std::int32_t v) = 0;
  virtual void ReferenceArticle(std::int32_t ligne, std::int32_t v) = 0;
  virtual void CodeArticle(std::int32_t ligne, const QString& v) = 0;
  virtual void DescriptionLigne(std::int32_t ligne, const QString& v) = 0;
  virtual void PrixUnitaire(std::int32_t ligne, double v) = 0;
  virtual void Quantite(std::int32_t ligne, double v) = 0;
  virtual void GroupeLigne(std::int32_t ligne, std::int32_t v) = 0;
  virtual void TaxeLigne(std::int32_t ligne, std::int32_t v) = 0;
  virtual void Montant(std::int32_t ligne, double v) = 0;
};

// The company's record of the imports posted into it, and the posting's own
// write transaction: from the first write (or Chercher) of a posting, what
// every object of the provider writes is kept only by Valider, or by
// FermerCompagnie, which validates. Only the built-in company provides it
// (Creer throws ErreurSdk kClasseNonEnregistree elsewhere). Statuses as the
// record interface.
class RegistreImportationsSdk : public ObjetSdk {
 public:
  static constexpr Identifiant kIdentifiant = identifiants::kRegistreImportations;
  // Looks up the latest record of the content empreinte, after starting the
  // posting's transaction if it is not started: no other posting can note
  // the same content between this lookup and the Noter that follows. 0 found
  // (Registre holds it), 10 not found.
  virtual std::int32_t Chercher(const QString& empreinte) = 0;
  // The record the last Chercher found; empty otherwise.
  virtual RegistreImportation Registre() = 0;
  // Writes the record inside the posting's transaction (a content may be
  // noted more than once).
  virtual std::int32_t Noter(const RegistreImportation& registre) = 0;
  // Commits the posting's transaction now; kSucces when nothing is pending.
  // On failure nothing the posting wrote is kept.
  virtual std::int32_t Valider() = 0;
  // Rolls the posting's transaction back: nothing it wrote is kept. kSucces
  // when nothing is pending.
  virtual std::int32_t Abandonner() = 0;
};

// Makes the SDK's objects by class identifier, like the platform's object
// registry would.
class Fournisseur {
 public:
  virtual ~Fournisseur() = default;
  // A new object of the class; throws ErreurSdk when the class is not provided.
  virtual std::unique_ptr<ObjetSdk> Creer(std::uint32_t classe) = 0;
};

// A new object of interface T, made by its class identifier. Throws ErreurSdk
// when the class is not provided or does not offer T.
template <class T>
std::unique_ptr<T> Creer(Fournisseur& fournisseur) {
  std::unique_ptr<ObjetSdk> objet = fournisseur.Creer(T::kIdentifiant.classe);
  auto* voulu = dynamic_cast<T*>(objet.get());
  if (voulu == nullptr) {
    throw ErreurSdk(ErreurSdk::kInterfaceNonPriseEnCharge,
                    QStringLiteral("Interface non prise en charge : ") +
                        TexteIdentifiant(T::kIdentifiant.interface_));
  }
  objet.release();
  return std::unique_ptr<T>(voulu);
}

}  // namespace brivane::acomba
