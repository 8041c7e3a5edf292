#include "app/ImporterFichier.h"

#include "app/LireFactureCsv.h"
#include "document/ComSoum.h"
#include "platform/os/Fichier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

#include <optional>

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

// Notes a state in the journal: why it could not, or nothing.
template <class F>
std::optional<QString> NoterJournal(F&& noter) {
  try {
    noter();
  } catch (const ErreurJournal& e) {
    return e.description();
  }
  return std::nullopt;
}

// Holds this run's claim on the content until the run ends; a run that ends
// before it tries to post forgets the entry it wrote.
class Revendique {
 public:
  Revendique(JournalImport& journal, const Revendication& r)
      : journal_(journal),
        numero_(r.entree.numero),
        oublier_(r.issue == IssueRevendication::Obtenue) {}
  ~Revendique() {
    try {
      journal_.Relacher(numero_, oublier_);
    } catch (const ErreurJournal&) {
      // Given up all the same; the entry stays en cours for the next import.
    }
  }
  Revendique(const Revendique&) = delete;
  Revendique& operator=(const Revendique&) = delete;

  qint64 Numero() const { return numero_; }
  // From the first attempt to post, the entry is kept whatever happens: it
  // is what tells the next import that this content may be in the company.
  void TentativeDePostage() { oublier_ = false; }
  // Throws ErreurJournal.
  void Marquer(EtatImport etat, const QString& numeroDocument = {}) {
    journal_.Marquer(numero_, etat, numeroDocument);
  }

 private:
  JournalImport& journal_;
  qint64 numero_;
  bool oublier_;
};

// One run, as the steps it takes in order. A step that ends the run gives its
// outcome; none lets the next step follow. The claim is released when the run
// is destroyed, before the document and the busy pointer go.
class Importation {
 public:
  Importation(const QString& chemin, const ConfigurationTransfert& configuration,
              const AfficherMessageFn& AfficherMessage, const ServicesImport& services)
      : chemin_(chemin),
        configuration_(configuration),
        cible_(CheminTraite(chemin, configuration.DossierTraite)),
        systeme_(configuration.Systeme()),
        AfficherMessage_(AfficherMessage),
        services_(services),
        document_(services.document),
        lecteur_(*services.lecteur) {}

  // Reads the file into the document; nothing is posted when it cannot be.
  std::optional<ResultatImport> Lire() {
    try {
      LireFactureCsv(chemin_, configuration_.GroupeProd, document_, lecteur_);
    } catch (const ErreurLecture& e) {
      AfficherMessage_(e.Texte() + kRienTransfere, QStringLiteral("Lecture du fichier"));
      return ResultatImport::LectureImpossible;
    }
    return std::nullopt;
  }

  // Claims the content in the journal, waiting for another import of it and
  // asking before posting again what was posted before.
  std::optional<ResultatImport> Revendiquer() {
    if (!services_.journal) {
      return RefusJournal(QStringLiteral("aucun journal des importations n'est disponible"));
    }
    entree_.empreinte = QString::fromLatin1(
        QCryptographicHash::hash(lecteur_.Octets(), QCryptographicHash::Sha256).toHex());
    // Where the file was, whatever folder the caller was working in.
    entree_.fichier = CheminJournal(chemin_);
    entree_.compagnie = CleCompagnie(configuration_.PathCie);
    entree_.systeme = systeme_;

    try {
      identite_ = services_.journal->Identite();
    } catch (const ErreurJournal& e) {
      return RefusJournal(e.description());
    }
    if (const std::optional<ResultatImport> issue = AttendreRevendication()) {
      return issue;
    }
    revendication_.emplace(*services_.journal, r_);
    return std::nullopt;
  }

  // Whatever would stop the move is found before anything is posted.
  std::optional<ResultatImport> VerifierDossierTraite() const {
    QString raison;
    if (!services_.deplaceur->PeutRecevoir(chemin_, cible_, raison)) {
      AfficherMessage_(QStringLiteral("Le fichier « %1 » n'est pas importé : %2.%3")
                           .arg(chemin_, raison, kRienTransfere),
                       QStringLiteral("Dossier des fichiers traités"));
      return ResultatImport::DossierTraiteInutilisable;
    }
    return std::nullopt;
  }

