#include "app/ImporterFichier.h"

#include "app/LireFactureCsv.h"
#include "company/FabriqueParDefaut.h"
#include "dbase/FabriqueParDefaut.h"
#include "document/ComSoum.h"
#include "platform/HorlogeQt.h"
#include "platform/os/Fichier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
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

// "importation n° 12 du journal, fichier « … »", with the document number when known.
QString Reference(const EntreeJournal& e) {
  QString texte = QStringLiteral("importation n° %1 du journal, fichier « %2 »")
                      .arg(QString::number(e.numero), e.fichier);
  if (!e.numeroDocument.isEmpty()) {
    texte += QStringLiteral(", document n° %1").arg(e.numeroDocument);
  }
  return texte;
}

// Holds this run's claim on the content until the run ends; a run that ends
// before posting forgets the entry it wrote.
class Revendique {
 public:
  Revendique(JournalImport& journal, const Revendication& r)
      : journal_(journal),
        numero_(r.entree.numero),
        oublier_(r.issue == IssueRevendication::Obtenue) {}
  ~Revendique() {
    QString raison;
    journal_.Relacher(numero_, oublier_, raison);
  }
  Revendique(const Revendique&) = delete;
  Revendique& operator=(const Revendique&) = delete;

  qint64 Numero() const { return numero_; }
  bool Marquer(EtatImport etat, QString& raison, const QString& numeroDocument = {}) {
    return journal_.Marquer(numero_, etat, raison, numeroDocument);
  }

 private:
  JournalImport& journal_;
  qint64 numero_;
  bool oublier_;
};

struct Run {
  const QString& chemin;
  const QString cible;
  const AfficherMessageFn& AfficherMessage;
  const ServicesImport& services;

