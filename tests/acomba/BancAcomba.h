#pragma once

// The SDK back end over a scripted SDK, posting a one-line sample document.
#include "acomba/BackEndAcomba.h"
#include "acomba/DocumentExemple.h"
#include "acomba/FauxSdk.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace brivane::testing {

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kEntete = QStringLiteral("Des erreurs se sont produites");

// Names a parameterised case after its nom field.
struct NommerCas {
  template <class T>
  std::string operator()(const ::testing::TestParamInfo<T>& p) const {
    return p.param.nom;
  }
};
inline constexpr NommerCas NomCas{};

class BackEndAcombaTest : public ::testing::Test {
 protected:
  BackEndAcombaTest() {
    doc = DocumentExemple(
        [this](ComSoum& d) {
          return std::make_unique<acomba::BackEndAcomba>(d, std::make_shared<FauxFournisseur>(sdk));
        },
        QStringLiteral("/cie"));
    vis = Ligne(QStringLiteral("VIS-10"), QStringLiteral("Vis 10 mm"), 100, 0.05);
    doc->AddItem(vis);
  }

  bool Enregistrer(bool modeItem = false) { return doc->Enregistrer(modeItem); }
  bool Cree(const char* objet) const {
    return sdk.Contient(QStringLiteral("creer ") + QString::fromLatin1(objet));
  }
  bool Ferme() const { return sdk.Contient(QStringLiteral("session.FermerCompagnie()")); }
  bool FactureAjoutee() const { return sdk.Contient(QStringLiteral("transaction.Ajouter()")); }

  ScriptSdk sdk;
  std::unique_ptr<ComSoum> doc;
  std::shared_ptr<Item> vis;
};

}  // namespace brivane::testing
