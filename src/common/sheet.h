// Boxed sheets on the 80 x 66 grid of a print job: texts placed by line and column, rules drawn
// as a row of underscores on the top of a line, boxes framed by two rules and vertical bars, and
// ruled tables of label / value rows (the receipts, the statements, the quote sheet).
#pragma once

#include <string>
#include <vector>

#include "common/printjob.h"

namespace arv {

// Places texts on the grid of a job, with no margin.
class Sheet {
public:
    explicit Sheet(TPRINTER& job) : job_(job) {}
    TPRINTER& job() { return job_; }
    void put(double row, double col, const std::string& text, const PrintFont& font,
             TextAlign align = TextAlign::Left, double width = 0);
    // A rule from column FROM to column TO, on the top of line ROW.
    void rule(double row, double from, double to);
    // A frame over rows TOP to BOTTOM and columns LEFT to RIGHT.
    void box(double top, double bottom, double left, double right);
    // Vertical bars at the columns COLS on line ROW (a bar at the last column ends there).
    void bars(double row, const std::vector<double>& cols);

private:
    TPRINTER& job_;
};

} // namespace arv
