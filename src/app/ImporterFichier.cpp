#include "app/ImporterFichier.h"

#include "app/LireFactureCsv.h"
#include "company/FabriqueParDefaut.h"
#include "dbase/FabriqueParDefaut.h"
#include "document/ComSoum.h"
#include "platform/HorlogeQt.h"
#include "platform/os/Fichier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace brivane {

namespace {

constexpr char16_t kSeparateur = os::kPathSeparator;

const QString kValidation = QStringLiteral("Validation");
const QString kConfirmation = QStringLiteral("Confirmation");
const QString kRienTransfere = QStringLiteral(
    "\r\nRien n'a été transféré à votre système comptable et le fichier n'a pas été déplacé.");

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

// Keeps the bytes the reader gave, so that the journal fingerprints exactly
// what was posted, without reading the file twice.
class LecteurMemorisant final : public platform::LecteurFichier {
 public:
  explicit LecteurMemorisant(const platform::LecteurFichier& lecteur) : lecteur_(lecteur) {}
  std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const override {
    std::optional<QByteArray> octets = lecteur_.LireOctets(chemin, raison);
    if (octets) {
      octets_ = *octets;
    }
    return octets;
  }
  const QByteArray& Octets() const { return octets_; }

 private:
  const platform::LecteurFichier& lecteur_;
  mutable QByteArray octets_;
};

// The company as the journal knows it: the same folder however it was typed.
QString CleCompagnie(const QString& dossier) {
  const QString canonique = QFileInfo(dossier).canonicalFilePath();
  return canonique.isEmpty() ? dossier : canonique;
}

// "importation n° 12 du journal, fichier « … »", with the document number when known.
QString Reference(const EntreeJournal& e) {
  QString texte = QStringLiteral("importation n° %1 du journal, fichier « %2 »")
                      .arg(QString::number(e.numero), e.fichier);
  if (!e.numeroDocument.isEmpty()) {
    texte += QStringLiteral(", document n° %1").arg(e.numeroDocument);
  }
  return texte;
}

struct Run {
  const QString& chemin;
  const QString cible;
  const AfficherMessageFn& AfficherMessage;
  const ServicesImport& services;

  // Confirms and moves (in the order the caller wants), then notes the move.
  ResultatImport Conclure(qint64 numero, const QString& confirmation, ResultatImport succes) const {
    QString raison;
    bool deplace = false;
    QString raisonJournal;
    bool journalAJour = true;
    const auto deplacer = [&] {
      deplace = services.deplaceur->Deplacer(chemin, cible, raison);
      if (deplace) {
        journalAJour = services.journal->Marquer(numero, EtatImport::Deplacee, raisonJournal);
      }
    };
    if (services.deplacerAvantConfirmation) {
      deplacer();
      AfficherMessage(confirmation, kConfirmation);
    } else {
      AfficherMessage(confirmation, kConfirmation);
      deplacer();
    }
    if (!deplace) {
      AfficherMessage(
          QStringLiteral("La facture est transférée à votre système comptable, mais le fichier "
                         "« %1 » n'a pas été déplacé vers « %2 » : %3.\r\nDéplacez-le vous-même, "
                         "ou importez-le de nouveau : il sera déplacé sans être transféré une "
                         "seconde fois.")
              .arg(chemin, cible, raison),
          QStringLiteral("Déplacement du fichier"));
      return ResultatImport::DeplacementImpossible;
    }
    if (!journalAJour) {
      AfficherMessage(QStringLiteral("La facture est transférée et son fichier déplacé, mais le "
                                     "journal des importations n'a pas pu le noter : %1.")
                          .arg(raisonJournal),
                      QStringLiteral("Journal des importations"));
    }
    return succes;
  }

  ResultatImport RefusJournal(const QString& raison) const {
    AfficherMessage(QStringLiteral("Le fichier « %1 » n'est pas importé : %2.%3")
                        .arg(chemin, raison, kRienTransfere),
                    QStringLiteral("Journal des importations"));
    return ResultatImport::JournalInutilisable;
  }
};

}  // namespace

ServicesImport ServicesImport::Defaut() {
  return {std::make_shared<platform::LecteurFichierQt>(),
          std::make_shared<platform::DeplaceurFichierQt>(),
          ServicesDocument{std::make_shared<platform::HorlogeQt>(), acomba::FabriqueParDefaut(),
                           dbase::FabriqueParDefaut()},
          std::make_shared<SqliteJournalImport>(SqliteJournalImport::CheminParDefaut()),
          DemanderFn(),
          false};
}

QString CheminTraite(const QString& chemin, const QString& dossierTraite) {
  const QString nom = chemin.mid(chemin.lastIndexOf(kSeparateur) + 1);
  return dossierTraite + kSeparateur + nom;
}

