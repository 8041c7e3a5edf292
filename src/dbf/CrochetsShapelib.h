#pragma once

#include <QString>

#include <shapefil.h>

namespace brivane::dbf {

// The file hooks shapelib is given: it only reads, through os::Fichier in a
// window of the file's bytes (tables are written by our own code).
SAHooks CrochetsLecture();

// shapelib reports through a hook without context: its last word on this
// thread, for our message, and its forgetting before a call.
const QString& DerniereErreurShapelib();
void OublierErreurShapelib();

}  // namespace brivane::dbf
