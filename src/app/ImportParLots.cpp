#include "app/ImportParLots.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <exception>

namespace brivane {

namespace {

bool Postee(const EntreeJournal& e) {
  return e.etat == EtatImport::Transferee || e.etat == EtatImport::Deplacee;
}

// The invoice number of what the run just did with the file, when posted.
QString NumeroDocument(const IssueFichier& issue, const ConfigurationTransfert& configuration,
                       const ServicesImport& services, JournalImport& journal) {
  if (issue.Transferee()) {
    const std::optional<EntreeJournal> e = DerniereEntree(journal, issue.chemin);
    return e && Postee(*e) ? e->numeroDocument : QString();
  }
  if (issue.resultat != ResultatImport::DejaTransfere || !services.lecteur) {
    return {};
  }
  // Posted earlier, perhaps under another name: found by its content, as the run found it.
  QString raison;
  const std::optional<QByteArray> octets = services.lecteur->LireOctets(issue.chemin, raison);
  if (!octets) {
    return {};
  }
  const QString empreinte =
      QString::fromLatin1(QCryptographicHash::hash(*octets, QCryptographicHash::Sha256).toHex());
  try {
    const std::optional<EntreeJournal> trouvee =
        journal.Chercher(empreinte, CleCompagnie(configuration.PathCie), configuration.Systeme());
    return trouvee ? trouvee->numeroDocument : QString();
  } catch (const ErreurJournal&) {
    return {};  // the summary shows the file without its number
  }
}

}  // namespace

QString IssueFichier::Libelle() const {
  if (erreurInattendue) {
    return QStringLiteral("Erreur inattendue");
  }
  switch (resultat) {
    case ResultatImport::Transfere:
      return QStringLiteral("Transférée");
    case ResultatImport::DeplacementTermine:
      return QStringLiteral("Déjà transférée, fichier déplacé");
    case ResultatImport::DeplacementImpossible:
      return QStringLiteral("Transférée, fichier non déplacé");
    case ResultatImport::DejaTransfere:
      return QStringLiteral("Déjà transférée, non transférée de nouveau");
    case ResultatImport::Refuse:
      return QStringLiteral("Refusée");
    case ResultatImport::Interrompu:
      return QStringLiteral("Interrompue");
    case ResultatImport::LectureImpossible:
      return QStringLiteral("Fichier illisible");
    case ResultatImport::DossierTraiteInutilisable:
      return QStringLiteral("Dossier des fichiers traités inutilisable");
    case ResultatImport::JournalInutilisable:
      return QStringLiteral("Journal des importations inutilisable");
    case ResultatImport::EnCoursAilleurs:
      return QStringLiteral("Importée ailleurs en ce moment");
    case ResultatImport::ConfigurationIncomplete:
      return QStringLiteral("Configuration incomplète");
    case ResultatImport::FichierNonIndique:
      return QStringLiteral("Fichier non indiqué");
  }
  return {};
}

QString IssueFichier::Conseil() const {
  if (erreurInattendue) {
    return QStringLiteral(
        "Vérifiez dans votre système comptable ce qui a été écrit, puis "
        "importez le fichier de nouveau.");
  }
  switch (resultat) {
    case ResultatImport::Transfere:
    case ResultatImport::DeplacementTermine:
      return QStringLiteral("Rien\u00a0: le fichier est dans le dossier des fichiers traités.");
    case ResultatImport::DeplacementImpossible:
      return QStringLiteral(
          "Déplacez le fichier vous-même ou, la cause corrigée, importez-le de "
          "nouveau\u00a0: il ne sera pas transféré une seconde fois.");
    case ResultatImport::DejaTransfere:
      return QStringLiteral(
          "Rien si elle ne doit y être qu'une fois\u00a0; sinon, importez le "
          "fichier de nouveau et répondez Oui.");
    case ResultatImport::Refuse:
      return QStringLiteral(
          "Corrigez ce que la raison indique, puis importez le fichier de "
          "nouveau\u00a0: rien n'a été transféré.");
    case ResultatImport::Interrompu:
      return QStringLiteral(
          "Vérifiez dans votre système comptable ce qui a été écrit, puis "
          "importez le fichier de nouveau.");
    case ResultatImport::LectureImpossible:
      return QStringLiteral(
          "Vérifiez l'emplacement et le contenu du fichier, puis importez-le "
          "de nouveau.");
    case ResultatImport::DossierTraiteInutilisable:
      return QStringLiteral(
          "Corrigez le dossier des fichiers traités (Configuration Acomba), "
          "puis importez le fichier de nouveau.");
    case ResultatImport::JournalInutilisable:
      return QStringLiteral(
          "Rendez le journal des importations accessible, puis importez le "
          "fichier de nouveau.");
    case ResultatImport::EnCoursAilleurs:
      return QStringLiteral(
          "Importez le fichier de nouveau quand l'autre importation sera "
          "terminée.");
    case ResultatImport::ConfigurationIncomplete:
      return QStringLiteral("Complétez la configuration, puis importez le fichier de nouveau.");
    case ResultatImport::FichierNonIndique:
      return QStringLiteral("Indiquez le fichier.");
  }
  return {};
}

bool IssueFichier::Transferee() const {
  return !erreurInattendue &&
         (resultat == ResultatImport::Transfere || resultat == ResultatImport::DeplacementTermine ||
          resultat == ResultatImport::DeplacementImpossible);
}

std::vector<IssueFichier> ImporterParLots(
    const QStringList& chemins, const ConfigurationTransfert& configuration,
    const IndiquerOccupeFn& IndiquerOccupe, const ServicesImport& services,
    const std::function<std::shared_ptr<JournalImport>()>& lecture) {
  std::vector<IssueFichier> issues;
  for (qsizetype i = 0; i < chemins.size(); ++i) {
    IssueFichier issue;
    issue.chemin = chemins[i];
    ServicesImport servicesFichier = services;
    // A question in the middle of a batch says which file it is about; the
    // summary keeps it with its answer.
    const QString entete = QStringLiteral("Fichier %1 sur %2\u00a0: «\u00a0%3\u00a0»\r\n\r\n")
                               .arg(QString::number(i + 1), QString::number(chemins.size()),
                                    QFileInfo(chemins[i]).fileName());
    servicesFichier.demander = [&services, &issue, entete](const QString& constat,
                                                           const QString& question,
                                                           const QString& titre) {
      const bool oui = services.demander && services.demander(entete + constat, question, titre);
      issue.messages << QStringLiteral("%1\u00a0: %2\n%3 Réponse\u00a0: %4.")
                            .arg(titre,
                                 QString(constat).replace(QStringLiteral("\r\n"),
                                                          QStringLiteral("\n")),
                                 question, oui ? QStringLiteral("Oui") : QStringLiteral("Non"));
      return oui;
    };
    try {
      issue.resultat = ImporterFichier(
          issue.chemin, configuration,
          [&issue](const QString& texte, const QString& titre) {
            QString lignes = texte;
            lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            issue.messages << titre + QStringLiteral("\u00a0: ") + lignes;
          },
          IndiquerOccupe, servicesFichier);
    } catch (const std::exception& e) {
      issue.erreurInattendue = true;
      issue.messages << QStringLiteral(
                            "Erreur\u00a0: L'importation s'est arrêtée sur une erreur "
                            "inattendue\u00a0: %1")
                            .arg(QString::fromUtf8(e.what()));
    }
    if (!issue.erreurInattendue) {
      if (const std::shared_ptr<JournalImport> journal = lecture ? lecture() : nullptr) {
        issue.numeroDocument = NumeroDocument(issue, configuration, services, *journal);
      }
    }
    issues.push_back(std::move(issue));
  }
  return issues;
}

std::optional<EntreeJournal> DerniereEntree(JournalImport& journal, const QString& chemin) {
  std::vector<EntreeJournal> entrees;
  try {
    entrees = journal.Lister();
  } catch (const ErreurJournal&) {
    return std::nullopt;
  }
  const QString cle = CheminJournal(chemin);
  for (const EntreeJournal& e : entrees) {
    if (e.fichier == cle) {
      return e;
    }
  }
  return std::nullopt;
}

QString TexteFichiers(const QStringList& chemins) {
  if (chemins.size() == 1) {
    return chemins.constFirst();
  }
  QStringList noms;
  for (const QString& c : chemins) {
    noms << QFileInfo(c).fileName();
  }
  return QStringLiteral("%1 fichiers\u00a0: %2")
      .arg(QString::number(chemins.size()), noms.join(QStringLiteral(", ")));
}

QString LibelleSysteme(int systeme) {
  switch (systeme) {
    case kSystemeSdk:
      return QStringLiteral("1 – Acomba (SDK)");
    case kSystemeDbase:
      return QStringLiteral("2 – Tables dBASE");
    default:
      return QString::number(systeme);
  }
}

}  // namespace brivane
