#pragma once

#include "document/Item.h"

#include <QString>

#include <memory>

namespace brivane::testing {

// A detail line that passes validation under code 2.
inline std::shared_ptr<Item> LigneDbf(const QString& code, double quantite, double cout) {
  auto i = std::make_shared<Item>();
  i->code(code);
  i->Description(QStringLiteral("Article ") + code);
  i->Quantite(quantite);
  i->Cout(cout);
  i->fournisseur(QStringLiteral("F100"));
  i->PosteGlVente(QStringLiteral("40100"));
  i->PosteGlAchat(QStringLiteral("13100"));
  return i;
}

}  // namespace brivane::testing
