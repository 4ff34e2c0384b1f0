// Drawing the recorded pages of a print job with Qt: one routine for the preview, the printer
// and PDF files, and the text measuring of the print job done with the real fonts.
#pragma once

#include "common/pagemodel.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>

class QPainter;

namespace arv {

// Arial, Courier New and Times New Roman print with their metric twins (Liberation Sans, Mono,
// Serif), so the layout of every page is the same wherever the program runs.
void installFontSubstitutions();
QString qtFontFamily(const std::string& family);
QFont qtFont(const PrintFont& font);

// Measures with QFontMetricsF on the substituted fonts.
class QtTextMeasurer : public TextMeasurer {
public:
    double width(std::string_view utf8, const PrintFont& font, double dpi) const override;
};

// Draws a page: ORIGIN is the printable area's top left corner on the painter's device, SCALE
// the device units per unit of the document. Fonts take their size from the device's
// resolution, which must be (document dpi x scale).
void renderPage(QPainter& painter, const Page& page, QPointF origin, double scale);

// The whole sheet of paper of a page as a picture at a resolution (white paper).
QImage pageImage(const PrintDocument& doc, size_t page, double dpi);

// Writes every page to a PDF file (the file is replaced only when the new one is complete).
// False when the file cannot be written.
bool writePdf(const PrintDocument& doc, const std::string& path);

// Prints every page on the printer (empty: the default one); false when it cannot.
bool printDocument(const PrintDocument& doc, const std::string& printer);

} // namespace arv
