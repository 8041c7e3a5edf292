#pragma once

#include "dbase/Command.h"
#include "document/BackEnd.h"
#include "platform/BaseDonnees.h"
#include "platform/NomOrdinateur.h"
#include "platform/ParametresRegionaux.h"
#include "platform/os/Fichier.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace brivane::dbase {

// What the dBASE back end needs from the platform.
struct ServicesDbf {
  std::shared_ptr<platform::FournisseurBaseDonnees> base;
  std::shared_ptr<const platform::NomOrdinateur> ordinateur;
  std::shared_ptr<const platform::ParametresRegionaux> regional;
  // What the record table is made through: the file system `base` writes
  // through, so that every write of a posting goes through one.
  os::SystemeFichiers& fichiers;
  // How long a posting waits for another one that holds a table it needs: the
  // customers, the products or the invoice counter.
  std::chrono::milliseconds attenteCompteur = std::chrono::seconds(10);
};

// Posts a document as rows of the dBASE tables of its company folder: the
// customer into client, the missing products into produi, the invoice into
// factma and factit with its number taken from solde, and the import it came
// from into our own record table (RegistreDbf). The whole posting is one
// transaction: its tables are locked at its first step and its rows reach the
// tables at Fermer, all of them, or none when a step fails or refuses. Each
// step returns true or throws ErreurInattendue.
class BackEndDbf final : public BackEnd {
 public:
  static const QString kChaineConnexion;  // followed by the company folder

  BackEndDbf(ComSoum& document, ServicesDbf services);

  bool Ouvrir() override;
  bool EnregistrerClient() override;
  bool EnregistrerProduits() override;
  bool EnregistrerFacture() override;
  // Returns once the posting's rows are on disk; after a refused step, undoes it.
  void Fermer(bool valider) override;
  ~BackEndDbf() override;

 private:
  bool OuvrirBaseDbf();
  // Opens the company folder afresh; throws ErreurBaseDonnees.
  void Connecter();
  // Whether the company's record of imports holds the content, when the
  // import asks to refuse it; Message then says so.
  bool DejaPostee();
  void EnregistrerClientDbf();
  void EnregistrerProduitsDbf();
  void EnregistrerFactureDbf();

  template <typename Pas>
  bool Etape(Pas pas, bool toutesLesTables);
  void Annuler() noexcept;
  // Runs a select through Commande and tells whether it gave a row; the row set is closed.
  bool Trouve(const QString& select);
  // Runs a select of one column of the table and gives that column of its first row.
  platform::ValeurColonne Lire(const QString& select, const QString& table, const QString& colonne);

  ServicesDbf services_;
  std::unique_ptr<platform::BaseDonnees> Connexion;
  Command Commande;
  std::unique_ptr<platform::JeuLignes> Resultat;
  std::int32_t noFacture = 0;
  double SousTotal = 0;
  bool enCours_ = false;        // a transaction is open on Connexion
  QString refus_;               // why the invoice pass refused the posting
  QString numeroEcrit_;         // the invoice number the commit makes real
  bool registreConnu_ = false;  // the connection has the record table
};

}  // namespace brivane::dbase
