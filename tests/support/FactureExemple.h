#pragma once

#include <QByteArray>

namespace brivane::testing {

// One invoice of one line for customer C0042, as the producing program
// writes it: the sample the end-to-end tests import.
inline const QByteArray kFactureExemple =
    "Titres\r\nX1;ML;X2;Net 30;Camion;C0042;Atelier Nord;12 rue Haute;Villeneuve;QC;G8T 1A1;"
    "(819) 555-0101;(819) 555-0102;Atelier Nord;40 rue Basse;Villeneuve;QC;G9A_2G4\r\n"
    "Article;Description;Qte;Prix\r\nVIS-10;Vis 10 mm;100;0.05\r\n";

}  // namespace brivane::testing
