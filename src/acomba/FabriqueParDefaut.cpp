#include "document/DocumentServices.h"

namespace brivane::acomba {

// No SDK back end in this build yet: documents for code 1 are refused.
DocumentServices::BackEndFactory FabriqueParDefaut() { return {}; }

}  // namespace brivane::acomba