QString DateLisible(const QDateTime& moment) {
  return QLocale(QLocale::French, QLocale::Canada)
      .toString(moment.toLocalTime(), QStringLiteral("d MMMM yyyy 'à' HH:mm"));
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
    AfficherMessage(configuration.MessageIncomplete(), kValidation);
    return ResultatImport::ConfigurationIncomplete;
  }

  const PointeurOccupeActif occupe(IndiquerOccupe);
  ComSoum document(services.document);
  const LecteurMemorisant lecteur(*services.lecteur);
  try {
    LireFactureCsv(chemin, configuration.GroupeProd, document, lecteur);
  } catch (const ErreurLecture& e) {
    AfficherMessage(e.Texte() + kRienTransfere, QStringLiteral("Lecture du fichier"));
    return ResultatImport::LectureImpossible;
  }

  const std::int32_t systeme = configuration.Systeme();
  const Run run{chemin, CheminTraite(chemin, configuration.DossierTraite), AfficherMessage,
                services};
  if (!services.journal) {
    return run.RefusJournal(QStringLiteral("aucun journal des importations n'est disponible"));
  }
  JournalImport& journal = *services.journal;
  EntreeJournal entree;
  entree.empreinte = QString::fromLatin1(
      QCryptographicHash::hash(lecteur.Octets(), QCryptographicHash::Sha256).toHex());
  // Where the file was, whatever folder the caller was working in.
  entree.fichier = QDir::toNativeSeparators(QFileInfo(chemin).absoluteFilePath());
  entree.compagnie = CleCompagnie(configuration.PathCie);
  entree.systeme = systeme;

  // The same content posted before into the same company.
  QString raison;
  std::optional<EntreeJournal> precedente;
  if (!journal.Chercher(entree.empreinte, entree.compagnie, entree.systeme, precedente, raison)) {
    return run.RefusJournal(raison);
  }
  if (precedente && precedente->etat == EtatImport::Transferee) {
    return run.Conclure(
        precedente->numero,
        QStringLiteral("Cette facture a déjà été transférée à votre système comptable le %1 (%2), "
                       "mais son fichier n'avait pas été déplacé. Elle n'est pas transférée une "
                       "seconde fois ; son fichier est déplacé dans le dossier des fichiers "
                       "traités.")
            .arg(DateLisible(precedente->fin.isValid() ? precedente->fin : precedente->debut),
                 Reference(*precedente)),
        ResultatImport::DeplacementTermine);
  }
  if (precedente) {
    const bool interrompue = precedente->etat == EtatImport::EnCours;
    const QString constat =
        interrompue
            ? QStringLiteral(
                  "Une importation de ce même contenu dans la même compagnie a "
                  "commencé le %1 (%2) et ne s'est jamais terminée : la facture a "
                  "peut-être été transférée. Vérifiez-le dans votre système comptable.")
                  .arg(DateLisible(precedente->debut), Reference(*precedente))
            : QStringLiteral(
                  "Le contenu de ce fichier a déjà été transféré à votre système "
                  "comptable, dans la même compagnie, le %1 (%2).")
                  .arg(DateLisible(precedente->fin.isValid() ? precedente->fin : precedente->debut),
                       Reference(*precedente));
    const QString question = interrompue
                                 ? QStringLiteral("Voulez-vous la transférer quand même ?")
                                 : QStringLiteral("Voulez-vous le transférer une seconde fois ?");
    const QString titre = interrompue ? QStringLiteral("Importation interrompue")
                                      : QStringLiteral("Facture déjà transférée");
    if (!services.demander || !services.demander(constat, question, titre)) {
      return ResultatImport::DejaTransfere;
    }
  }

  // Whatever would stop the move is found before anything is posted.
  if (!services.deplaceur->PeutRecevoir(chemin, run.cible, raison)) {
    AfficherMessage(QStringLiteral("Le fichier « %1 » n'est pas importé : %2.%3")
                        .arg(chemin, raison, kRienTransfere),
                    QStringLiteral("Dossier des fichiers traités"));
    return ResultatImport::DossierTraiteInutilisable;
  }

  if (systeme == kSystemeDbase) {
    // What the dBASE tables require of a line and the file does not carry.
    for (const std::shared_ptr<Item>& ligne : document.Lignes()) {
      ligne->fournisseur(configuration.Fournisseur);
      ligne->PosteGlVente(configuration.PosteGlVente);
      ligne->PosteGlAchat(configuration.PosteGlAchat);
    }
  }
  document.SystemeComptable(systeme);
  document.cheminCie(configuration.PathCie);
  document.cheminApp(configuration.PathAcomba);
  document.Utilisateur(configuration.UserAcomba);
  document.MotDePasse(configuration.PWDAcomba);
  document.Soumission(true);

  const qint64 numero = journal.Commencer(entree, raison);
  if (numero == 0) {
    return run.RefusJournal(raison);
  }
  if (!document.Enregistrer(false)) {
    // A refusal that cannot be noted stays en cours: the next attempt asks.
    journal.Marquer(numero, EtatImport::Refusee, raison);
    AfficherMessage(document.Message(), kValidation);
    return document.EcrituresFaites() ? ResultatImport::Interrompu : ResultatImport::Refuse;
  }
  QString raisonJournal;
  const bool note = journal.Marquer(numero, EtatImport::Transferee, raisonJournal);
  const ResultatImport resultat =
      run.Conclure(numero, QStringLiteral("La facture a été transférer à votre système comptable."),
                   ResultatImport::Transfere);
  if (!note) {
    AfficherMessage(QStringLiteral("Le journal des importations n'a pas pu noter que la facture "
                                   "est transférée : %1.")
                        .arg(raisonJournal),
                    QStringLiteral("Journal des importations"));
  }
  return resultat;
}

}  // namespace brivane
