#pragma once

#include "document/BackEnd.h"
#include "platform/Horloge.h"

#include <functional>
#include <memory>

namespace brivane {

class ComSoum;

// What a document needs from outside itself: the clock for its default date
// and a maker for each back end. The program builds them where it starts and
// hands them down; the model knows the back ends only through this seam.
struct ServicesDocument {
  using FabriqueBackEnd = std::function<std::unique_ptr<BackEnd>(ComSoum&)>;

  std::shared_ptr<const platform::Horloge> horloge;
  FabriqueBackEnd acomba;  // accounting-system code 1
  FabriqueBackEnd dbase;   // accounting-system code 2
};

}  // namespace brivane
