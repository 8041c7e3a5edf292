#pragma once

#include "acomba/Sdk.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <map>
#include <memory>
#include <set>

namespace brivane::testing {

// What the fake SDK answers, and everything it was asked, in order. Journal
// entries: "creer client", "client.Trouver(1,true)", "client.Nom=Atelier",
// "transaction.TypeLigne[3]=8", "client.NumeroClient?" (a read).
struct ScriptSdk {
  QStringList journal;
  // Answers per "objet.Operation", used in order; the last one keeps being
  // given. Unscripted statuses are 0, unscripted reads 0 or "".
  std::map<QString, std::deque<std::int32_t>> statuts;
  std::map<QString, std::deque<QVariant>> valeurs;
  // "objet.Operation" that throw ErreurSdk(-2147023174, "Serveur RPC indisponible.").
  std::set<QString> echecs;
  std::set<std::uint32_t> classesAbsentes;

  static constexpr std::int32_t kNumeroEchec = -2147023174;

  void Statuts(const QString& cle, std::initializer_list<std::int32_t> suite) {
    statuts[cle] = std::deque<std::int32_t>(suite);
  }
  void Valeurs(const QString& cle, std::initializer_list<QVariant> suite) {
    valeurs[cle] = std::deque<QVariant>(suite);
  }

  // Journal entries that start with prefix ("transaction." for instance).
  QStringList Filtre(const QString& prefixe) const {
    QStringList resultat;
    for (const QString& e : journal) {
      if (e.startsWith(prefixe)) {
        resultat << e;
      }
    }
    return resultat;
  }
  bool Contient(const QString& entree) const { return journal.contains(entree); }

  void Noter(const QString& entree, const QString& cle) {
    journal << entree;
    if (echecs.count(cle) != 0) {
      throw acomba::ErreurSdk(kNumeroEchec, QStringLiteral("Serveur RPC indisponible."));
    }
  }
  std::int32_t Statut(const QString& cle, std::int32_t defaut) {
    auto it = statuts.find(cle);
    if (it == statuts.end() || it->second.empty()) {
      return defaut;
    }
    const std::int32_t v = it->second.front();
    if (it->second.size() > 1) {
      it->second.pop_front();
    }
    return v;
  }
  QVariant Valeur(const QString& cle, const QVariant& defaut) {
    auto it = valeurs.find(cle);
    if (it == valeurs.end() || it->second.empty()) {
      return defaut;
    }
    const QVariant v = it->second.front();
    if (it->second.size() > 1) {
      it->second.pop_front();
    }
    return v;
  }
};

inline QString Texte(const QString& v) { return v; }
inline QString Texte(std::int32_t v) { return QString::number(v); }
inline QString Texte(double v) { return QString::number(v, 'g', 15); }
inline QString Texte(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }

// Records under one object name ("client", "transaction", ...).
class Enregistreur {
 public:
  Enregistreur(ScriptSdk& script, QString nom) : script_(script), nom_(std::move(nom)) {}

 protected:
  template <class... A>
  std::int32_t Appel(const char* operation, A... arguments) {
    const QString cle = nom_ + u'.' + QString::fromLatin1(operation);
    QStringList textes{Texte(arguments)...};
    script_.Noter(cle + u'(' + textes.join(u',') + u')', cle);
    return script_.Statut(cle, 0);
  }
  template <class V>
  void Ecrire(const char* champ, V valeur) {
    const QString cle = nom_ + u'.' + QString::fromLatin1(champ);
    script_.Noter(cle + u'=' + Texte(valeur), cle);
  }
  template <class V>
  void Ecrire(const char* champ, std::int32_t index, V valeur) {
    const QString cle = nom_ + u'.' + QString::fromLatin1(champ);
    script_.Noter(cle + u'[' + QString::number(index) + QStringLiteral("]=") + Texte(valeur), cle);
  }
  QVariant Lire(const QString& champ, const QVariant& defaut) {
    const QString cle = nom_ + u'.' + champ;
    script_.Noter(cle + u'?', cle);
    return script_.Valeur(cle, defaut);
  }
  std::int32_t LireEntier(const char* champ) { return Lire(QString::fromLatin1(champ), 0).toInt(); }
  QString LireTexte(const char* champ) {
    return Lire(QString::fromLatin1(champ), QString()).toString();
  }

