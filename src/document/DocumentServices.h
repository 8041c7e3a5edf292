#pragma once

#include "document/BackEnd.h"
#include "platform/Clock.h"

#include <functional>
#include <memory>

namespace brivane {

class ComSoum;

// What a document needs from outside itself: the clock for its default date
// and a maker for each back end. Tests substitute any of them.
struct DocumentServices {
  using BackEndFactory = std::function<std::unique_ptr<BackEnd>(ComSoum&)>;

  std::shared_ptr<const platform::Clock> clock;
  BackEndFactory acomba;  // accounting-system code 1
  BackEndFactory dbase;   // accounting-system code 2

  // The services documents get when none are given: the real clock and the
  // back ends this build provides. Set once at program start, or by tests.
  static DocumentServices Defaut();
  static void DefinirDefaut(DocumentServices services);
};

namespace acomba {
// The SDK back end that a document uses by default on this platform.
DocumentServices::BackEndFactory FabriqueParDefaut();
}  // namespace acomba

namespace dbase {
// The dBASE back end that a document uses by default on this platform.
DocumentServices::BackEndFactory FabriqueParDefaut();
}  // namespace dbase

}  // namespace brivane
