#pragma once

#include <QString>

#include <cstdint>
#include <memory>

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
  QString fournisseur() const { return attributs().fournisseur; }
  void fournisseur(const QString& v) { Modifier(&Attributs::fournisseur, v); }
  QString PosteGlVente() const { return attributs().posteGlVente; }
  void PosteGlVente(const QString& v) { Modifier(&Attributs::posteGlVente, v); }
  QString PosteGlAchat() const { return attributs().posteGlAchat; }
  void PosteGlAchat(const QString& v) { Modifier(&Attributs::posteGlAchat, v); }
  QString CodeActivite() const { return attributs().codeActivite; }
  void CodeActivite(const QString& v) { Modifier(&Attributs::codeActivite, v); }
  bool TaxableFederal() const { return taxableFederal_; }
  void TaxableFederal(bool v) { taxableFederal_ = v; }
  bool TaxableProvincial() const { return taxableProvincial_; }
  void TaxableProvincial(bool v) { taxableProvincial_ = v; }
  std::int32_t GroupeProduit() const { return groupeProduit_; }
  void GroupeProduit(std::int32_t v) { groupeProduit_ = v; }
  QString Format() const { return attributs().format; }
  void Format(const QString& v) { Modifier(&Attributs::format, v); }
  QString Departement() const { return attributs().departement; }
  void Departement(const QString& v) { Modifier(&Attributs::departement, v); }
  QString Specification() const { return attributs().specification; }
  void Specification(const QString& v) { Modifier(&Attributs::specification, v); }
  QString SousGroupe() const { return attributs().sousGroupe; }
  void SousGroupe(const QString& v) { Modifier(&Attributs::sousGroupe, v); }
  QString Localisation() const { return attributs().localisation; }
  void Localisation(const QString& v) { Modifier(&Attributs::localisation, v); }
  QString Projet() const { return attributs().projet; }
  void Projet(const QString& v) { Modifier(&Attributs::projet, v); }
  QString GLVente() const { return attributs().glVente; }
  void GLVente(const QString& v) { Modifier(&Attributs::glVente, v); }

  // The texts that most lines of an invoice share (supplier, accounts, format,
  // sub-group, location...). Immutable once made: lines that hold the same
  // texts hold one copy of them.
  struct Attributs {
    QString fournisseur;
    QString posteGlVente;
    QString posteGlAchat;
    QString codeActivite;
    QString format;
    QString departement;
    QString specification;
    QString projet;
    QString glVente;
    QString sousGroupe;
    QString localisation;

    bool operator==(const Attributs& autre) const;
  };

 private:
  const Attributs& attributs() const;
  void Modifier(QString Attributs::*champ, const QString& v);

  QString code_;
  QString description_;
  double quantite_ = 0;
  double cout_ = 0;
  std::shared_ptr<const Attributs> attributs_;  // null while every one is empty
  QString message_;
  std::int32_t groupeProduit_ = 0;
  bool taxableProvincial_ = true;
  bool taxableFederal_ = true;
};

}  // namespace brivane