  ScriptSdk& script_;
  QString nom_;
};

template <class I>
class FauxEnregistrement : public I, protected Enregistreur {
 public:
  using Enregistreur::Enregistreur;
  void Vider() override { Appel("Vider"); }
  void Reinitialiser() override { Appel("Reinitialiser"); }
  std::int32_t LireAPosition(std::int32_t p) override { return Appel("LireAPosition", p); }
  std::int32_t Reserver(std::int32_t p) override { return Appel("Reserver", p); }
  std::int32_t ReserverNouveau() override { return Appel("ReserverNouveau"); }
  std::int32_t Ajouter() override { return Appel("Ajouter"); }
  std::int32_t Modifier(bool l) override { return Appel("Modifier", l); }
  std::int32_t Liberer() override { return Appel("Liberer"); }
  std::int32_t AnnulerNouveau() override { return Appel("AnnulerNouveau"); }
  std::int32_t Position() override { return LireEntier("Position"); }
  std::int32_t NombreEnregistrements() override { return LireEntier("NombreEnregistrements"); }
  std::int32_t NombreCharges() override { return LireEntier("NombreCharges"); }
  std::int32_t ChargerPlage(std::int32_t a, std::int32_t b) override {
    return Appel("ChargerPlage", a, b);
  }
  void Selectionner(std::int32_t i) override { Ecrire("Selectionner", i); }
  std::int32_t Trouver(std::int32_t n, bool o) override { return Appel("Trouver", n, o); }
};

class FausseSession final : public acomba::SessionSdk, Enregistreur {
 public:
  using Enregistreur::Enregistreur;
  std::int32_t VerifierCompagnie(const QString& c) override {
    const QString cle = QStringLiteral("session.VerifierCompagnie");
    script_.Noter(cle + u'(' + c + u')', cle);
    return script_.Statut(cle, 1);
  }
  std::int32_t OuvrirCompagnie(const QString& a, const QString& c) override {
    return Appel("OuvrirCompagnie", a, c);
  }
  std::int32_t Connecter(std::int32_t n, const QString& m) override {
    return Appel("Connecter", n, m);
  }
  QString TexteErreur(std::int32_t s) override {
    Appel("TexteErreur", s);
    return QStringLiteral("texte de %1").arg(s);
  }
  std::int32_t FermerCompagnie() override { return Appel("FermerCompagnie"); }
};

class FauxDemarrage final : public acomba::DemarrageSdk, Enregistreur {
 public:
  using Enregistreur::Enregistreur;
  std::int32_t ValeurDemarrage() override { return LireEntier("ValeurDemarrage"); }
  std::int32_t Demarrer(std::int32_t v) override { return Appel("Demarrer", v); }
};

class FauxUtilisateur final : public FauxEnregistrement<acomba::UtilisateurSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  void CleRecherche(const QString& c) override { Ecrire("CleRecherche", c); }
  std::int32_t Numero() override { return LireEntier("Numero"); }
};

class FauxClient final : public FauxEnregistrement<acomba::ClientSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  void CleRecherche(const QString& c) override { Ecrire("CleRecherche", c); }
  QString NumeroClient() override { return LireTexte("NumeroClient"); }
  void NumeroClient(const QString& v) override { Ecrire("NumeroClient", v); }
  void Constante1(std::int32_t v) override { Ecrire("Constante1", v); }
  void Constante2(std::int32_t v) override { Ecrire("Constante2", v); }
  void Constante3(std::int32_t v) override { Ecrire("Constante3", v); }
  void Nom(const QString& v) override { Ecrire("Nom", v); }
  void Adresse(const QString& v) override { Ecrire("Adresse", v); }
  void Ville(const QString& v) override { Ecrire("Ville", v); }
  void Courriel(std::int32_t i, const QString& v) override { Ecrire("Courriel", i, v); }
  void Telephone(std::int32_t i, const QString& v) override { Ecrire("Telephone", i, v); }
  void CodePostal(const QString& v) override { Ecrire("CodePostal", v); }
  void Province(const QString& v) override { Ecrire("Province", v); }
  void AuSoinDe(const QString& v) override { Ecrire("AuSoinDe", v); }
  void Pays(const QString& v) override { Ecrire("Pays", v); }
};