  // Posts the document; asks before posting what may have been posted
  // already, and ends the run on a refusal.
  std::optional<ResultatImport> Poster() {
    PreparerDocument();
    // An import that stopped is resumed only where the company can tell
    // whether it was posted; elsewhere the user is asked.
    const bool reprise = r_.issue == IssueRevendication::Reprise;
    ReferenceImportation reference{entree_.empreinte, identite_, revendication_->Numero(), !forcer_,
                                   reprise && !forcer_};
    document_.Importation(reference);
    revendication_->TentativeDePostage();
    bool poste = document_.Enregistrer(false);
    if (!poste && document_.SansRegistre()) {
      if (!Demander(
              QStringLiteral("Une importation de ce même contenu dans la même compagnie a "
                             "commencé le %1 (%2) et ne s'est jamais terminée : la facture a "
                             "peut-être été transférée. Vérifiez-le dans votre système comptable.")
                  .arg(DateLisible(r_.entree.debut), Reference(r_.entree)),
              QStringLiteral("Voulez-vous la transférer quand même ?"),
              QStringLiteral("Importation interrompue"))) {
        return ResultatImport::DejaTransfere;
      }
      reference.exigerRegistre = false;
      document_.Importation(reference);
      poste = document_.Enregistrer(false);
    }
    if (!poste && document_.ImportationTrouvee()) {
      if (const std::optional<ResultatImport> issue = SuivreRegistre(reference, poste)) {
        return issue;
      }
    }
    if (!poste) {
      // A refusal that cannot be noted stays en cours: the next attempt asks.
      NoterJournal([&] { revendication_->Marquer(EtatImport::Refusee); });
      AfficherMessage_(document_.Message(), kValidation);
      return document_.EcrituresFaites() ? ResultatImport::Interrompu : ResultatImport::Refuse;
    }
    return std::nullopt;
  }

  // Notes the posting, confirms it and moves the file.
  ResultatImport Conclure() {
    const std::optional<QString> raisonJournal = NoterJournal(
        [&] { revendication_->Marquer(EtatImport::Transferee, document_.NumeroDocument()); });
    const ResultatImport resultat =
        Deplacer(revendication_->Numero(),
                 QStringLiteral("La facture a été transférer à votre système comptable."),
                 ResultatImport::Transfere, false);
    if (raisonJournal) {
      AfficherMessage_(QStringLiteral("Le journal des importations n'a pas pu noter que la "
                                      "facture est transférée : %1.")
                           .arg(*raisonJournal),
                       QStringLiteral("Journal des importations"));
    }
    return resultat;
  }

 private:
  // Moves the file and notes the move; confirms (before the move when the
  // caller wants it so, which only a new posting allows: a confirmation
  // that says the file is moved comes after it is).
  ResultatImport Deplacer(qint64 numero, const QString& confirmation, ResultatImport succes,
                          bool confirmationSurDeplacement) const {
    QString raison;
    QString cibleFinale;
    bool deplace = false;
    std::optional<QString> raisonJournal;
    const auto deplacer = [&] {
      deplace = services_.deplaceur->DeplacerSousNomLibre(chemin_, cible_, cibleFinale, raison);
      if (deplace) {
        raisonJournal =
            NoterJournal([&] { services_.journal->Marquer(numero, EtatImport::Deplacee); });
      }
    };
    if (services_.deplacerAvantConfirmation || confirmationSurDeplacement) {
      deplacer();
      if (deplace) {
        AfficherMessage_(confirmation, kConfirmation);
      }
    } else {
      AfficherMessage_(confirmation, kConfirmation);
      deplacer();
    }
    if (!deplace) {
      // Importing again mends a move only while the file is there to import.
      const bool present = services_.deplaceur->Present(chemin_);
      AfficherMessage_(
          QStringLiteral("La facture est transférée à votre système comptable, mais le fichier "
                         "« %1 » n'a pas été déplacé vers « %2 » : %3.")
                  .arg(chemin_, cible_, raison) +
              (present ? QStringLiteral("\r\nDéplacez-le vous-même ou, la cause corrigée, "
                                        "importez-le de nouveau : il sera déplacé sans être "
                                        "transféré une seconde fois.")
                       : QString()),
          QStringLiteral("Déplacement du fichier"));
      return ResultatImport::DeplacementImpossible;
    }
    if (cibleFinale != cible_) {
      AfficherMessage_(QStringLiteral("Un fichier « %1 » est arrivé entre-temps dans le dossier "
                                      "des fichiers traités : le fichier importé y est déplacé "
                                      "sous le nom « %2 ».")
                           .arg(cible_, cibleFinale),
                       QStringLiteral("Déplacement du fichier"));
    }
    if (raisonJournal) {
      AfficherMessage_(QStringLiteral("La facture est transférée et son fichier déplacé, mais le "
                                      "journal des importations n'a pas pu le noter : %1.")
                           .arg(*raisonJournal),
                       QStringLiteral("Journal des importations"));
    }
    return succes;
  }

