// Letters and forms written line by line on the 80 x 66 grid of a print job, that never print
// outside the page: every text is clipped at the page's right edge, a paragraph is wrapped to its
// width (justified when asked) and a line that would fall past the last line begins a new page.
//
//   TPRINTER job("Stampa disdetta polizza");
//   LetterWriter w(job, PrintFont("Arial", 12));
//   w.skip(4);
//   w.line("Mittente:", 0, bold);             // the next line, at column 0 (after the margin)
//   w.line(name, 10);
//   w.paragraph(text, 0, 70, true);           // wrapped to 70 columns, justified
//
// Columns are counted after the writer's margin; rows are the grid's lines (the cursor starts on
// line 2 of every page, as a print job's does).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/printjob.h"

namespace arv {

class LetterWriter {
public:
    static constexpr double kFirstRow = 2;
    static constexpr double kLastRow = 63;

    LetterWriter(TPRINTER& job, PrintFont font, int margin = 0);
    TPRINTER& job() { return job_; }
    const PrintFont& font() const { return font_; }
    void setFont(const PrintFont& font) { font_ = font; }
    int margin() const { return margin_; }
    void setMargin(int margin) { margin_ = margin; }

    // The row the last line was printed on.
    double row() const { return row_; }
    void setRow(double row) { row_ = row; }
    // Empty lines: the cursor moves down (a page is turned only when something is printed there).
    void skip(int lines = 1);
    // TEXT on the next line at COLUMN, clipped to the page (or to WIDTH columns).
    void line(const std::string& text, double column = 0, const std::optional<PrintFont>& font = std::nullopt,
              double width = 0);
    // TEXT on the current line at COLUMN (the line already printed there stays).
    void same(const std::string& text, double column, const std::optional<PrintFont>& font = std::nullopt,
              double width = 0);
    // TEXT on the next line, centred on the page (or within WIDTH columns from COLUMN).
    void centred(const std::string& text, const std::optional<PrintFont>& font = std::nullopt, double column = 0,
                 double width = 0);
    // TEXT right-aligned, ending at column END, on the current line.
    void right(const std::string& text, double end, const std::optional<PrintFont>& font = std::nullopt);
    // TEXT wrapped to WIDTH columns from COLUMN (0: to the page's right edge), one line each from the
    // next line; JUSTIFY widens the blanks of every line but a paragraph's last.
    void paragraph(const std::string& text, double column = 0, double width = 0, bool justify = false,
                   const std::optional<PrintFont>& font = std::nullopt);
    // A rule on the current line from column FROM to column TO.
    void rule(double from, double to);
    // The page ends; the next line begins a new one (its header drawn again when one is set).
    void newPage();
    // Drawn at the top of every page the writer begins after the first (a heading repeated).
    void setPageHeader(std::function<void(LetterWriter&)> header) { header_ = std::move(header); }
    // Whether N more lines fit on this page.
    bool fits(int lines) const { return row_ + lines <= lastRow_; }
    // The last line the text may take (kLastRow unless a footer stands above it).
    double lastRow() const { return lastRow_; }
    void setLastRow(double row) { lastRow_ = row; }

private:
    // Moves to the next line, turning the page when it would fall past the last line.
    void advance();
    void put(double column, const std::string& text, const PrintFont& font, double width, TextAlign align);

    TPRINTER& job_;
    PrintFont font_;
    int margin_ = 0;
    double row_ = kFirstRow;
    double lastRow_ = kLastRow;
    std::function<void(LetterWriter&)> header_;
    bool inHeader_ = false;
};

} // namespace arv
