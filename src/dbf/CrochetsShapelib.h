#pragma once

#include <QString>

#include <shapefil.h>

namespace brivane::dbf {

// The file hooks shapelib is given. Writing goes through shapelib's own stdio
// hooks; reading goes through os::Fichier in a window of the file's bytes.
SAHooks CrochetsEcriture();
SAHooks CrochetsLecture();

// shapelib reports through a hook without context: its last word on this
// thread, for our message, and its forgetting before a call.
const QString& DerniereErreurShapelib();
void OublierErreurShapelib();

}  // namespace brivane::dbf
