#include "platform/ErreurSysteme.h"

#include <array>
#include <cerrno>

namespace brivane::platform {

namespace {

struct Traduction {
  int erreur;
  const char* texte;
};

constexpr std::array kTraductions{
    Traduction{ENOENT, "le fichier ou le dossier n'existe pas"},
    Traduction{ENOTDIR, "un élément du chemin n'est pas un dossier"},
    Traduction{EISDIR, "c'est un dossier et non un fichier"},
    Traduction{EACCES, "permission refusée"},
    Traduction{EPERM, "opération non permise"},
    Traduction{EROFS, "le disque est en lecture seule"},
    Traduction{ENOSPC, "le disque est plein"},
#ifdef EDQUOT
    Traduction{EDQUOT, "votre quota d'espace disque est atteint"},
#endif
    Traduction{EFBIG, "le fichier est trop grand pour ce disque"},
    Traduction{EIO, "erreur d'entrée-sortie du disque"},
    Traduction{ENAMETOOLONG, "le nom du fichier est trop long"},
    Traduction{ELOOP, "le chemin passe par trop de liens symboliques"},
    Traduction{EEXIST, "un fichier de ce nom existe déjà"},
    Traduction{ENOTEMPTY, "le dossier n'est pas vide"},
    Traduction{EXDEV, "les deux emplacements sont sur des disques différents"},
    Traduction{EBUSY, "le fichier est occupé par un autre programme"},
    Traduction{ETXTBSY, "le fichier est occupé par un programme en cours"},
    Traduction{EMFILE, "ce programme a trop de fichiers ouverts"},
    Traduction{ENFILE, "le système a trop de fichiers ouverts"},
    Traduction{ENOMEM, "la mémoire est insuffisante"},
    Traduction{EINVAL, "opération invalide pour ce fichier"},
    Traduction{EAGAIN, "ressource momentanément indisponible, réessayez"},
    Traduction{EINTR, "opération interrompue"},
    Traduction{ENXIO, "le périphérique n'est pas disponible"},
    Traduction{ENODEV, "le périphérique n'existe pas"},
    Traduction{EPIPE, "le programme qui lisait la sortie s'est arrêté"},
    Traduction{EBADF, "le fichier n'est pas ouvert"},
    Traduction{EMLINK, "le dossier contient trop de liens"},
    Traduction{ETIMEDOUT, "le délai d'attente est dépassé (disque réseau)"},
    Traduction{ESTALE, "le fichier réseau n'est plus disponible"},
#ifdef ENOTCONN
    Traduction{ENOTCONN, "le disque réseau n'est pas connecté"},
#endif
#ifdef EOPNOTSUPP
    Traduction{EOPNOTSUPP, "opération non prise en charge par ce disque"},
#endif
};

constexpr auto kErreurs = [] {
  std::array<int, kTraductions.size()> erreurs{};
  for (std::size_t i = 0; i < kTraductions.size(); ++i) {
    erreurs[i] = kTraductions[i].erreur;
  }
  return erreurs;
}();

}  // namespace

std::string TexteErreurSysteme(int erreur) {
  for (const Traduction& t : kTraductions) {
    if (t.erreur == erreur) {
      return t.texte;
    }
  }
  return "erreur du système n° " + std::to_string(erreur);
}

std::span<const int> ErreursTraduites() { return kErreurs; }

}  // namespace brivane::platform
