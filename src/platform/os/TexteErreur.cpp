#include "platform/os/Systeme.h"

#include <array>
#include <cerrno>

namespace brivane::os {

namespace {

struct Translation {
  int code;
  const char* text;
};

constexpr std::array kTranslations{
    Translation{ENOENT, "le fichier ou le dossier n'existe pas"},
    Translation{ENOTDIR, "un élément du chemin n'est pas un dossier"},
    Translation{EISDIR, "c'est un dossier et non un fichier"},
    Translation{EACCES, "permission refusée"},
    Translation{EPERM, "opération non permise"},
    Translation{EROFS, "le disque est en lecture seule"},
    Translation{ENOSPC, "le disque est plein"},
#ifdef EDQUOT
    Translation{EDQUOT, "votre quota d'espace disque est atteint"},
#endif
    Translation{EFBIG, "le fichier est trop grand pour ce disque"},
    Translation{EIO, "erreur d'entrée-sortie du disque"},
    Translation{ENAMETOOLONG, "le nom du fichier est trop long"},
    Translation{ELOOP, "le chemin passe par trop de liens symboliques"},
    Translation{EEXIST, "un fichier de ce nom existe déjà"},
    Translation{ENOTEMPTY, "le dossier n'est pas vide"},
    Translation{EXDEV, "les deux emplacements sont sur des disques différents"},
    Translation{EBUSY, "le fichier est occupé par un autre programme"},
    Translation{ETXTBSY, "le fichier est occupé par un programme en cours"},
    Translation{EMFILE, "ce programme a trop de fichiers ouverts"},
    Translation{ENFILE, "le système a trop de fichiers ouverts"},
    Translation{ENOMEM, "la mémoire est insuffisante"},
    Translation{EINVAL, "opération invalide pour ce fichier"},
    Translation{EAGAIN, "ressource momentanément indisponible, réessayez"},
    Translation{EINTR, "opération interrompue"},
    Translation{ENXIO, "le périphérique n'est pas disponible"},
    Translation{ENODEV, "le périphérique n'existe pas"},
    Translation{EPIPE, "le programme qui lisait la sortie s'est arrêté"},
    Translation{EBADF, "le fichier n'est pas ouvert"},
    Translation{EMLINK, "le dossier contient trop de liens"},
    Translation{ETIMEDOUT, "le délai d'attente est dépassé (disque réseau)"},
#ifdef ESTALE
    Translation{ESTALE, "le fichier réseau n'est plus disponible"},
#endif
#ifdef ENOTCONN
    Translation{ENOTCONN, "le disque réseau n'est pas connecté"},
#endif
#ifdef EOPNOTSUPP
    Translation{EOPNOTSUPP, "opération non prise en charge par ce disque"},
#endif
};

constexpr auto kCodes = [] {
  std::array<int, kTranslations.size()> codes{};
  for (std::size_t i = 0; i < kTranslations.size(); ++i) {
    codes[i] = kTranslations[i].code;
  }
  return codes;
}();

}  // namespace

std::string TexteErreurFrancais(int code) {
  for (const Translation& t : kTranslations) {
    if (t.code == code) {
      return t.text;
    }
  }
  if (code > kWindowsErrorBase) {
    return "erreur du système Windows n° " + std::to_string(code - kWindowsErrorBase);
  }
  return "erreur du système n° " + std::to_string(code);
}

std::span<const int> ErreursTraduites() { return kCodes; }

}  // namespace brivane::os
