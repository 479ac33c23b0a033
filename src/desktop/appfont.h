#pragma once

#include <QFont>

// The program's one user-interface font: 8 points of the classic dialog font,
// or of a font with its metrics, so that the fixed layouts (the list's column
// widths, the dialogs' client areas) hold their texts on every system.
QFont appFont();
