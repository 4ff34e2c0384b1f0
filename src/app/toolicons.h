// The pictures of the toolbar buttons and the program's icon, drawn rather than loaded so that the
// program needs no picture files besides the background.
#pragma once

#include <string>

#include <QIcon>
#include <QImage>

namespace arv {

// The picture of a toolbar button by its bitmap name ("POLIZZE", "SINISTRI" ...); an unknown name
// gives a plain tile.
QImage toolbarPicture(const std::string& bitmap, int size = 64);
QIcon toolbarIcon(const std::string& bitmap);

// The program's icon ("ICONA").
QIcon programIcon();

} // namespace arv