class FauxProduit final : public FauxEnregistrement<acomba::ProduitSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  void CleRecherche(const QString& c) override { Ecrire("CleRecherche", c); }
  void NumeroProduit(const QString& v) override { Ecrire("NumeroProduit", v); }
  std::int32_t NoGroupe() override { return LireEntier("NoGroupe"); }
  void NoGroupe(std::int32_t v) override { Ecrire("NoGroupe", v); }
  void Constante1(std::int32_t v) override { Ecrire("Constante1", v); }
  void Description(std::int32_t i, const QString& v) override { Ecrire("Description", i, v); }
  void Localisation(const QString& v) override { Ecrire("Localisation", v); }
  void SousGroupe(const QString& v) override { Ecrire("SousGroupe", v); }
  void Prix(std::int32_t i, double v) override { Ecrire("Prix", i, v); }
  void Format(const QString& v) override { Ecrire("Format", v); }
};

class FauxGroupe final : public FauxEnregistrement<acomba::GroupeProduitSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  void CleRecherche(std::int32_t c) override { Ecrire("CleRecherche", c); }
  std::int32_t NoGroupe() override { return LireEntier("NoGroupe"); }
};

class FausseTaxe final : public FauxEnregistrement<acomba::TaxeSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  void CleRecherche(const QString& c) override { Ecrire("CleRecherche", c); }
  std::int32_t Reference() override { return LireEntier("Reference"); }
  std::int32_t ValeurTaxe() override { return LireEntier("ValeurTaxe"); }
  std::int32_t Taux(std::int32_t i) override {
    return Lire(QStringLiteral("Taux[%1]").arg(i), 0).toInt();
  }
};

class FauxVendeur final : public FauxEnregistrement<acomba::VendeurSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  QString Code() override { return LireTexte("Code"); }
  std::int32_t Numero() override { return LireEntier("Numero"); }
};

class FaussePreVerification final : public FauxEnregistrement<acomba::PreVerificationSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
};

