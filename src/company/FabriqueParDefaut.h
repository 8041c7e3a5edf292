#pragma once

#include "document/ServicesDocument.h"

namespace brivane::company {

// The SDK back end over the built-in company kept in the document's company
// folder: what code 1 posts into where no accounting SDK is installed.
ServicesDocument::FabriqueBackEnd FabriqueParDefaut();

}  // namespace brivane::company
