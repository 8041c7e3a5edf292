#include "platform/CoffreMotDePasseQt.h"

#include "platform/os/Fichier.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <optional>
#include <utility>

namespace brivane::platform {

namespace {

// Starts the job and waits for its end, at most delai. The job deletes itself
// when it ends, even after the wait gave up on it; lire runs on the job while
// it still exists. Empty when the job did not end in time.
template <typename Job, typename Lecture>
std::optional<QKeychain::Error> Attendre(Job* job, std::chrono::milliseconds delai, Lecture lire) {
  QEventLoop boucle;
  std::optional<QKeychain::Error> erreur;
  // The loop is the context: a job that ends after the wait reaches nothing.
  QObject::connect(job, &QKeychain::Job::finished, &boucle, [&](QKeychain::Job*) {
    erreur = job->error();
    if (*erreur == QKeychain::NoError) {
      lire(*job);
    }
    boucle.quit();
  });
  QTimer::singleShot(delai, &boucle, &QEventLoop::quit);
  job->start();  // may end at once, for lack of a keyring
  if (!erreur) {
    // No click reaches the window while it waits.
    boucle.exec(QEventLoop::ExcludeUserInputEvents);
  }
  return erreur;
}

}  // namespace

CoffreMotDePasseQt::CoffreMotDePasseQt(QString service, std::chrono::milliseconds delai)
    : service_(std::move(service)), delai_(delai) {}

bool CoffreMotDePasseQt::Joignable() const {
  // Without the application's event loop no answer could ever arrive.
  const QCoreApplication* application = QCoreApplication::instance();
  return !muet_ && application != nullptr && QThread::currentThread() == application->thread();
}

ReponseCoffre CoffreMotDePasseQt::Lire(const QString& compte, QString& motDePasse) {
  if (!Joignable()) {
    return ReponseCoffre::Muet;
  }
  auto* job = new QKeychain::ReadPasswordJob(service_);
  job->setKey(compte);
  QString lu;
  const auto erreur =
      Attendre(job, delai_, [&lu](QKeychain::ReadPasswordJob& j) { lu = j.textData(); });
  if (erreur == QKeychain::NoError) {
    motDePasse = lu;
    return ReponseCoffre::Fait;
  }
  if (erreur == QKeychain::EntryNotFound) {
    return ReponseCoffre::Absent;
  }
  muet_ = true;
  return ReponseCoffre::Muet;
}

ReponseCoffre CoffreMotDePasseQt::Ecrire(const QString& compte, const QString& motDePasse) {
  if (!Joignable()) {
    return ReponseCoffre::Muet;
  }
  auto* job = new QKeychain::WritePasswordJob(service_);
  job->setKey(compte);
  job->setTextData(motDePasse);
  if (Attendre(job, delai_, [](QKeychain::WritePasswordJob&) {}) == QKeychain::NoError) {
    return ReponseCoffre::Fait;
  }
  muet_ = true;
  return ReponseCoffre::Muet;
}

ReponseCoffre CoffreMotDePasseQt::Supprimer(const QString& compte) {
  if (!Joignable()) {
    return ReponseCoffre::Muet;
  }
  auto* job = new QKeychain::DeletePasswordJob(service_);
  job->setKey(compte);
  const auto erreur = Attendre(job, delai_, [](QKeychain::DeletePasswordJob&) {});
  if (erreur == QKeychain::NoError || erreur == QKeychain::EntryNotFound) {
    return ReponseCoffre::Fait;
  }
  muet_ = true;
  return ReponseCoffre::Muet;
}

QString CoffreMotDePasseQt::Nom() const {
  return os::kWindows ? QStringLiteral("le Gestionnaire d'identification de Windows")
                      : QStringLiteral("le trousseau de la session (Secret Service ou KWallet)");
}

}  // namespace brivane::platform
