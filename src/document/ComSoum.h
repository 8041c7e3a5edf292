#pragma once

#include "document/BackEnd.h"
#include "document/Client.h"
#include "document/Item.h"
#include "document/RegistreImportation.h"
#include "document/ServicesDocument.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace brivane {

// One sales document and its posting: the customer, the detail lines, the
// accounting system to post into and how to reach it.
class ComSoum final {
 public:
  // A document with the real clock and no back end (posting it is refused).
  ComSoum();
  explicit ComSoum(ServicesDocument services);
  ~ComSoum();
  ComSoum(const ComSoum&) = delete;
  ComSoum& operator=(const ComSoum&) = delete;

  // Result text of the last Enregistrer; meaningful when it returned false.
  QString Message() const { return message_; }
  void Utilisateur(const QString& v) { utilisateur_ = v; }
  void MotDePasse(const QString& v) { motDePasse_ = v; }
  // Appends a shared reference to the line; the first line has position 0.
  // A line must be given: a null one is refused at once with
  // std::invalid_argument and the document is left as it was.
  void AddItem(std::shared_ptr<Item> article);
  // The lines, in the order added; callers may fill in what they carry.
  const std::vector<std::shared_ptr<Item>>& Lignes() const { return lignes_; }
  QDateTime DocumentDate() const { return documentDate_; }
  void DocumentDate(const QDateTime& v) { documentDate_ = v; }
  double Escompte() const { return escompte_; }
  void Escompte(double v) { escompte_ = v; }
  void SystemeComptable(std::int32_t v) { systemeComptable_ = v; }
  void cheminCie(const QString& v) { cheminCie_ = v; }
  void cheminApp(const QString& v) { cheminApp_ = v; }
  void Client(std::shared_ptr<brivane::Client> client) { client_ = std::move(client); }
  bool Soumission() const { return soumission_; }
  void Soumission(bool v) { soumission_ = v; }

  // Validates the document under SystemeComptable and posts it: customer,
  // products, invoice (with ModeItem, products only). True when the document
  // was posted, or when the code names no back end; false with the reasons in
  // Message otherwise. Never throws.
  bool Enregistrer(bool ModeItem = false);
  // True when the last Enregistrer wrote something to the accounting system
  // before it failed: what it wrote stays written.
  bool EcrituresFaites() const { return ecrituresFaites_; }

  // The import this document comes from; a company that keeps a record of
  // its imports notes it with the invoice and refuses a content it holds.
  const ReferenceImportation& Importation() const { return importation_; }
  void Importation(const ReferenceImportation& v) { importation_ = v; }
  // The number the accounting system gave the invoice of the last
  // Enregistrer; empty when none was written or the system does not say.
  QString NumeroDocument() const { return numeroDocument_; }
  // Set when the last Enregistrer was refused because the company's record
  // of imports already holds this content; nothing was written.
  const std::optional<RegistreImportation>& ImportationTrouvee() const {
    return importationTrouvee_;
  }
  // True when the last Enregistrer was refused because the import asked for a
  // record and the company keeps none; nothing was written.
  bool SansRegistre() const { return sansRegistre_; }

 private:
  friend class BackEnd;

  bool Valider(bool ModeItem);
  bool Poster(bool ModeItem);
  BackEnd& OuvrirBackEnd(std::unique_ptr<BackEnd>& garde,
                         const ServicesDocument::FabriqueBackEnd& fabrique);

  ServicesDocument services_;
  std::int32_t systemeComptable_ = 0;
  QString cheminCie_;
  QString cheminApp_;
  QDateTime documentDate_;
  double escompte_ = 0;
  std::vector<std::shared_ptr<Item>> lignes_;
  QString message_;
  std::shared_ptr<brivane::Client> client_;
  bool soumission_ = true;
  bool ecrituresFaites_ = false;
  ReferenceImportation importation_;
  QString numeroDocument_;
  std::optional<RegistreImportation> importationTrouvee_;
  bool sansRegistre_ = false;
  QString utilisateur_;
  QString motDePasse_;

  // Each back end made by its latest opening; released with the document.
  std::unique_ptr<BackEnd> acomba_;
  std::unique_ptr<BackEnd> dbase_;
};

}  // namespace brivane
