#include "app/LireFactureCsv.h"
#include "document/BackEnd.h"
#include "document/ComSoum.h"
#include "document/Item.h"
#include "platform/Horloge.h"
#include "targets/Targets.h"

#include <cmath>

namespace brivane::fuzz {

namespace {

constexpr const char* kCible = "invoice_reader";

// The file's bytes, from memory.
class LecteurMemoire final : public platform::LecteurFichier {
 public:
  explicit LecteurMemoire(QByteArray octets) : octets_(std::move(octets)) {}
  std::optional<QByteArray> LireOctets(const QString&, QString&) const override { return octets_; }

 private:
  QByteArray octets_;
};

class HorlogeFixe final : public platform::Horloge {
 public:
  QDate aujourdhui() const override { return QDate(2026, 12, 8); }
};

// Accepts every step: what is left to check is the validation.
class BackEndMuet final : public BackEnd {
 public:
  using BackEnd::BackEnd;
  bool Ouvrir() override { return true; }
  bool EnregistrerClient() override { return true; }
  bool EnregistrerProduits() override {
    for (const auto& ligne : lignes()) {
      if (!std::isfinite(ligne->Quantite()) || !std::isfinite(ligne->Cout())) {
        Echec(kCible, QStringLiteral("une ligne validée porte un nombre infini"));
      }
    }
    return true;
  }
  bool EnregistrerFacture() override { return true; }
  void Fermer(bool) override {}
};

}  // namespace

void LectureFacture(const std::uint8_t* data, std::size_t size) {
  const QByteArray octets(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  ServicesDocument services;
  services.horloge = std::make_shared<HorlogeFixe>();
  services.acomba = [](ComSoum& d) { return std::make_unique<BackEndMuet>(d); };
  ComSoum document(services);
  const LecteurMemoire lecteur(octets);
  try {
    LireFactureCsv(QStringLiteral("facture.csv"), QStringLiteral("5"), document, lecteur,
                   QLocale::c());
  } catch (const ErreurLecture& e) {
    if (e.raison().isEmpty() || e.ligne() < 0 || !e.Texte().contains(e.raison())) {
      Echec(kCible, QStringLiteral("erreur de lecture sans raison : ") + e.Texte());
    }
    return;
  }
  document.SystemeComptable(1);
  document.Utilisateur(QStringLiteral("u"));
  document.MotDePasse(QStringLiteral("p"));
  document.cheminCie(QStringLiteral("/nulle-part"));
  if (!document.Enregistrer() && document.Message().isEmpty()) {
    Echec(kCible, QStringLiteral("refus sans message"));
  }
}

}  // namespace brivane::fuzz
