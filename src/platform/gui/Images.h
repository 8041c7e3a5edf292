#pragma once

#include <QIcon>

namespace brivane::gui {

// A door with an exit sign, for buttons that close a window: the icon theme's
// exit picture when it has one, else a picture of our own.
QIcon ImageSortie();

}  // namespace brivane::gui
