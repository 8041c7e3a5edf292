#include "app/ImportEnLigne.h"

#include <algorithm>
#include <exception>

namespace brivane {

int CodeDe(ResultatImport resultat) {
  switch (resultat) {
    case ResultatImport::Transfere:
      return kTousTransferes;
    case ResultatImport::FichierNonIndique:
      return kFichierNonIndique;
    case ResultatImport::ConfigurationIncomplete:
      return kConfigurationIncomplete;
    case ResultatImport::LectureImpossible:
      return kLectureImpossible;
    case ResultatImport::Refuse:
      return kRefuse;
    case ResultatImport::DeplacementImpossible:
      return kDeplacementImpossible;
    case ResultatImport::Interrompu:
      return kInterrompu;
  }
  return kErreurInterne;
}

QString AideImportEnLigne(const QString& emplacementConfiguration) {
  return QStringLiteral(
             "Utilisation : brivane-import [--] FICHIER...\n"
             "\n"
             "Importe chaque facture (fichier CSV séparé par « ; ») dans votre système "
             "comptable,\n"
             "l'une après l'autre, avec la configuration enregistrée dans la fenêtre\n"
             "« Configuration Acomba » du programme brivane. Une facture transférée est "
             "déplacée\n"
             "dans le dossier des fichiers traités.\n"
             "\n"
             "Chaque message s'écrit « Titre : texte » : la confirmation sur la sortie "
             "standard,\n"
             "tout autre message sur la sortie d'erreur. Le mot de passe n'est jamais "
             "affiché.\n"
             "\n"
             "Options :\n"
             "  -h, --aide, --help   affiche cette aide et termine\n"
             "  --                   les arguments suivants sont des fichiers, même s'ils\n"
             "                       commencent par « - »\n"
             "\n"
             "Configuration : %1\n"
             "  La variable d'environnement BRIVANE_CONFIG_DIR désigne un autre dossier de\n"
             "  configuration (celui des deux programmes).\n"
             "\n"
             "Codes de sortie (avec plusieurs fichiers, le plus élevé l'emporte) :\n"
             "  0  toutes les factures ont été transférées et leurs fichiers déplacés\n"
             "  1  erreur interne inattendue\n"
             "  2  utilisation incorrecte (aucun fichier, option inconnue)\n"
             "  3  chemin de fichier vide\n"
             "  4  configuration incomplète (rien n'est importé)\n"
             "  5  fichier illisible ou incomplet : rien n'a été transféré\n"
             "  6  facture refusée : rien n'a été transféré, le fichier reste en place\n"
             "  7  facture transférée, mais son fichier n'a pas pu être déplacé :\n"
             "     ne l'importez pas une seconde fois\n"
             "  9  transfert interrompu après une partie des écritures (client, produits) :\n"
             "     le message dit ce qui a été écrit ; le fichier reste en place\n")
      .arg(emplacementConfiguration);
}

int ImporterEnLigne(const QStringList& arguments, platform::SettingsStore& store,
                    QTextStream& sortie, QTextStream& erreurs, const ServicesImport& services) {
  QStringList fichiers;
  bool options = true;
  for (const QString& a : arguments) {
    if (options && a == QStringLiteral("--")) {
      options = false;
    } else if (options && (a == QStringLiteral("-h") || a == QStringLiteral("--help") ||
                           a == QStringLiteral("--aide"))) {
      return kAideDemandee;
    } else if (options && a.startsWith(u'-') && a.size() > 1) {
      erreurs << QStringLiteral(
                     "brivane-import : option inconnue « %1 ». Voyez "
                     "brivane-import --aide.\n")
                     .arg(a);
      erreurs.flush();
      return kUsage;
    } else {
      fichiers << a;
    }
  }
  if (fichiers.isEmpty()) {
    erreurs << QStringLiteral(
        "brivane-import : aucun fichier à importer. Voyez brivane-import --aide.\n");
    erreurs.flush();
    return kUsage;
  }

  const auto afficher = [&](const QString& texte, const QString& titre) {
    QString lignes = titre + QStringLiteral(" : ") + texte;
    lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextStream& flux = titre == QStringLiteral("Confirmation") ? sortie : erreurs;
    flux << lignes << '\n';
    flux.flush();
  };
  int code = kTousTransferes;
  for (const QString& fichier : fichiers) {
    // The store is read anew for each file, as for each run of the window.
    const ConfigurationTransfert configuration = ConfigurationTransfert::Lire(store);
    ResultatImport resultat = ResultatImport::Refuse;
    try {
      resultat = ImporterFichier(
          fichier, configuration, afficher, [](bool) {}, services);
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
  sortie.flush();
  erreurs.flush();
  return code;
}

}  // namespace brivane
