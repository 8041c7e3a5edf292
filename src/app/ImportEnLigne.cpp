#include "app/ImportEnLigne.h"

#include <algorithm>
#include <exception>

namespace brivane {

namespace {

struct Options {
  QStringList fichiers;
  bool aide = false;
  bool reimporter = false;
  bool journal = false;
  QString systeme;  // --systeme: this run's accounting system, whatever the settings say
};

// Each option: its spellings and what it sets.
struct Option {
  QStringList noms;
  bool Options::*drapeau;
};

const Option kOptions[] = {
    {{QStringLiteral("-h"), QStringLiteral("--aide"), QStringLiteral("--help")}, &Options::aide},
    {{QStringLiteral("--reimporter")}, &Options::reimporter},
    {{QStringLiteral("--journal")}, &Options::journal},
};

// Writes and reports whether the text reached its destination.
bool Ecrire(QTextStream& flux, const QString& texte) {
  flux << texte;
  flux.flush();
  return flux.status() == QTextStream::Ok;
}

int ListerJournal(JournalImport& journal, QTextStream& sortie, QTextStream& erreurs) {
  std::vector<EntreeJournal> entrees;
  try {
    entrees = journal.Lister();
  } catch (const ErreurJournal& e) {
    Ecrire(erreurs, QStringLiteral("Journal des importations : %1.\n").arg(e.description()));
    return kErreurInterne;
  }
  QString texte;
  if (entrees.empty()) {
    texte = QStringLiteral("Le journal des importations est vide.\n");
  } else {
    texte = QStringLiteral(
        "N°\tDébut\tFin\tÉtat\tFichier\tCompagnie\tSystème\tDocument\t"
        "Empreinte SHA-256\n");
  }
  for (const EntreeJournal& e : entrees) {
    const auto date = [](const QDateTime& t) {
      return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         : QStringLiteral("-");
    };
    texte +=
        QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8\t%9\n")
            .arg(QString::number(e.numero), date(e.debut), date(e.fin), Libelle(e.etat), e.fichier,
                 e.compagnie, QString::number(e.systeme),
                 e.numeroDocument.isEmpty() ? QStringLiteral("-") : e.numeroDocument, e.empreinte);
  }
  return Ecrire(sortie, texte) ? kTousTransferes : kSortieImpossible;
}

}  // namespace

int CodeDe(ResultatImport resultat) {
  switch (resultat) {
    case ResultatImport::Transfere:
    case ResultatImport::DeplacementTermine:
      return kTousTransferes;
    case ResultatImport::FichierNonIndique:
      return kFichierNonIndique;
    case ResultatImport::ConfigurationIncomplete:
      return kConfigurationIncomplete;
    case ResultatImport::LectureImpossible:
      return kLectureImpossible;
    case ResultatImport::Refuse:
    case ResultatImport::DossierTraiteInutilisable:
    case ResultatImport::JournalInutilisable:
      return kRefuse;
    case ResultatImport::DeplacementImpossible:
      return kDeplacementImpossible;
    case ResultatImport::DejaTransfere:
      return kDejaTransfere;
    case ResultatImport::Interrompu:
      return kInterrompu;
    case ResultatImport::EnCoursAilleurs:
      return kEnCoursAilleurs;
  }
  return kErreurInterne;
}

QString AideImportEnLigne(const QString& emplacementConfiguration,
                          const QString& emplacementJournal) {
  return QStringLiteral(
             "Utilisation : brivane-import [--systeme 1|2] [--reimporter] [--] FICHIER...\n"
             "              brivane-import --journal\n"
             "\n"
             "Importe chaque facture (fichier CSV séparé par « ; ») dans votre système "
             "comptable,\n"
             "l'une après l'autre, avec la configuration enregistrée dans la fenêtre\n"
             "« Configuration Acomba » du programme brivane. Une facture transférée est "
             "déplacée\n"
             "dans le dossier des fichiers traités, avant que sa confirmation ne s'écrive.\n"
             "\n"
             "Chaque message s'écrit « Titre : texte » : la confirmation sur la sortie "
             "standard,\n"
             "tout autre message sur la sortie d'erreur. Le mot de passe n'est jamais "
             "affiché.\n"
             "\n"
             "Chaque importation est notée dans le journal des importations, avec l'empreinte\n"
             "SHA-256 du contenu du fichier. Un contenu déjà transféré dans la même compagnie "
             "n'est\n"
             "pas transféré de nouveau (code 8) ; s'il a été transféré sans que son fichier "
             "soit\n"
             "déplacé, le fichier est déplacé sans rien transférer. Pendant qu'une autre\n"
             "importation du même contenu est en cours, celle-ci attend sa fin (au plus 60 s).\n"
             "\n"
             "Options :\n"
             "  -h, --aide, --help   affiche cette aide et termine\n"
             "  --version            affiche la version et termine\n"
             "  --systeme 1|2        le système comptable de cette exécution, quel que soit\n"
             "                       celui de la configuration : 1 Acomba, 2 les tables\n"
             "                       dBASE du dossier de la compagnie\n"
             "  --reimporter         transfère aussi un contenu déjà transféré\n"
             "  --journal            affiche le journal des importations, la plus récente\n"
             "                       d'abord, et termine\n"
             "  --                   les arguments suivants sont des fichiers, même s'ils\n"
             "                       commencent par « - »\n"
             "\n"
             "Configuration : %1\n"
             "Journal : %2\n"
             "  La variable d'environnement BRIVANE_CONFIG_DIR désigne un autre dossier pour\n"
             "  la configuration et le journal des deux programmes.\n"
             "\n"
             "Un fichier est lu s'il est un fichier ordinaire (un lien vers l'un d'eux convient)\n"
             "d'au plus 64 Mo.\n"
             "\n"
             "Codes de sortie (avec plusieurs fichiers, le plus élevé l'emporte) :\n"
             "  0  toutes les factures ont été transférées et leurs fichiers déplacés\n"
             "  1  erreur interne inattendue, ou journal illisible (--journal)\n"
             "  2  utilisation incorrecte (aucun fichier, option inconnue, --systeme autre\n"
             "     que 1 ou 2)\n"
             "  3  chemin de fichier vide\n"
             "  4  configuration incomplète ou illisible (rien n'est importé)\n"
             "  5  fichier illisible, incomplet, trop grand ou qui n'est pas un fichier\n"
             "     ordinaire : rien n'a été transféré\n"
             "  6  facture refusée, ou dossier des fichiers traités ou journal inutilisable :\n"
             "     rien n'a été transféré, le fichier reste en place\n"
             "  7  facture transférée, mais son fichier n'a pas pu être déplacé : la cause\n"
             "     corrigée, une nouvelle importation le déplace sans le transférer\n"
             "     de nouveau\n"
             "  8  contenu déjà transféré dans cette compagnie : rien n'a été transféré\n"
             "     (--reimporter pour le transférer quand même)\n"
             "  9  transfert interrompu après une partie des écritures (client, produits) :\n"
             "     le message dit ce qui a été écrit ; le fichier reste en place\n"
             "  10 la sortie standard n'a pas pu être écrite (tube fermé, disque plein) ;\n"
             "     les factures ont été traitées comme le disent les autres codes\n"
             "  11 une autre importation du même contenu dans la même compagnie était encore\n"
             "     en cours après 60 s d'attente : rien n'a été transféré\n")
      .arg(emplacementConfiguration, emplacementJournal);
}

int ImporterEnLigne(const QStringList& arguments, platform::StockageReglages& store,
                    QTextStream& sortie, QTextStream& erreurs, const ServicesImport& services) {
  Options options;
  bool finOptions = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (!finOptions && a == QStringLiteral("--")) {
      finOptions = true;
      continue;
    }
    if (finOptions || !a.startsWith(u'-') || a.size() == 1) {
      options.fichiers << a;
      continue;
    }
    if (a == QStringLiteral("--systeme") || a.startsWith(QStringLiteral("--systeme="))) {
      options.systeme = a.contains(u'=')           ? a.section(u'=', 1)
                        : i + 1 < arguments.size() ? arguments[++i]
                                                   : QString();
      if (options.systeme != QStringLiteral("1") && options.systeme != QStringLiteral("2")) {
        Ecrire(erreurs, QStringLiteral("brivane-import\u00a0: --systeme attend 1 (Acomba) ou 2 "
                                       "(tables dBASE), pas «\u00a0%1\u00a0». Voyez "
                                       "brivane-import --aide.\n")
                            .arg(options.systeme));
        return kUsage;
      }
      continue;
    }
    const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                     [&](const Option& o) { return o.noms.contains(a); });
    if (option == std::end(kOptions)) {
      Ecrire(erreurs, QStringLiteral("brivane-import : option inconnue « %1 ». Voyez "
                                     "brivane-import --aide.\n")
                          .arg(a));
      return kUsage;
    }
    options.*(option->drapeau) = true;
  }
  if (options.aide) {
    return kAideDemandee;
  }
  if (options.journal) {
    if (!services.journal) {
      return kErreurInterne;
    }
    return ListerJournal(*services.journal, sortie, erreurs);
  }
  if (options.fichiers.isEmpty()) {
    Ecrire(erreurs,
           QStringLiteral(
               "brivane-import : aucun fichier à importer. Voyez brivane-import --aide.\n"));
    return kUsage;
  }

  bool sortieEcrite = true;
  const auto afficher = [&](const QString& texte, const QString& titre) {
    QString lignes = titre + QStringLiteral(" : ") + texte + u'\n';
    lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!Ecrire(titre == QStringLiteral("Confirmation") ? sortie : erreurs, lignes)) {
      sortieEcrite = false;
    }
  };
  ServicesImport enLigne = services;
  // Everything is on disk before a word is written: a reader that went away
  // cannot leave a posted file in place.
  enLigne.deplacerAvantConfirmation = true;
  enLigne.signalerAttente = [&](const QString& texte) {
    afficher(texte, QStringLiteral("Attente"));
  };
  enLigne.demander = [&](const QString& constat, const QString&, const QString& titre) {
    if (options.reimporter) {
      afficher(constat + QStringLiteral(" Transférée de nouveau (--reimporter)."), titre);
      return true;
    }
    afficher(constat + QStringLiteral(" Rien n'est transféré (--reimporter pour transférer quand "
                                      "même)."),
             titre);
    return false;
  };
  int code = kTousTransferes;
  for (const QString& fichier : options.fichiers) {
    // The store is read anew for each file, as for each run of the window.
    QString raison;
    // After the empty path, as an incomplete configuration would be.
    if (!fichier.isEmpty() && !store.Lisible(kApplication, raison)) {
      afficher(raison, QStringLiteral("Configuration"));
      code = std::max<int>(code, kConfigurationIncomplete);
      break;
    }
    ConfigurationTransfert configuration = ConfigurationTransfert::Lire(store);
    if (!options.systeme.isEmpty()) {
      configuration.SystemeComptable = options.systeme;
    }
    ResultatImport resultat = ResultatImport::Refuse;
    try {
      resultat = ImporterFichier(
          fichier, configuration, afficher, [](bool) {}, enLigne);
    } catch (const std::exception& e) {
      afficher(QStringLiteral("L'importation du fichier « %1 » s'est arrêtée sur une erreur "
                              "inattendue : %2")
                   .arg(fichier, QString::fromUtf8(e.what())),
               QStringLiteral("Erreur"));
      code = std::max<int>(code, kErreurInterne);
      continue;
    }
    code = std::max(code, CodeDe(resultat));
    if (resultat == ResultatImport::ConfigurationIncomplete) {
      break;  // no other file can go further
    }
  }
  if (!sortieEcrite) {
    code = std::max<int>(code, kSortieImpossible);
  }
  return code;
}

}  // namespace brivane
