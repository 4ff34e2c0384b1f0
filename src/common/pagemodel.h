// Printed pages as data: every page of a print job is a list of text items placed on the page,
// kept until the job is printed, previewed or saved as PDF. One painter routine (ui/printrender.h)
// draws these pages on any device, so the preview, the printer and the PDF show the same thing.
//
// Positions are in device units (dots at geometry.dpi) from the top left corner of the printable
// area. The page grid of the print job divides the printable area into 80 columns and 66 lines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arv {

// Paragraph end mark of wrapped lines (chr(127)): a justified line ending with it is not
// stretched, and the mark itself is never printed.
inline constexpr char kParagraphMark = '\x7f';

struct PrintFont {
    PrintFont() = default;
    PrintFont(std::string family_, double size, bool bold_ = false, bool italic_ = false, bool underline_ = false)
        : family(std::move(family_)), pointSize(size), bold(bold_), italic(italic_), underline(underline_)
    {
    }

    std::string family = "Courier New";
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool monospaced() const;
    friend bool operator==(const PrintFont&, const PrintFont&) = default;
};

enum class TextAlign { Left, Right, Center };

// 0xRRGGBB
using PrintColor = uint32_t;
inline constexpr PrintColor kBlack = 0x000000;
inline constexpr PrintColor kWhite = 0xFFFFFF;

struct PageGeometry {
    double dpi = 600;
    double paperWidthMm = 210;
    double paperHeightMm = 297;
    double leftMm = 5;   // printable-area offset from the paper's edges
    double topMm = 5;
    double rightMm = 5;
    double bottomMm = 5;

    double printableWidthMm() const { return paperWidthMm - leftMm - rightMm; }
    double printableHeightMm() const { return paperHeightMm - topMm - bottomMm; }
    double printableWidth() const { return printableWidthMm() * dpi / 25.4; }   // device units
    double printableHeight() const { return printableHeightMm() * dpi / 25.4; }
    double columnWidth() const { return printableWidth() / 80; }
    double lineHeight() const { return printableHeight() / 66; }
    bool landscape() const { return paperWidthMm > paperHeightMm; }
    // The same paper turned a quarter.
    PageGeometry turned() const;

    static PageGeometry a4Portrait() { return {}; }
    static PageGeometry a4Landscape() { return PageGeometry{}.turned(); }
};

struct PageItem {
    double x = 0;        // anchor: left edge, right edge or centre according to align
    double y = 0;        // top of the text
    std::string text;    // UTF-8
    PrintFont font;
    TextAlign align = TextAlign::Left;
    PrintColor color = kBlack;
    std::optional<PrintColor> background;  // opaque background behind the text
    double stretchTo = 0;  // > 0: blanks widened so the text spans this width from x
    double clipWidth = 0;  // > 0: nothing drawn past x + clipWidth
    // A ruled item instead of a text: with a width, a frame of that width and height from (x, y),
    // or a horizontal line when the height is 0 (thin, in the item's colour).
    double frameWidth = 0;
    double frameHeight = 0;
    bool isFrame() const { return frameWidth > 0; }
};

struct Page {
    std::vector<PageItem> items;
};

struct PrintDocument {
    std::string name;
    PageGeometry geometry;
    std::vector<Page> pages;
};

// Width of a text in a font, in device units at the given resolution. The screens install one
// measuring with the real fonts; without it an estimate from the font size is used.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual double width(std::string_view utf8, const PrintFont& font, double dpi) const = 0;
};

// Monospaced fonts 0.6 em a character, the others 0.55 em (bold 5 % wider).
class EstimateMeasurer : public TextMeasurer {
public:
    double width(std::string_view utf8, const PrintFont& font, double dpi) const override;
};

const TextMeasurer& textMeasurer();
// Null gives back the estimate.
void setTextMeasurer(std::shared_ptr<const TextMeasurer> measurer);

// The page as readable text, one item a line: "r02.0 c05.0 L |CLIENTE:|" (row and column on the
// grid, alignment L/R/C, J when stretched); a ruled item reads "r02.0 c05.0 F |w75.0 h3.0|" (width
// in columns, height in lines; h0.0 a line).
std::string dumpPage(const PrintDocument& doc, const Page& page);

// Characters of a UTF-8 text (code points), and the first n of them.
size_t utf8Length(std::string_view text);
std::string utf8Left(std::string_view text, size_t n);
std::vector<std::string> utf8Chars(std::string_view text);
// The text cut into pieces of WIDTH characters, for a column too narrow for it (one empty piece
// for an empty text).
std::vector<std::string> utf8Pieces(std::string_view text, size_t width);

} // namespace arv
