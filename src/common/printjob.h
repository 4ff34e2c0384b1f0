// The print job: pages laid out on a grid of 80 columns by 66 lines, recorded in the page model
// and, at the end, printed, shown in the preview window or saved as PDF by the screens' side
// (the functions in PrintHooks, installed by ui/printing.h).
//
//   TPRINTER job("Stampa clienti", true);           // document name, preview
//   job.startPage();
//   SAYHEADER("STAMPA CLIENTI", job);
//   PRINTTXT(job, {"CLIENTE:"});                   // next line, at the margin
//   PRINTTXT(job, {name}, TxtOptions::at(15));      // same line, column 15
//   job.endPage();
//   job.end();                                       // preview or print
//
// The print cursor is a row on the grid: it starts at line 2 of every page and a line feed moves
// it down by PFEED lines (1 unless changed). The left margin (5 columns; 1 while a page header
// is drawn) is added to every column.
#pragma once

#include "common/pagemodel.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace arv {

// What the print job asks of the screens. Every member may be left empty: a job without them
// keeps its pages in document() and shows nothing.
struct PrintHooks {
    // Whether the named printer is installed (empty: every name is).
    std::function<bool(const std::string& printer)> printerInstalled;
    // The printable area of the printer (empty name: the default printer).
    std::function<PageGeometry(const std::string& printer, bool landscape)> geometry;
    // The progress window: opened with the document name, told each page, asked whether the
    // user pressed cancel (or Escape), closed at the end.
    std::function<void(const std::string& docName)> progressOpen;
    std::function<void(int page)> progressPage;
    std::function<bool()> progressCancelled;
    std::function<void()> progressClose;
    // Output of the finished document.
    std::function<void(const PrintDocument& doc, const std::string& printer)> print;
    std::function<void(const PrintDocument& doc, bool noPrint, const std::string& printer)> preview;
    // An error box ("Impossibile trovare la stampante ...").
    std::function<void(const std::string& text)> message;
    // Remembers the selected table's record when a job begins; the function it gives puts the
    // table back on that record when the job ends.
    std::function<std::function<void()>()> rememberSelection;
};

PrintHooks& printHooks();

std::string missingPrinterMessage(const std::string& printer);

class TPRINTER {
public:
    struct Options {
        std::string docName;
        bool preview = false;
        bool noPrint = false;      // a preview without the print button
        std::string printer;       // empty: the default printer
        bool landscape = false;
    };

    explicit TPRINTER(Options options);
    explicit TPRINTER(std::string docName, bool preview = false, bool noPrint = false, std::string printer = {},
                      bool landscape = false)
        : TPRINTER(makeOptions(std::move(docName), preview, noPrint, std::move(printer), landscape))
    {
    }
    // A job dropped without end() (an error unwinding) closes its window and prints nothing.
    ~TPRINTER();
    TPRINTER(const TPRINTER&) = delete;
    TPRINTER& operator=(const TPRINTER&) = delete;

    // False when the named printer is not installed: the job then prints nothing.
    bool valid() const { return valid_; }
    const Options& options() const { return options_; }
    const std::string& docName() const { return options_.docName; }
    const PageGeometry& geometry() const { return doc_.geometry; }

    // Page number, from 1; it grows when a page ends.
    int page() const { return page_; }
    bool pageOpen() const { return pageOpen_; }
    void startPage();
    void endPage();

    // Cancelled from the progress window (or here): the following pages are skipped and the
    // job ends normally with the pages made so far.
    bool cancelled();
    void cancel() { cancelled_ = true; }

    // Cursor (SETPROW), line feed (PFEED), margin and pen position (device units, where a text
    // printed at column 0 continues).
    double row() const { return row_; }
    void setRow(double row) { row_ = row; }
    double lineFeed() const { return lineFeed_; }
    void setLineFeed(double lines) { lineFeed_ = lines; }
    int margin() const { return margin_; }
    void setMargin(int columns) { margin_ = columns; }
    double penX() const { return penX_; }
    void setPenX(double x) { penX_ = x; }
    const PrintFont& font() const { return font_; }
    void setFont(const PrintFont& font) { font_ = font; }

    double columnX(double column) const { return column * geometry().columnWidth(); }
    double lineY(double line) const { return line * geometry().lineHeight(); }
    double textWidth(std::string_view text, const PrintFont& font) const;
    // The longest beginning of TEXT (whole characters, no blanks at its end) that prints within
    // WIDTH device units in the font.
    std::string fitText(std::string_view text, const PrintFont& font, double width) const;

    // Draws a text at a point in device units: left-aligned at x, or right-aligned or centred
    // within WIDTH from x (no width: ending at / centred on x). Moves the pen, not the cursor.
    void say(double y, double x, const std::string& text, const PrintFont& font, double width = 0,
             PrintColor color = kBlack, std::optional<PrintColor> background = std::nullopt,
             TextAlign align = TextAlign::Left);
    // The same with row and column in centimetres from the paper's corner.
    void sayCm(double rowCm, double colCm, const std::string& text, const PrintFont& font, double widthCm = 0,
               PrintColor color = kBlack, std::optional<PrintColor> background = std::nullopt,
               TextAlign align = TextAlign::Left);
    // CMTR2PIX: centimetres to device units, less the printable-area offset of that side.
    double CMTR2PIX(double cm, bool vertical) const;

