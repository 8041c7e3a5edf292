#pragma once

#include <QString>

#include <cstdint>

namespace brivane {

// The customer of one sales document: billing and delivery blocks, contact
// fields, and the checks against the field limits of an accounting system.
class Client final {
 public:
  // Checks every field against the limits of accounting system typeSys (1 or
  // 2; any other code runs only the checks both systems share). Appends CR LF
  // and a message per failed check to Message, never clears it, and remembers
  // typeSys for the Numero getter. True when no check of this call failed.
  bool IsValide(std::int32_t typeSys);
  QString Message() const { return message_; }

  void Numero(const QString& valeur) { numero_ = valeur; }
  // After a validation under code 2, pads the stored number on the left with
  // "0" to 10 characters and keeps the padded form.
  QString Numero();

  void Vendeur(const QString& v) { vendeur_ = v; }
  void Livraison(const QString& v) { livraison_ = v; }
  void Condition(const QString& v) { condition_ = v; }
  void Ville(const QString& v) { ville_ = v; }
  void Villel(const QString& v) { villel_ = v; }
  void CP(const QString& v) { cp_ = v; }
  void CPl(const QString& v) { cpl_ = v; }
  void Province(const QString& v) { province_ = v; }
  void Provincel(const QString& v) { provincel_ = v; }
  void NoTelephone(const QString& v) { noTelephone_ = v; }
  void NoTelephonel(const QString& v) { noTelephonel_ = v; }
  void Nom(const QString& v) { nom_ = v; }
  void Noml(const QString& v) { noml_ = v; }
  void Adresse(const QString& v) { adresse_ = v; }
  void Adressel(const QString& v) { adressel_ = v; }

  QString Vendeur() const { return vendeur_; }
  QString Condition() const { return condition_; }
  QString Livraison() const { return livraison_; }
  QString Ville() const { return ville_; }
  QString Villel() const { return villel_; }
  QString CP() const { return cp_; }
  QString CPl() const { return cpl_; }
  QString Province() const { return province_; }
  QString Provincel() const { return provincel_; }
  QString NoTelephone() const { return noTelephone_; }
  QString NoTelephonel() const { return noTelephonel_; }
  QString Nom() const { return nom_; }
  QString Noml() const { return noml_; }
  QString Adresse() const { return adresse_; }
  QString Adressel() const { return adressel_; }
  QString NoFax() const { return noFax_; }
  QString NoFaxl() const { return noFaxl_; }

  void NoFax(const QString& v) { noFax_ = v; }
  void NoFaxl(const QString& v) { noFaxl_ = v; }

  QString Courriel() const { return courriel_; }
  void Courriel(const QString& v) { courriel_ = v; }
  QString AuSoinDe() const { return auSoinDe_; }
  void AuSoinDe(const QString& v) { auSoinDe_ = v; }
  QString AuSoinDel() const { return auSoinDel_; }
  void AuSoinDel(const QString& v) { auSoinDel_ = v; }

  QString pays() const { return pays_; }
  QString paysl() const { return paysl_; }
  void pays(const QString& v) { pays_ = v; }
  void paysl(const QString& v) { paysl_ = v; }

 private:
  QString numero_;
  QString nom_;
  QString adresse_;
  QString ville_;
  QString province_;
  QString cp_;
  QString noTelephone_;
  QString noFax_;
  QString courriel_;
  QString message_;
  QString pays_;
  QString noml_;
  QString adressel_;
  QString villel_;
  QString provincel_;
  QString cpl_;
  QString noTelephonel_;
  QString noFaxl_;
  QString paysl_;
  QString auSoinDe_;
  QString auSoinDel_;
  QString vendeur_;
  QString livraison_;
  QString condition_;
  std::int32_t systemeValidation_ = 0;
};

}  // namespace brivane
