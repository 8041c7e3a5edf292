#pragma once

#include "document/RegistreImportation.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace brivane {

class ComSoum;
class Client;
class Item;

// One accounting system's posting of one document. ComSoum owns it privately
// and drives it: Ouvrir, then the steps its mode asks for, then Fermer. A
// posting with its invoice runs Verifier, EnregistrerClient,
// EnregistrerProduits and EnregistrerFacture; a posting of products alone
// runs EnregistrerProduits only.
//
// Contract shared by every step: true on success; false when the step was
// refused, with its reason left in the document's Message (replacing it). A
// failure the step cannot handle is thrown as ErreurInattendue.
class BackEnd {
 public:
  explicit BackEnd(ComSoum& document) : document_(document) {}
  virtual ~BackEnd() = default;
  BackEnd(const BackEnd&) = delete;
  BackEnd& operator=(const BackEnd&) = delete;

  virtual bool Ouvrir() = 0;
  // Before anything is written for an invoice: what would refuse it half-way
  // and can be known without writing. A back end may keep what it found for
  // the writing steps, which then need it to have run.
  virtual bool Verifier() { return true; }
  virtual bool EnregistrerClient() = 0;
  virtual bool EnregistrerProduits() = 0;
  virtual bool EnregistrerFacture() = 0;
  // Called after the steps unless one of them threw. valider: every step
  // succeeded, and what the posting wrote is to be kept (an ErreurInattendue
  // when it could not be); otherwise a back end that holds its writes until
  // here undoes them.
  virtual void Fermer(bool valider) = 0;

 protected:
  ComSoum& document() const { return document_; }
  // The document's Message is read-only to everyone but its back ends.
  void RemplacerMessage(const QString& texte) const;
  // Something reached the accounting system: a failure from now on leaves a
  // partial posting behind.
  void SignalerEcriture() const;
  // What SignalerEcriture announced was undone: the posting's transaction
  // was rolled back and the company is as it was.
  void SignalerEcrituresAnnulees() const;
  // The number the company gave the invoice.
  void SignalerNumeroDocument(const QString& numero) const;
  // The company's record already holds the import's content: the step
  // refuses, nothing written, and Message says so.
  void SignalerDejaPostee(const RegistreImportation& registre) const;
  // The import asked for a record and this company keeps none: refused
  // before anything was written.
  void SignalerSansRegistre() const;

  // What the document holds that its public face keeps write-only.
  std::int32_t systemeComptable() const;
  const QString& cheminCie() const;
  const QString& cheminApp() const;
  const QString& utilisateur() const;
  const QString& motDePasse() const;
  const std::shared_ptr<Client>& client() const;
  const std::vector<std::shared_ptr<Item>>& lignes() const;
  QDateTime documentDate() const;
  bool soumission() const;
  const ReferenceImportation& importation() const;

 private:
  ComSoum& document_;
};

}  // namespace brivane
