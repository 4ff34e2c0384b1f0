#include "common/sheet.h"

#include <algorithm>

namespace arv {

void Sheet::put(double row, double col, const std::string& text, const PrintFont& font, TextAlign align, double width)
{
    job_.say(job_.lineY(row), job_.columnX(col), text, font, width > 0 ? job_.columnX(width) : 0, kBlack, std::nullopt,
             align);
}

void Sheet::rule(double row, double from, double to)
{
    PageItem item;
    item.x = job_.columnX(from);
    item.y = job_.lineY(row) - job_.lineY(0.75);
    item.font = PrintFont("Arial", 8);
    item.clipWidth = job_.columnX(to - from);
    const double underscore = std::max(job_.textWidth("_", item.font), 1.0);
    item.text = std::string(static_cast<size_t>(item.clipWidth / underscore) + 1, '_');
    job_.addItem(item);
}

void Sheet::box(double top, double bottom, double left, double right)
{
    rule(top, left, right);
    rule(bottom + 1, left, right);
    for (double r = top; r <= bottom; ++r) bars(r, {left, right});
}

void Sheet::bars(double row, const std::vector<double>& cols)
{
    const PrintFont thin("Arial", 12);
    for (size_t i = 0; i < cols.size(); ++i)
        put(row, cols[i], "|", thin, i + 1 == cols.size() && i > 0 ? TextAlign::Right : TextAlign::Left);
}

} // namespace arv
