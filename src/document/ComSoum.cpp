#include "document/ComSoum.h"

#include "document/ErreurInattendue.h"
#include "platform/HorlogeQt.h"

#include <new>
#include <stdexcept>

namespace brivane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

// A document made without services dates itself today and has no back end:
// posting it is refused as an unavailable accounting system.
ComSoum::ComSoum() : ComSoum(ServicesDocument{std::make_shared<platform::HorlogeQt>(), {}, {}}) {}

ComSoum::ComSoum(ServicesDocument services) : services_(std::move(services)) {
  if (services_.horloge) {
    documentDate_ = QDateTime(services_.horloge->aujourdhui(), QTime(0, 0));
  }
}

ComSoum::~ComSoum() = default;

void ComSoum::AddItem(std::shared_ptr<Item> article) {
  // Refused here rather than found by the validation, where it would crash.
  if (!article) {
    throw std::invalid_argument("ComSoum::AddItem\u00a0: aucune ligne de détail donnée");
  }
  lignes_.push_back(std::move(article));
}

bool ComSoum::Enregistrer(bool ModeItem) {
  ecrituresFaites_ = false;
  numeroDocument_.clear();
  importationTrouvee_.reset();
  sansRegistre_ = false;
  try {
    if (!Valider(ModeItem)) {
      return false;
    }
    return Poster(ModeItem);
  } catch (const ErreurInattendue& e) {
    message_ = QStringLiteral("Une erreur inconnue s'est produite : ") +
               QString::number(e.numero()) + kCrLf + e.description();
  } catch (const std::bad_alloc&) {
    message_ = QStringLiteral("Une erreur inconnue s'est produite : ") +
               QString::number(ErreurInattendue::kMemoireInsuffisante) + kCrLf +
               QStringLiteral("Mémoire insuffisante.");
  } catch (const std::exception& e) {
    message_ = QStringLiteral("Une erreur inconnue s'est produite : ") +
               QString::number(ErreurInattendue::kErreurInterne) + kCrLf +
               QStringLiteral("Erreur interne\u00a0: ") + QString::fromUtf8(e.what());
  } catch (...) {
    message_ = QStringLiteral("Une erreur inconnue s'est produite : ") +
               QString::number(ErreurInattendue::kErreurInterne) + kCrLf +
               QStringLiteral("Erreur interne non identifiée.");
  }
  return false;
}

bool ComSoum::Valider(bool ModeItem) {
  bool resultat = true;
  message_ = QStringLiteral("Des erreurs se sont produites");
  if (systemeComptable_ == 0) {
    message_ += kCrLf + QStringLiteral("Aucun type de système comptable fourni.");
    resultat = false;
  }
  if (cheminCie_.isEmpty()) {
    message_ += kCrLf + QStringLiteral("Aucun chemin vers la base de donnée fournie.");
    resultat = false;
  }
  if (!ModeItem) {
    if (!client_) {
      message_ += kCrLf + QStringLiteral("Le client n'a pas été défini!");
      resultat = false;
    } else if (!client_->IsValide(systemeComptable_)) {
      message_ += client_->Message();
      resultat = false;
    }
  }
  if (!resultat) {
    return false;
  }

  const QString aucuneLigne = kCrLf + QStringLiteral("Auncune ligne de détail fournie!");
  if (lignes_.empty()) {
    message_ = aucuneLigne;
    return false;
  }
  try {
    for (std::size_t position = 0; position < lignes_.size(); ++position) {
      Item& ligne = *lignes_[position];
      if (!ligne.IsValide(systemeComptable_)) {
        message_ += kCrLf + QStringLiteral("La ligne de détail ") + QString::number(position) +
                    QStringLiteral(" comporte des erreurs, impossible de continuer.") +
                    ligne.Message();
        resultat = false;
      }
    }
  } catch (const std::exception&) {
    message_ = aucuneLigne;
    return false;
  }
  return resultat;
}

