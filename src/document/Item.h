#pragma once

#include <QString>

#include <cstdint>

namespace brivane {

// One detail line of a sales document: the product sold, with what it takes
// to create the product where the accounting system lacks it, the quantity,
// the unit amount and the two tax flags.
class Item final {
 public:
  // Checks the fields against the limits of accounting system typeSys (1 or 2;
  // any other code runs only the checks both systems share). Appends CR LF and
  // a message per failed check to Message, never clears it. True when no check
  // of this call failed.
  bool IsValide(std::int32_t typeSys);
  QString Message() const { return message_; }

  QString code() const { return code_; }
  void code(const QString& v) { code_ = v; }
  QString Description() const { return description_; }
  void Description(const QString& v) { description_ = v; }
  double Quantite() const { return quantite_; }
  void Quantite(double v) { quantite_ = v; }
  double Cout() const { return cout_; }
  void Cout(double v) { cout_ = v; }
  QString fournisseur() const { return fournisseur_; }
  void fournisseur(const QString& v) { fournisseur_ = v; }
  QString PosteGlVente() const { return posteGlVente_; }
  void PosteGlVente(const QString& v) { posteGlVente_ = v; }
  QString PosteGlAchat() const { return posteGlAchat_; }
  void PosteGlAchat(const QString& v) { posteGlAchat_ = v; }
  QString CodeActivite() const { return codeActivite_; }
  void CodeActivite(const QString& v) { codeActivite_ = v; }
  bool TaxableFederal() const { return taxableFederal_; }
  void TaxableFederal(bool v) { taxableFederal_ = v; }
  bool TaxableProvincial() const { return taxableProvincial_; }
  void TaxableProvincial(bool v) { taxableProvincial_ = v; }
  std::int32_t GroupeProduit() const { return groupeProduit_; }
  void GroupeProduit(std::int32_t v) { groupeProduit_ = v; }
  QString Format() const { return format_; }
  void Format(const QString& v) { format_ = v; }
  QString Departement() const { return departement_; }
  void Departement(const QString& v) { departement_ = v; }
  QString Specification() const { return specification_; }
  void Specification(const QString& v) { specification_ = v; }
  QString SousGroupe() const { return sousGroupe_; }
  void SousGroupe(const QString& v) { sousGroupe_ = v; }
  QString Localisation() const { return localisation_; }
  void Localisation(const QString& v) { localisation_ = v; }
  QString Projet() const { return projet_; }
  void Projet(const QString& v) { projet_ = v; }
  QString GLVente() const { return glVente_; }
  void GLVente(const QString& v) { glVente_ = v; }

 private:
  QString code_;
  QString description_;
  double quantite_ = 0;
  double cout_ = 0;
  QString fournisseur_;
  QString posteGlVente_;
  QString posteGlAchat_;
  QString codeActivite_;
  bool taxableProvincial_ = true;
  bool taxableFederal_ = true;
  QString message_;
  std::int32_t groupeProduit_ = 0;
  QString format_;
  QString departement_;
  QString specification_;
  QString projet_;
  QString glVente_;
  QString sousGroupe_;
  QString localisation_;
};

}  // namespace brivane
