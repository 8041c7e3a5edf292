#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace brivane::testing {

// Imports run with the default services note themselves in the journal beside
// the settings. A test program that includes this header, started without
// BRIVANE_CONFIG_DIR, uses a temporary folder of its own instead of the
// user's, removed when the program ends.
struct ConfigurationIsolee {
  ConfigurationIsolee() {
    if (qEnvironmentVariableIsEmpty("BRIVANE_CONFIG_DIR")) {
      dossier.emplace();
      qputenv("BRIVANE_CONFIG_DIR", QFile::encodeName(dossier->path()));
    }
  }
  std::optional<QTemporaryDir> dossier;
};

inline ConfigurationIsolee kConfigurationIsolee;

}  // namespace brivane::testing
