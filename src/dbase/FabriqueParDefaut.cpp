#include "document/DocumentServices.h"

namespace brivane::dbase {

// No dBASE back end in this build yet: documents for code 2 are refused.
DocumentServices::BackEndFactory FabriqueParDefaut() { return {}; }

}  // namespace brivane::dbase
