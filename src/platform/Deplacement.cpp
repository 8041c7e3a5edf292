#include "platform/Deplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace brivane::platform {

namespace {

QByteArray DossierDe(const QByteArray& chemin) {
  const qsizetype i = chemin.lastIndexOf('/');
  if (i < 0) {
    return QByteArrayLiteral(".");
  }
  return i == 0 ? QByteArrayLiteral("/") : chemin.left(i);
}

// Makes a rename or a removal in the folder survive a power cut.
void SynchroniserDossier(const QByteArray& dossier) {
  const int fd = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// A rename that fails with EEXIST rather than replace b. File systems without
// RENAME_NOREPLACE get a hard link then an unlink, which never replaces either.
int RenommerSansEcraser(const QByteArray& a, const QByteArray& b) {
  if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  const int erreur = errno;
  if (erreur != EINVAL && erreur != ENOSYS && erreur != EOPNOTSUPP) {
    return erreur;
  }
  if (::link(a.constData(), b.constData()) != 0) {
    return errno;
  }
  if (::unlink(a.constData()) != 0) {
    const int e = errno;
    ::unlink(b.constData());
    return e;
  }
  return 0;
}

int EcrireTout(int fd, const char* octets, ssize_t n) {
  while (n > 0) {
    const ssize_t ecrits = ::write(fd, octets, static_cast<size_t>(n));
    if (ecrits < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    octets += ecrits;
    n -= ecrits;
  }
  return 0;
}

// Copies the content of source into the open file fd.
int Copier(const QByteArray& source, int fd) {
  const int entree = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
  if (entree < 0) {
    return errno;
  }
  struct stat etat {};
  if (::fstat(entree, &etat) != 0 || !S_ISREG(etat.st_mode)) {
    const int e = errno != 0 ? errno : EINVAL;
    ::close(entree);
    return e;
  }
  ::fchmod(fd, etat.st_mode & 07777);
  static constexpr ssize_t kBloc = 1 << 16;
  char tampon[kBloc];
  int erreur = 0;
  for (;;) {
    const ssize_t lus = ::read(entree, tampon, kBloc);
    if (lus < 0 && errno == EINTR) {
      continue;
    }
    if (lus < 0) {
      erreur = errno;
      break;
    }
    if (lus == 0) {
      break;
    }
    erreur = EcrireTout(fd, tampon, lus);
    if (erreur != 0) {
      break;
    }
  }
  ::close(entree);
  return erreur;
}

int CopierPuisSupprimer(const QByteArray& source, const QByteArray& cible) {
  const QByteArray dossier = DossierDe(cible);
  QByteArray temporaire = dossier + QByteArrayLiteral("/.brivane-deplacement-XXXXXX");
  const int fd = ::mkostemp(temporaire.data(), O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  int erreur = Copier(source, fd);
  if (erreur == 0 && ::fsync(fd) != 0) {
    erreur = errno;
  }
  if (::close(fd) != 0 && erreur == 0) {
    erreur = errno;
  }
  if (erreur == 0) {
    erreur = RenommerSansEcraser(temporaire, cible);
  }
  if (erreur != 0) {
    ::unlink(temporaire.constData());
    return erreur;
  }
  SynchroniserDossier(dossier);
  if (::unlink(source.constData()) != 0) {
    // The source stays: the copy goes, so that the file exists only once.
    erreur = errno;
    ::unlink(cible.constData());
    SynchroniserDossier(dossier);
    return erreur;
  }
  SynchroniserDossier(DossierDe(source));
  return 0;
}

}  // namespace

int DeplacerSansEcraser(const QByteArray& source, const QByteArray& cible, ModeDeplacement mode) {
  if (mode == ModeDeplacement::Normal) {
    const int erreur = RenommerSansEcraser(source, cible);
    if (erreur != EXDEV) {
      if (erreur == 0) {
        SynchroniserDossier(DossierDe(cible));
        SynchroniserDossier(DossierDe(source));
      }
      return erreur;
    }
  }
  struct stat etat {};
  if (::lstat(cible.constData(), &etat) == 0) {
    return EEXIST;
  }
  return CopierPuisSupprimer(source, cible);
}

}  // namespace brivane::platform