  ResultatImport RefusJournal(const QString& raison) const {
    AfficherMessage_(QStringLiteral("Le fichier « %1 » n'est pas importé : %2.%3")
                         .arg(chemin_, raison, kRienTransfere),
                     QStringLiteral("Journal des importations"));
    return ResultatImport::JournalInutilisable;
  }

  bool Demander(const QString& constat, const QString& question, const QString& titre) const {
    return services_.demander && services_.demander(constat, question, titre);
  }

  // The claim itself: waits while another import of the content runs; asks
  // before a content posted before is claimed again.
  std::optional<ResultatImport> AttendreRevendication() {
    JournalImport& journal = *services_.journal;
    QElapsedTimer attente;
    bool signale = false;
    for (;;) {
      try {
        r_ = journal.Revendiquer(entree_, forcer_);
      } catch (const ErreurJournal& e) {
        return RefusJournal(e.description());
      }
      if (r_.issue == IssueRevendication::EnCoursAilleurs) {
        if (!attente.isValid()) {
          attente.start();
        }
        const auto reste = services_.attenteMaximale - std::chrono::milliseconds(attente.elapsed());
        if (reste <= std::chrono::milliseconds(0)) {
          AfficherMessage_(
              QStringLiteral("Le fichier « %1 » n'est pas importé : une autre importation de ce "
                             "même contenu dans la même compagnie (%2) est toujours en cours après "
                             "%3 secondes.%4 Importez-le de nouveau quand elle sera terminée.")
                  .arg(chemin_, Reference(r_.entree),
                       QString::number(services_.attenteMaximale.count() / 1000), kRienTransfere),
              QStringLiteral("Importation en cours"));
          return ResultatImport::EnCoursAilleurs;
        }
        if (!signale && services_.signalerAttente) {
          services_.signalerAttente(
              QStringLiteral("Une autre importation de ce même contenu dans la même compagnie "
                             "est en cours (%1) : attente de sa fin.")
                  .arg(Reference(r_.entree)));
        }
        signale = true;
        journal.AttendreFin(r_.entree.numero, reste);
        continue;
      }
      if (r_.issue != IssueRevendication::DejaTransferee) {
        return std::nullopt;
      }
      const EntreeJournal& p = r_.entree;
      const QString quand = DateLisible(p.fin.isValid() ? p.fin : p.debut);
      if (p.etat == EtatImport::Transferee) {
        return Deplacer(
            p.numero,
            QStringLiteral("Cette facture a déjà été transférée à votre système comptable le %1 "
                           "(%2), mais son fichier n'avait pas été déplacé. Elle n'est pas "
                           "transférée une seconde fois ; son fichier est déplacé dans le dossier "
                           "des fichiers traités.")
                .arg(quand, Reference(p)),
            ResultatImport::DeplacementTermine, true);
      }
      if (!Demander(QStringLiteral("Le contenu de ce fichier a déjà été transféré à votre système "
                                   "comptable, dans la même compagnie, le %1 (%2).")
                        .arg(quand, Reference(p)),
                    QStringLiteral("Voulez-vous le transférer une seconde fois ?"),
                    QStringLiteral("Facture déjà transférée"))) {
        return ResultatImport::DejaTransfere;
      }
      forcer_ = true;
    }
  }

