// Toolbar glyphs and the application icon, drawn in code so that no picture file has to ship.
#pragma once

#include <QIcon>

namespace virmeya {

enum class Glyph { Open, Save, Catalogue, View, Print, Edit, Effects, Montage, Decor, Help };

// The glyph at `size` pixels square (the toolbar uses 40).
QIcon glyphIcon(Glyph glyph, int size = 40);
// The program's icon: a framed landscape photo with a sparkle (the same design as share/virmeya.svg).
QIcon applicationIcon();

}  // namespace virmeya