  // Moves the file and notes the move; confirms (before the move when the
  // caller wants it so, which only a new posting allows: a confirmation
  // that says the file is moved comes after it is).
  ResultatImport Conclure(qint64 numero, const QString& confirmation, ResultatImport succes,
                          bool confirmationSurDeplacement) const {
    QString raison;
    QString cibleFinale;
    bool deplace = false;
    QString raisonJournal;
    bool journalAJour = true;
    const auto deplacer = [&] {
      deplace = services.deplaceur->DeplacerSousNomLibre(chemin, cible, cibleFinale, raison);
      if (deplace) {
        journalAJour = services.journal->Marquer(numero, EtatImport::Deplacee, raisonJournal);
      }
    };
    if (services.deplacerAvantConfirmation || confirmationSurDeplacement) {
      deplacer();
      if (deplace) {
        AfficherMessage(confirmation, kConfirmation);
      }
    } else {
      AfficherMessage(confirmation, kConfirmation);
      deplacer();
    }
    if (!deplace) {
      // Importing again mends a move only while the file is there to import.
      const bool present = services.deplaceur->Present(chemin);
      AfficherMessage(
          QStringLiteral("La facture est transférée à votre système comptable, mais le fichier "
                         "« %1 » n'a pas été déplacé vers « %2 » : %3.")
                  .arg(chemin, cible, raison) +
              (present ? QStringLiteral("\r\nDéplacez-le vous-même ou, la cause corrigée, "
                                        "importez-le de nouveau : il sera déplacé sans être "
                                        "transféré une seconde fois.")
                       : QString()),
          QStringLiteral("Déplacement du fichier"));
      return ResultatImport::DeplacementImpossible;
    }
    if (cibleFinale != cible) {
      AfficherMessage(QStringLiteral("Un fichier « %1 » est arrivé entre-temps dans le dossier des "
                                     "fichiers traités : le fichier importé y est déplacé sous le "
                                     "nom « %2 ».")
                          .arg(cible, cibleFinale),
                      QStringLiteral("Déplacement du fichier"));
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

  bool Demander(const QString& constat, const QString& question, const QString& titre) const {
    return services.demander && services.demander(constat, question, titre);
  }

  // Claims the content, waiting for another import of it to end; asks before
  // a content posted before is claimed again. False with the outcome when
  // this run goes no further.
  bool Revendiquer(const EntreeJournal& entree, Revendication& r, bool& forcer,
                   ResultatImport& issue) const {
    JournalImport& journal = *services.journal;
    QElapsedTimer attente;
    bool signale = false;
    for (;;) {
      QString raison;
      if (!journal.Revendiquer(entree, forcer, r, raison)) {
        issue = RefusJournal(raison);
        return false;
      }
      if (r.issue == IssueRevendication::EnCoursAilleurs) {
        if (!attente.isValid()) {
          attente.start();
        }
        const auto reste = services.attenteMaximale - std::chrono::milliseconds(attente.elapsed());
        if (reste <= std::chrono::milliseconds(0)) {
          AfficherMessage(
              QStringLiteral("Le fichier « %1 » n'est pas importé : une autre importation de ce "
                             "même contenu dans la même compagnie (%2) est toujours en cours après "
                             "%3 secondes.%4 Importez-le de nouveau quand elle sera terminée.")
                  .arg(chemin, Reference(r.entree),
                       QString::number(services.attenteMaximale.count() / 1000), kRienTransfere),
              QStringLiteral("Importation en cours"));
          issue = ResultatImport::EnCoursAilleurs;
          return false;
        }
        if (!signale && services.signalerAttente) {
          services.signalerAttente(
              QStringLiteral("Une autre importation de ce même contenu dans la même compagnie "
                             "est en cours (%1) : attente de sa fin.")
                  .arg(Reference(r.entree)));
        }
        signale = true;
        journal.AttendreFin(r.entree.numero, reste);
        continue;
      }
      if (r.issue != IssueRevendication::DejaTransferee) {
        return true;
      }
      const EntreeJournal& p = r.entree;
      const QString quand = DateLisible(p.fin.isValid() ? p.fin : p.debut);
      if (p.etat == EtatImport::Transferee) {
        issue = Conclure(
            p.numero,
            QStringLiteral("Cette facture a déjà été transférée à votre système comptable le %1 "
                           "(%2), mais son fichier n'avait pas été déplacé. Elle n'est pas "
                           "transférée une seconde fois ; son fichier est déplacé dans le dossier "
                           "des fichiers traités.")
                .arg(quand, Reference(p)),
            ResultatImport::DeplacementTermine, true);
        return false;
      }
      if (!Demander(QStringLiteral("Le contenu de ce fichier a déjà été transféré à votre système "
                                   "comptable, dans la même compagnie, le %1 (%2).")
                        .arg(quand, Reference(p)),
                    QStringLiteral("Voulez-vous le transférer une seconde fois ?"),
                    QStringLiteral("Facture déjà transférée"))) {
        issue = ResultatImport::DejaTransfere;
        return false;
      }
      forcer = true;
    }
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

QString CheminJournal(const QString& chemin) {
  return QDir::toNativeSeparators(QFileInfo(chemin).absoluteFilePath());
}

QString CleCompagnie(const QString& dossier) {
  const QString canonique = QFileInfo(dossier).canonicalFilePath();
  return canonique.isEmpty() ? dossier : canonique;
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
  entree.fichier = CheminJournal(chemin);
  entree.compagnie = CleCompagnie(configuration.PathCie);
  entree.systeme = systeme;

  QString raison;
  QString identite;
  if (!journal.Identite(identite, raison)) {
    return run.RefusJournal(raison);
  }
  Revendication r;
  bool forcer = false;
  ResultatImport issue = ResultatImport::Refuse;
  if (!run.Revendiquer(entree, r, forcer, issue)) {
    return issue;
  }
  Revendique revendication(journal, r);
  const bool reprise = r.issue == IssueRevendication::Reprise;

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

  // An import that stopped is resumed only where the company can tell
  // whether it was posted; elsewhere the user is asked.
  ReferenceImportation reference{entree.empreinte, identite, revendication.Numero(), !forcer,
                                 reprise && !forcer};
  document.Importation(reference);
  bool poste = document.Enregistrer(false);
  if (!poste && document.SansRegistre()) {
    if (!run.Demander(
            QStringLiteral("Une importation de ce même contenu dans la même compagnie a "
                           "commencé le %1 (%2) et ne s'est jamais terminée : la facture a "
                           "peut-être été transférée. Vérifiez-le dans votre système comptable.")
                .arg(DateLisible(r.entree.debut), Reference(r.entree)),
            QStringLiteral("Voulez-vous la transférer quand même ?"),
            QStringLiteral("Importation interrompue"))) {
      return ResultatImport::DejaTransfere;
    }
    reference.exigerRegistre = false;
    document.Importation(reference);
    poste = document.Enregistrer(false);
  }
  if (!poste && document.ImportationTrouvee()) {
    const RegistreImportation trouve = *document.ImportationTrouvee();
    const QString quand = DateLisible(trouve.moment);
    if (trouve.journal == identite && trouve.numero == revendication.Numero()) {
      // This very entry's posting, written before its import stopped.
      QString raisonJournal;
      if (!revendication.Marquer(EtatImport::Transferee, raisonJournal, trouve.numeroDocument)) {
        return run.RefusJournal(raisonJournal);
      }
      r.entree.numeroDocument = trouve.numeroDocument;
      return run.Conclure(
          revendication.Numero(),
          QStringLiteral("Cette facture a été transférée à votre système comptable le %1 (%2) par "
                         "une importation qui s'est arrêtée avant de déplacer son fichier. Elle "
                         "n'est pas transférée une seconde fois ; son fichier est déplacé dans le "
                         "dossier des fichiers traités.")
              .arg(quand, Reference(r.entree)),
          ResultatImport::DeplacementTermine, true);
    }
    if (!run.Demander(
            QStringLiteral("Le contenu de ce fichier a déjà été transféré à votre système "
                           "comptable, dans la même compagnie, le %1 (document n° %2, selon le "
                           "registre des importations de la compagnie).")
                .arg(quand, trouve.numeroDocument),
            QStringLiteral("Voulez-vous le transférer une seconde fois ?"),
            QStringLiteral("Facture déjà transférée"))) {
      return ResultatImport::DejaTransfere;
    }
    reference.refuserSiDejaPostee = false;
    reference.exigerRegistre = false;
    document.Importation(reference);
    poste = document.Enregistrer(false);
  }
  if (!poste) {
    // A refusal that cannot be noted stays en cours: the next attempt asks.
    revendication.Marquer(EtatImport::Refusee, raison);
    AfficherMessage(document.Message(), kValidation);
    return document.EcrituresFaites() ? ResultatImport::Interrompu : ResultatImport::Refuse;
  }
  QString raisonJournal;
  const bool note =
      revendication.Marquer(EtatImport::Transferee, raisonJournal, document.NumeroDocument());
  const ResultatImport resultat =
      run.Conclure(revendication.Numero(),
                   QStringLiteral("La facture a été transférer à votre système comptable."),
                   ResultatImport::Transfere, false);
  if (!note) {
    AfficherMessage(QStringLiteral("Le journal des importations n'a pas pu noter que la facture "
                                   "est transférée : %1.")
                        .arg(raisonJournal),
                    QStringLiteral("Journal des importations"));
  }
  return resultat;
}

}  // namespace brivane