  // The document carries the configuration's company, credentials and, for
  // dBASE, what its tables require of a line and the file does not carry.
  void PreparerDocument() {
    if (systeme_ == kSystemeDbase) {
      for (const std::shared_ptr<Item>& ligne : document_.Lignes()) {
        ligne->fournisseur(configuration_.Fournisseur);
        ligne->PosteGlVente(configuration_.PosteGlVente);
        ligne->PosteGlAchat(configuration_.PosteGlAchat);
      }
    }
    document_.SystemeComptable(systeme_);
    document_.cheminCie(configuration_.PathCie);
    document_.cheminApp(configuration_.PathAcomba);
    document_.Utilisateur(configuration_.UserAcomba);
    document_.MotDePasse(configuration_.PWDAcomba);
    document_.Soumission(true);
  }

  // The company's record of imports holds this content: this run's own
  // stopped posting is only moved; another posting is repeated on Oui.
  std::optional<ResultatImport> SuivreRegistre(ReferenceImportation& reference, bool& poste) {
    const RegistreImportation trouve = *document_.ImportationTrouvee();
    const QString quand = DateLisible(trouve.moment);
    if (trouve.journal == identite_ && trouve.numero == revendication_->Numero()) {
      // This very entry's posting, written before its import stopped.
      if (const std::optional<QString> raisonJournal = NoterJournal(
              [&] { revendication_->Marquer(EtatImport::Transferee, trouve.numeroDocument); })) {
        return RefusJournal(*raisonJournal);
      }
      r_.entree.numeroDocument = trouve.numeroDocument;
      return Deplacer(
          revendication_->Numero(),
          QStringLiteral("Cette facture a été transférée à votre système comptable le %1 (%2) par "
                         "une importation qui s'est arrêtée avant de déplacer son fichier. Elle "
                         "n'est pas transférée une seconde fois ; son fichier est déplacé dans le "
                         "dossier des fichiers traités.")
              .arg(quand, Reference(r_.entree)),
          ResultatImport::DeplacementTermine, true);
    }
    if (!Demander(
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
    document_.Importation(reference);
    poste = document_.Enregistrer(false);
    return std::nullopt;
  }

  const QString& chemin_;
  const ConfigurationTransfert& configuration_;
  const QString cible_;
  const std::int32_t systeme_;
  const AfficherMessageFn& AfficherMessage_;
  const ServicesImport& services_;
  ComSoum document_;
  const LecteurMemorisant lecteur_;
  EntreeJournal entree_;
  QString identite_;
  Revendication r_;
  bool forcer_ = false;
  // Last, so that the claim is released first.
  std::optional<Revendique> revendication_;
};

}  // namespace

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

namespace {

// The checks made before anything is read.
std::optional<ResultatImport> Verifier(const QString& chemin,
                                       const ConfigurationTransfert& configuration,
                                       const AfficherMessageFn& AfficherMessage) {
  if (chemin.isEmpty()) {
    AfficherMessage(QStringLiteral("Vous devez indiquer le fichier CSV avant de continuer."),
                    kValidation);
    return ResultatImport::FichierNonIndique;
  }
  if (!configuration.EstComplete()) {
    AfficherMessage(configuration.MessageIncomplete(), kValidation);
    return ResultatImport::ConfigurationIncomplete;
  }
  return std::nullopt;
}

}  // namespace

ResultatImport ImporterFichier(const QString& chemin, const ConfigurationTransfert& configuration,
                               const AfficherMessageFn& AfficherMessage,
                               const IndiquerOccupeFn& IndiquerOccupe,
                               const ServicesImport& services) {
  if (const std::optional<ResultatImport> issue =
          Verifier(chemin, configuration, AfficherMessage)) {
    return *issue;
  }
  const PointeurOccupeActif occupe(IndiquerOccupe);
  Importation importation(chemin, configuration, AfficherMessage, services);
  std::optional<ResultatImport> issue = importation.Lire();
  if (!issue) {
    issue = importation.Revendiquer();
  }
  if (!issue) {
    issue = importation.VerifierDossierTraite();
  }
  if (!issue) {
    issue = importation.Poster();
  }
  return issue ? *issue : importation.Conclure();
}

}  // namespace brivane
