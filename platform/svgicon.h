#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace brenvik {

// An icon drawn from an SVG file of the resources (":/icons/NAME.svg"), rendered sharp at
// the sizes toolbars, menus, tabs and window frames ask for. Strokes and fills written as
// "currentColor" take `ink`, or the application palette's text colour when `ink` is
// invalid, so monochrome glyphs stay readable on dark and light palettes alike. A missing
// or broken file gives a null icon.
QIcon SvgIcon(const QString& name, const QColor& ink = QColor());

// The program's icon: the windows' icon and the one installed in the desktop's theme.
QIcon ProgramIcon();

} // namespace brenvik
