#include "platform/gui/InterfaceQt.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace brivane::platform {
namespace {

TEST(PointeurOccupeQt, SetsTheWaitCursorOnceAndAlwaysRestoresIt) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  {
    PointeurOccupeQt occupe;
    occupe.IndiquerOccupe(false);  // off before on changes nothing
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    occupe.IndiquerOccupe(true);
    occupe.IndiquerOccupe(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    occupe.IndiquerOccupe(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    occupe.IndiquerOccupe(true);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "left on, restored when destroyed";
}

}  // namespace
}  // namespace brivane::platform
