// The picture behind the main window's client area (ARV.BMP in the working folder). An agency may
// put its own there; a new working folder gets the program's own, drawn here.
#pragma once

#include <filesystem>

#include <QImage>

namespace arv {

// The program's background picture, WIDTH x HEIGHT pixels. Needs a QGuiApplication (fonts).
QImage drawBackgroundPicture(int width = 1024, int height = 640);

// Writes the program's picture to FILE as a Windows bitmap; false when it cannot be written.
bool writeBackgroundPicture(const std::filesystem::path& file);

} // namespace arv