class FausseTransaction final : public FauxEnregistrement<acomba::TransactionSdk> {
 public:
  using FauxEnregistrement::FauxEnregistrement;
  std::int32_t TypeTransaction() override { return LireEntier("TypeTransaction"); }
  void TypeTransaction(std::int32_t v) override { Ecrire("TypeTransaction", v); }
  void ConstanteEntete1(std::int32_t v) override { Ecrire("ConstanteEntete1", v); }
  void ConstanteEntete2(std::int32_t v) override { Ecrire("ConstanteEntete2", v); }
  void NumeroClient(const QString& v) override { Ecrire("NumeroClient", v); }
  void NombreLignes(std::int32_t v) override { Ecrire("NombreLignes", v); }
  void NomFacturation(const QString& v) override { Ecrire("NomFacturation", v); }
  void AuSoinDeFacturation(const QString& v) override { Ecrire("AuSoinDeFacturation", v); }
  void AdresseFacturation(const QString& v) override { Ecrire("AdresseFacturation", v); }
  void VilleFacturation(const QString& v) override { Ecrire("VilleFacturation", v); }
  void CodePostalFacturation(const QString& v) override { Ecrire("CodePostalFacturation", v); }
  void PaysFacturation(const QString& v) override { Ecrire("PaysFacturation", v); }
  void NomLivraison(const QString& v) override { Ecrire("NomLivraison", v); }
  void AuSoinDeLivraison(const QString& v) override { Ecrire("AuSoinDeLivraison", v); }
  void AdresseLivraison(const QString& v) override { Ecrire("AdresseLivraison", v); }
  void VilleLivraison(const QString& v) override { Ecrire("VilleLivraison", v); }
  void CodePostalLivraison(const QString& v) override { Ecrire("CodePostalLivraison", v); }
  void PaysLivraison(const QString& v) override { Ecrire("PaysLivraison", v); }
  void Conditions(const QString& v) override { Ecrire("Conditions", v); }
  void NoVendeur(std::int32_t v) override { Ecrire("NoVendeur", v); }
  void Miroir1(std::int32_t v) override { Ecrire("Miroir1", v); }
  void Miroir2(std::int32_t v) override { Ecrire("Miroir2", v); }
  void Miroir3(const QString& v) override { Ecrire("Miroir3", v); }
  std::int32_t Source2() override { return LireEntier("Source2"); }
  QString Source3() override { return LireTexte("Source3"); }
  void TypeLigne(std::int32_t k, std::int32_t v) override { Ecrire("TypeLigne", k, v); }
  void NumeroLigne(std::int32_t k, std::int32_t v) override { Ecrire("NumeroLigne", k, v); }
  void ReferenceArticle(std::int32_t k, std::int32_t v) override {
    Ecrire("ReferenceArticle", k, v);
  }
  void CodeArticle(std::int32_t k, const QString& v) override { Ecrire("CodeArticle", k, v); }
  void DescriptionLigne(std::int32_t k, const QString& v) override {
    Ecrire("DescriptionLigne", k, v);
  }
  void PrixUnitaire(std::int32_t k, double v) override { Ecrire("PrixUnitaire", k, v); }
  void Quantite(std::int32_t k, double v) override { Ecrire("Quantite", k, v); }
  void GroupeLigne(std::int32_t k, std::int32_t v) override { Ecrire("GroupeLigne", k, v); }
  void TaxeLigne(std::int32_t k, std::int32_t v) override { Ecrire("TaxeLigne", k, v); }
  void Montant(std::int32_t k, double v) override { Ecrire("Montant", k, v); }
};

// Makes the fake objects by class identifier, recording "creer <objet>".
class FauxFournisseur final : public acomba::Fournisseur {
 public:
  explicit FauxFournisseur(ScriptSdk& script) : script_(script) {}

  std::unique_ptr<acomba::ObjetSdk> Creer(std::uint32_t classe) override {
    namespace id = acomba::identifiants;
    const auto faire = [&](const char* nom) {
      script_.journal << QStringLiteral("creer ") + QString::fromLatin1(nom);
      if (script_.classesAbsentes.count(classe) != 0) {
        throw acomba::ErreurSdk(acomba::ErreurSdk::kClasseNonEnregistree,
                                QStringLiteral("Classe non enregistrée."));
      }
      return QString::fromLatin1(nom);
    };
    if (classe == id::kSession.classe)
      return std::make_unique<FausseSession>(script_, faire("session"));
    if (classe == id::kDemarrage.classe)
      return std::make_unique<FauxDemarrage>(script_, faire("demarrage"));
    if (classe == id::kUtilisateur.classe)
      return std::make_unique<FauxUtilisateur>(script_, faire("utilisateur"));
    if (classe == id::kClient.classe) return std::make_unique<FauxClient>(script_, faire("client"));
    if (classe == id::kProduit.classe)
      return std::make_unique<FauxProduit>(script_, faire("produit"));
    if (classe == id::kGroupeProduit.classe)
      return std::make_unique<FauxGroupe>(script_, faire("groupe"));
    if (classe == id::kTransaction.classe)
      return std::make_unique<FausseTransaction>(script_, faire("transaction"));
    if (classe == id::kTaxe.classe) return std::make_unique<FausseTaxe>(script_, faire("taxe"));
    if (classe == id::kVendeur.classe)
      return std::make_unique<FauxVendeur>(script_, faire("vendeur"));
    if (classe == id::kPreVerification.classe)
      return std::make_unique<FaussePreVerification>(script_, faire("preverif"));
    throw acomba::ErreurSdk(acomba::ErreurSdk::kClasseNonEnregistree, QStringLiteral("?"));
  }

 private:
  ScriptSdk& script_;
};

}  // namespace brivane::testing
