// The toolbar's glyphs, drawn in code so the program carries no picture files.
#pragma once

#include <QIcon>

namespace Glyphs {
QIcon Start();
QIcon Stop();
QIcon SaveAs();
QIcon SelectAll();
QIcon Clear();
QIcon Help();
QIcon Application();
}  // namespace Glyphs
