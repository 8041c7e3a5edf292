#include "app/ImporterFichier.h"

#include "app/LireFactureCsv.h"
#include "document/ComSoum.h"

namespace brivane {

namespace {

#ifdef Q_OS_WIN
constexpr char16_t kSeparateur = u'\\';
#else
constexpr char16_t kSeparateur = u'/';
#endif

const QString kValidation = QStringLiteral("Validation");

// Switches the busy pointer off when the run leaves, on every path.
class PointeurOccupeActif {
 public:
  explicit PointeurOccupeActif(const IndiquerOccupeFn& indiquer) : indiquer_(indiquer) {
    indiquer_(true);
  }
  ~PointeurOccupeActif() { indiquer_(false); }
  PointeurOccupeActif(const PointeurOccupeActif&) = delete;
  PointeurOccupeActif& operator=(const PointeurOccupeActif&) = delete;

 private:
  const IndiquerOccupeFn& indiquer_;
};

}  // namespace

ServicesImport ServicesImport::Defaut() {
  return {std::make_shared<platform::QtLecteurFichier>(),
          std::make_shared<platform::QtDeplaceurFichier>(), DocumentServices::Defaut()};
}

QString CheminTraite(const QString& chemin, const QString& dossierTraite) {
  const QString nom = chemin.mid(chemin.lastIndexOf(kSeparateur) + 1);
  return dossierTraite + kSeparateur + nom;
}

ResultatImport ImporterFichier(const QString& chemin, const ConfigurationTransfert& configuration,
                               const AfficherMessageFn& AfficherMessage,
                               const IndiquerOccupeFn& IndiquerOccupe,
                               const ServicesImport& services) {
  if (chemin.isEmpty()) {
    AfficherMessage(QStringLiteral("Vous devez indiquer le fichier CSV avant de continuer."),
                    kValidation);
    return ResultatImport::FichierNonIndique;
  }
  if (!configuration.EstComplete()) {
    AfficherMessage(QStringLiteral("La configuration du transfert pour Acomba n'est pas compléte. "
                                   "Veuillez la faire avant de continuer."),
                    kValidation);
    return ResultatImport::ConfigurationIncomplete;
  }

  const PointeurOccupeActif occupe(IndiquerOccupe);
  ComSoum document(services.document);
  try {
    LireFactureCsv(chemin, configuration.GroupeProd, document, *services.lecteur);
  } catch (const ErreurLecture& e) {
    AfficherMessage(e.Texte() + QStringLiteral("\r\nRien n'a été transféré à votre système "
                                               "comptable et le fichier n'a pas été déplacé."),
                    QStringLiteral("Lecture du fichier"));
    return ResultatImport::LectureImpossible;
  }

  document.SystemeComptable(1);
  document.cheminCie(configuration.PathCie);
  document.cheminApp(configuration.PathAcomba);
  document.Utilisateur(configuration.UserAcomba);
  document.MotDePasse(configuration.PWDAcomba);
  document.Soumission(true);

  if (!document.Enregistrer(false)) {
    AfficherMessage(document.Message(), kValidation);
    return document.EcrituresFaites() ? ResultatImport::Interrompu : ResultatImport::Refuse;
  }

  AfficherMessage(QStringLiteral("La facture a été transférer à votre système comptable."),
                  QStringLiteral("Confirmation"));
  const QString cible = CheminTraite(chemin, configuration.DossierTraite);
  QString raison;
  if (!services.deplaceur->Deplacer(chemin, cible, raison)) {
    AfficherMessage(
        QStringLiteral("La facture est transférée à votre système comptable, mais le fichier "
                       "« %1 » n'a pas été déplacé vers « %2 » : %3.\r\nNe l'importez pas une "
                       "seconde fois : déplacez-le vous-même.")
            .arg(chemin, cible, raison),
        QStringLiteral("Déplacement du fichier"));
    return ResultatImport::DeplacementImpossible;
  }
  return ResultatImport::Transfere;
}

}  // namespace brivane
