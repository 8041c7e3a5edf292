#pragma once

#include <QString>

class QCoreApplication;

namespace brivane {

// This build's version, set once in the top CMakeLists.txt.
QString Version();

// Prints "<program> <version>" on the standard output and returns true when
// --version comes among the options (before any "--"); the caller then ends
// with 0. Checked before anything else starts, so that it answers even where
// no display or configuration is at hand.
bool AfficherVersionSiDemandee(int argc, const char* const* argv);

// Loads Qt's own French translations (dialogs, context menus, standard
// buttons) into the application, from Qt's translations folder. False when
// they are not installed; the program then runs with Qt's English texts.
bool ChargerTraductionsFrancaises(QCoreApplication& application);

}  // namespace brivane