BackEnd& ComSoum::OuvrirBackEnd(std::unique_ptr<BackEnd>& garde,
                                const ServicesDocument::FabriqueBackEnd& fabrique) {
  if (!fabrique) {
    throw ErreurInattendue(
        ErreurInattendue::kBackEndIndisponible,
        QStringLiteral(
            "Ce système comptable n'est pas disponible dans cette version du programme."));
  }
  garde = fabrique(*this);
  if (!garde) {
    throw ErreurInattendue(ErreurInattendue::kBackEndIndisponible,
                           QStringLiteral("Le système comptable n'a pas pu être préparé."));
  }
  return *garde;
}

bool ComSoum::Poster(bool ModeItem) {
  BackEnd* backEnd = nullptr;
  switch (systemeComptable_) {
    case 1:
      // Credentials are tested only once the whole document has passed.
      if (utilisateur_.isEmpty()) {
        message_ = QStringLiteral("Nom d'utilisateur obligatoire pour la connexion à Acomba.");
        return false;
      }
      if (motDePasse_.isEmpty()) {
        message_ = QStringLiteral("Mot de passe obligatoire pour la connexion à Acomba.");
        return false;
      }
      backEnd = &OuvrirBackEnd(acomba_, services_.acomba);
      break;
    case 2:
      backEnd = &OuvrirBackEnd(dbase_, services_.dbase);
      break;
    default:
      return true;  // no back end for this code: nothing to post
  }

  if (!backEnd->Ouvrir()) {
    return false;
  }
  // A step that fails stops the posting: an invoice must never name a
  // customer or a product that could not be written.
  bool resultat = false;
  if (ModeItem) {
    resultat = backEnd->EnregistrerProduits();
  } else {
    resultat = backEnd->Verifier() && backEnd->EnregistrerClient() &&
               backEnd->EnregistrerProduits() && backEnd->EnregistrerFacture();
  }
  backEnd->Fermer(resultat);
  return resultat;
}

void BackEnd::RemplacerMessage(const QString& texte) const { document_.message_ = texte; }
void BackEnd::SignalerEcriture() const { document_.ecrituresFaites_ = true; }
void BackEnd::SignalerEcrituresAnnulees() const { document_.ecrituresFaites_ = false; }
void BackEnd::SignalerNumeroDocument(const QString& numero) const {
  document_.numeroDocument_ = numero;
}
void BackEnd::SignalerDejaPostee(const RegistreImportation& registre) const {
  document_.importationTrouvee_ = registre;
  document_.message_ =
      QStringLiteral(
          "Le registre des importations de la compagnie indique que ce contenu y a déjà "
          "été transféré (document n° %1, importation n° %2). Rien n'a été écrit.")
          .arg(registre.numeroDocument, QString::number(registre.numero));
}
void BackEnd::SignalerSansRegistre() const {
  document_.sansRegistre_ = true;
  document_.message_ = QStringLiteral(
      "Ce système comptable ne tient pas de registre des importations. Rien n'a été écrit.");
}
const ReferenceImportation& BackEnd::importation() const { return document_.importation_; }
std::int32_t BackEnd::systemeComptable() const { return document_.systemeComptable_; }
const QString& BackEnd::cheminCie() const { return document_.cheminCie_; }
const QString& BackEnd::cheminApp() const { return document_.cheminApp_; }
const QString& BackEnd::utilisateur() const { return document_.utilisateur_; }
const QString& BackEnd::motDePasse() const { return document_.motDePasse_; }
const std::shared_ptr<Client>& BackEnd::client() const { return document_.client_; }
const std::vector<std::shared_ptr<Item>>& BackEnd::lignes() const { return document_.lignes_; }
QDateTime BackEnd::documentDate() const { return document_.documentDate_; }
bool BackEnd::soumission() const { return document_.soumission_; }

}  // namespace brivane
