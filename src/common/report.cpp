#include "common/report.h"

#include "common/mask.h"
#include "common/text.h"

#include <algorithm>
#include <cmath>

namespace arv {

namespace {

bool isNumber(const ReportValue& v) { return std::holds_alternative<Decimal>(v); }

TextAlign alignOf(const ReportColumn& c, bool number)
{
    switch (c.align) {
    case ReportAlign::Left: return TextAlign::Left;
    case ReportAlign::Right: return TextAlign::Right;
    case ReportAlign::Center: return TextAlign::Center;
    case ReportAlign::Auto: break;
    }
    return number ? TextAlign::Right : TextAlign::Left;
}

std::string numberText(const ReportColumn& c, const Decimal& d)
{
    if (c.mask.empty()) return d.toShortString();
    return Mask(c.mask).formatNumber(d);
}

} // namespace

ReportRows indexRows(size_t count, size_t& current)
{
    return {[&current] { current = 0; }, [&current, count] { return current >= count; }, [&current] { ++current; }};
}

std::string reportCell(const ReportColumn& column, const ReportValue& value, int width)
{
    std::string text;
    if (const auto* s = std::get_if<std::string>(&value)) {
        text = column.mask.empty() ? *s : Mask(column.mask).formatText(*s);
    } else if (const auto* d = std::get_if<Decimal>(&value)) {
        text = trim(numberText(column, *d));
        // A number never loses digits to the width: it shows as asterisks instead.
        if (width > 0 && utf8Length(text) > static_cast<size_t>(width)) return std::string(width, '*');
        return text;
    } else if (const auto* dt = std::get_if<Date>(&value)) {
        text = dt->isEmpty() ? std::string() : dt->toDisplay();
    } else if (const auto* b = std::get_if<bool>(&value)) {
        text = Mask(column.mask).formatLogical(*b);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (width > 0 && utf8Length(text) > static_cast<size_t>(width)) text = utf8Left(text, width);
    return text;
}

void printReport(const ReportDescription& report, const ReportRows& rows, TPRINTER& job)
{
    const size_t n = report.columns.size();
    auto accepted = [&] { return !report.condition || report.condition(); };

    // Column widths: given, else the widest of heading, mask and the values themselves.
    std::vector<int> widths(n);
    bool scan = false;
    for (size_t i = 0; i < n; ++i) {
        const ReportColumn& c = report.columns[i];
        widths[i] = c.width;
        if (widths[i] > 0) continue;
        widths[i] = std::max<int>({static_cast<int>(utf8Length(c.heading)), Mask(c.mask).width(), Mask(c.totalMask).width()});
        if (!Mask(c.mask).hasTemplate()) scan = true;
    }
    if (scan && rows.first) {
        for (rows.first(); !rows.atEnd(); rows.next()) {
            if (!accepted()) continue;
            for (size_t i = 0; i < n; ++i) {
                const ReportColumn& c = report.columns[i];
                if (c.width > 0 || Mask(c.mask).hasTemplate() || !c.value) continue;
                widths[i] = std::max<int>(widths[i], static_cast<int>(utf8Length(trim(reportCell(c, c.value(), 0)))));
            }
        }
    }

    // The font shrinks when the columns are wider than the page.
    PrintFont font = report.font;
    const double x0 = job.columnX(job.margin());
    const double available = job.columnX(80 - 1) - x0;
    int chars = n > 0 ? static_cast<int>(n) - 1 : 0;
    for (int w : widths) chars += w;
    double cw = job.textWidth("0", font);
    if (chars > 0 && chars * cw > available) {
        font.pointSize = std::max(5.0, font.pointSize * available / (chars * cw));
        cw = job.textWidth("0", font);
    }
    PrintFont bold = font;
    bold.bold = true;
    std::vector<double> xs(n);
    double x = x0;
    for (size_t i = 0; i < n; ++i) {
        xs[i] = x;
        x += (widths[i] + 1) * cw;
    }

    auto cellAt = [&](size_t i, const std::string& text, TextAlign align, const PrintFont& f) {
        const double y = job.lineY(job.row());
        const double w = widths[i] * cw;
        if (align == TextAlign::Left) job.say(y, xs[i], text, f);
        else job.say(y, xs[i], text, f, w, kBlack, std::nullopt, align);
    };
    // A text is cut where it would reach the next column. A left-aligned one may run into the
    // blank between the columns, up to a quarter of a column before the next (figures never pass
    // their own width), or in the last column up to the page's edge; the others stay within their
    // own width.
    const double gap = cw / 4;
    auto leftRoom = [&](size_t i) { return (i + 1 < n ? xs[i + 1] : job.geometry().printableWidth()) - gap - xs[i]; };
    auto fitted = [&](size_t i, const std::string& text, TextAlign align, const PrintFont& f) {
        return job.fitText(text, f, align == TextAlign::Left ? leftRoom(i) : widths[i] * cw);
    };
    // The column headings, each kept short of its neighbour: a left-aligned one up to the next
    // column, a right-aligned one back to where the heading before it ends. A heading wider than
    // its room is set a little smaller (down to three quarters of the size), and only then cut.
    std::vector<std::string> headingTexts(n);
    std::vector<TextAlign> headingAligns(n);
    std::vector<PrintFont> headingFonts(n, bold);
    {
        double inkEnd = x0 - cw;
        for (size_t i = 0; i < n; ++i) {
            const ReportColumn& c = report.columns[i];
            const TextAlign align = alignOf(c, c.total || Mask(c.mask).isNumeric());
            const double right = xs[i] + widths[i] * cw;
            double room = widths[i] * cw;
            if (align == TextAlign::Left) room = leftRoom(i);
            else if (align == TextAlign::Right) room = right - std::max(inkEnd + gap, xs[i] - cw + gap);
            const double full = job.textWidth(c.heading, bold);
            if (full > room && room > 0) {
                const double size = std::floor(bold.pointSize * room / full * 2) / 2;
                if (size >= bold.pointSize * 3 / 4) headingFonts[i].pointSize = size;
            }
            headingTexts[i] = job.fitText(c.heading, headingFonts[i], room);
            headingAligns[i] = align;
            const double w = job.textWidth(headingTexts[i], headingFonts[i]);
            inkEnd = align == TextAlign::Left ? xs[i] + w : align == TextAlign::Right ? right : xs[i] + (widths[i] * cw + w) / 2;
        }
    }
    auto newLine = [&] { PRINTTXT(job, {}); };

    bool anyTotal = false;
    for (const auto& c : report.columns) anyTotal = anyTotal || c.total;

    auto pageTop = [&] {
        job.startPage();
        SAYHEADER(report.title, job, font, report.noDate);
        for (size_t h = 0; h < report.headings.size(); ++h) {
            const std::string text = h == 0 ? Mask::upper(report.headings[h]) : report.headings[h];
            const PrintFont f = h < report.headingFonts.size() ? report.headingFonts[h]
                                : report.headingFont                ? *report.headingFont
                                                                    : (h == 0 ? bold : font);
            PRINTTXT(job, {text}, TxtOptions().centred().withFont(f));
        }
        newLine();
        newLine();
        for (size_t i = 0; i < n; ++i) cellAt(i, headingTexts[i], headingAligns[i], headingFonts[i]);
        newLine();
        for (size_t i = 0; i < n; ++i) cellAt(i, std::string(widths[i], '-'), TextAlign::Left, font);
        if (!report.footer.empty())
            job.say(job.lineY(63), job.columnX(40), report.footer, font, 0, kBlack, std::nullopt, TextAlign::Center);
    };

    std::vector<Decimal> totals(n);
    pageTop();
    if (rows.first) {
        for (rows.first(); !rows.atEnd(); rows.next()) {
            if (job.cancelled()) break;
            if (!accepted()) continue;
            if (std::lround(job.row()) > 60) {
                job.endPage();
                job.setRow(2);
                pageTop();
            }
            newLine();
            for (size_t i = 0; i < n; ++i) {
                const ReportColumn& c = report.columns[i];
                const ReportValue v = c.value ? c.value() : ReportValue{};
                if (c.total) {
                    const ReportValue counted = c.totalValue ? c.totalValue() : v;
                    if (const auto* d = std::get_if<Decimal>(&counted)) totals[i] += *d;
                }
                const TextAlign align = alignOf(c, isNumber(v));
                std::string cell = reportCell(c, v, widths[i]);
                if (!isNumber(v)) cell = fitted(i, cell, align, font);
                cellAt(i, cell, align, font);
            }
            if (report.rowSeparators && n > 0) {
                const double end = (xs[n - 1] + widths[n - 1] * cw) / job.geometry().columnWidth();
                job.rule(job.row() + 1, x0 / job.geometry().columnWidth(), end);
            }
        }
    }
    if (anyTotal && !job.cancelled()) {
        if (std::lround(job.row()) > 58) {
            job.endPage();
            job.setRow(2);
            pageTop();
        }
        newLine();
        for (size_t i = 0; i < n; ++i)
            if (report.columns[i].total) cellAt(i, std::string(widths[i], '-'), TextAlign::Left, font);
        newLine();
        job.say(job.lineY(job.row()), xs.empty() ? x0 : xs[0],
                report.totalLabel.empty() ? std::string("Totale") : report.totalLabel, bold);
        for (size_t i = 0; i < n; ++i) {
            const ReportColumn& c = report.columns[i];
            if (!c.total) continue;
            ReportColumn shown = c;
            if (!c.totalMask.empty()) shown.mask = c.totalMask;
            cellAt(i, reportCell(shown, totals[i], widths[i]), alignOf(c, true), bold);
        }
    }
    for (const std::string& line : report.closingLines) {
        if (job.cancelled()) break;
        if (std::lround(job.row()) > 60) {
            job.endPage();
            job.setRow(2);
            job.startPage();
        }
        PRINTTXT(job, {line}, TxtOptions().withFont(bold));
    }
    for (const auto& [label, figure] : report.closingFigures) {
        if (job.cancelled()) break;
        if (std::lround(job.row()) > 60) {
            job.endPage();
            job.setRow(2);
            job.startPage();
        }
        newLine();
        const double y = job.lineY(job.row());
        job.say(y, x0, label, bold);
        const size_t under = report.closingFigureColumn && *report.closingFigureColumn < n ? *report.closingFigureColumn
                                                                                             : n - 1;
        const double end = n > 0 ? xs[under] + widths[under] * cw : job.columnX(78);
        job.say(y, end, figure, bold, 0, kBlack, std::nullopt, TextAlign::Right);
    }
    job.endPage();
}

PrintDocument runReport(const ReportDescription& report, const ReportRows& rows, bool preview, bool noPrint)
{
    TPRINTER job(report.title, preview, noPrint, {}, report.landscape);
    printReport(report, rows, job);
    PrintDocument made = job.document();
    job.end();
    return made;
}

} // namespace arv