    // Adds an item to the open page (a page is started when none is open).
    void addItem(PageItem item);
    // A frame from line ROW1, column COL1 to line ROW2, column COL2 of the grid (the margin is not
    // added), and a horizontal line on line ROW from column COL1 to COL2.
    void frame(double row1, double col1, double row2, double col2);
    void rule(double row, double col1, double col2);

    // Closes the progress window and the open page, then shows the preview or prints; puts the
    // selected table back on its record. The recorded pages are dropped afterwards.
    void end();
    bool ended() const { return ended_; }

    const PrintDocument& document() const { return doc_; }

private:
    static Options makeOptions(std::string docName, bool preview, bool noPrint, std::string printer, bool landscape)
    {
        Options o;
        o.docName = std::move(docName);
        o.preview = preview;
        o.noPrint = noPrint;
        o.printer = std::move(printer);
        o.landscape = landscape;
        return o;
    }
    void finish();

    Options options_;
    PrintDocument doc_;
    bool valid_ = true;
    bool ended_ = false;
    bool cancelled_ = false;
    bool pageOpen_ = false;
    int page_ = 1;
    double row_ = 2;
    double lineFeed_ = 1;
    int margin_ = 5;
    double penX_ = 0;
    PrintFont font_;
    std::function<void()> restore_;
};

using PrintJob = TPRINTER;

struct TxtOptions {
    // Empty: a new line at the margin. 0: right after the previous text on the same line.
    // Otherwise the column (plus the margin) on the current line.
    std::optional<int> col;
    bool right = false;            // ends at column + width (width default: the text's length)
    int width = 0;
    bool centre = false;           // centred on column + width / 2, or on the page centre
    std::optional<PrintFont> font; // default: the job's font
    int justifyWidth = 0;          // columns; without justify the text is clipped to it
    bool justify = false;
    PrintColor color = kBlack;
    std::optional<PrintColor> background;

    // Built a piece at a time: TxtOptions::at(40).alignRight(12).withFont(bold).
    static TxtOptions at(int column) { TxtOptions o; o.col = column; return o; }
    static TxtOptions next() { return at(0); }
    TxtOptions alignRight(int w = 0) const { TxtOptions o = *this; o.right = true; o.width = w; return o; }
    TxtOptions centred(int w = 0) const { TxtOptions o = *this; o.centre = true; o.width = w; return o; }
    TxtOptions justified(int w = 0) const { TxtOptions o = *this; o.justify = true; o.justifyWidth = w; return o; }
    TxtOptions clipped(int w) const { TxtOptions o = *this; o.justifyWidth = w; return o; }
    TxtOptions withFont(const PrintFont& f) const { TxtOptions o = *this; o.font = f; return o; }
    TxtOptions inColor(PrintColor c, std::optional<PrintColor> back = std::nullopt) const
    {
        TxtOptions o = *this;
        o.color = c;
        o.background = back;
        return o;
    }
};

// Prints the texts, joined by one blank, as one item on the grid.
void PRINTTXT(TPRINTER& job, const std::vector<std::string>& texts, const TxtOptions& options = {});

// The page header on the first line, drawn with a margin of 1 and without moving the cursor:
// the title at the left, today's date centred (unless noDate) and "PAG. n" ending at column 78.
void SAYHEADER(const std::string& title, TPRINTER& job, const std::optional<PrintFont>& font = std::nullopt,
               bool noDate = false);
// "- n -" centred on line 64, without moving the cursor.
void SAYFOOTER(TPRINTER& job, const std::optional<PrintFont>& font = std::nullopt);

// The cursor and the line feed: with a value they set it and give the old one.
double SETPROW(TPRINTER& job, std::optional<double> row = std::nullopt);
double PFEED(TPRINTER& job, std::optional<double> lines = std::nullopt);

// The page break of list printouts: when the cursor, in whole lines, is past line 60 the page
// ends and a new one begins with SAYHEADER and four empty lines. True when a page was turned.
bool breakListPage(TPRINTER& job, const std::string& title, const std::optional<PrintFont>& font = std::nullopt,
                   bool noDate = false);

// The text wrapped into lines that fit WIDTH columns (0: 80 - 2 x margin) in the font. A line
// break ends a paragraph; the last line of every paragraph ends with kParagraphMark.
std::vector<std::string> AMEMOLINE(const std::string& text, int width, const TPRINTER& job,
                                   const std::optional<PrintFont>& font = std::nullopt);
// The same for a width in device units at a resolution.
std::vector<std::string> wrapToWidth(const std::string& text, double width, double dpi, const PrintFont& font);

// Prints a long text in Courier New 10: the header lines (evaluated for every page; an empty
// one gives an empty line) at the top of each page, a page break past line 60, the footer when
// asked; then the preview or the print. Gives the pages made.
PrintDocument MEMOPRT(const std::string& text, const std::string& docName,
                      const std::vector<std::function<std::string()>>& headerLines = {}, bool footer = false,
                      bool preview = true);

// The PDF output is built in: always there, under this name.
bool ISPDFPRINTER();
std::string PDFPRINTER();

} // namespace arv
