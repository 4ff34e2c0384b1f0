#include "common/printjob.h"

#include "common/date.h"
#include "common/msgtext.h"
#include "common/text.h"

#include <algorithm>
#include <cmath>

namespace arv {

namespace {

constexpr const char* kPdfPrinterName = "PDF (Arvale)";

// Removes paragraph marks from the end; true when there was one.
bool stripMark(std::string& text)
{
    bool had = false;
    while (!text.empty() && text.back() == kParagraphMark) {
        text.pop_back();
        had = true;
    }
    // A mark anywhere else is never printed either.
    std::erase(text, kParagraphMark);
    return had;
}

std::vector<std::string> splitParagraphs(const std::string& text)
{
    std::vector<std::string> out(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

} // namespace

PrintHooks& printHooks()
{
    static PrintHooks hooks;
    return hooks;
}

std::string missingPrinterMessage(const std::string& printer)
{
    return "Impossibile trovare la stampante " + printer + ".";
}

bool ISPDFPRINTER() { return true; }
std::string PDFPRINTER() { return kPdfPrinterName; }

// ---------------------------------------------------------------------------------------------
// The job

TPRINTER::TPRINTER(Options options) : options_(std::move(options))
{
    PrintHooks& hooks = printHooks();
    doc_.name = options_.docName;
    if (!options_.printer.empty() && options_.printer != PDFPRINTER() && hooks.printerInstalled &&
        !hooks.printerInstalled(options_.printer)) {
        valid_ = false;
        if (hooks.message) hooks.message(missingPrinterMessage(options_.printer));
        return;
    }
    doc_.geometry = hooks.geometry ? hooks.geometry(options_.printer, options_.landscape)
                                   : (options_.landscape ? PageGeometry::a4Landscape() : PageGeometry::a4Portrait());
    penX_ = columnX(margin_);
    if (hooks.rememberSelection) restore_ = hooks.rememberSelection();
    if (hooks.progressOpen) hooks.progressOpen(options_.docName);
}

TPRINTER::~TPRINTER()
{
    if (!ended_) {
        try {
            finish();
        } catch (...) {
            // Nothing may leave a destructor; the job prints nothing anyway.
        }
    }
}

void TPRINTER::finish()
{
    ended_ = true;
    if (!valid_) return;
    if (printHooks().progressClose) printHooks().progressClose();
    if (restore_) {
        auto restore = std::move(restore_);
        restore_ = nullptr;
        restore();
    }
}

bool TPRINTER::cancelled()
{
    if (!cancelled_ && valid_ && !ended_ && printHooks().progressCancelled && printHooks().progressCancelled())
        cancelled_ = true;
    return cancelled_;
}

void TPRINTER::startPage()
{
    if (!valid_ || ended_ || pageOpen_ || cancelled()) return;
    doc_.pages.emplace_back();
    pageOpen_ = true;
    penX_ = columnX(margin_);
    if (printHooks().progressPage) printHooks().progressPage(page_);
}

void TPRINTER::endPage()
{
    if (!pageOpen_) return;
    pageOpen_ = false;
    ++page_;
    row_ = 2;
    penX_ = columnX(margin_);
    cancelled();
}

double TPRINTER::textWidth(std::string_view text, const PrintFont& font) const
{
    return textMeasurer().width(text, font, geometry().dpi);
}

std::string TPRINTER::fitText(std::string_view text, const PrintFont& font, double width) const
{
    width += 1e-6 * std::max(1.0, width); // a text exactly as wide as the room fits, rounding aside
    if (textWidth(text, font) <= width) return std::string(text);
    // Whole characters only: the longest beginning that still fits.
    const std::vector<std::string> chars = utf8Chars(text);
    size_t lo = 0, hi = chars.size();
    std::string fitted;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        std::string head;
        for (size_t k = 0; k < mid; ++k) head += chars[k];
        if (textWidth(head, font) <= width) {
            lo = mid;
            fitted = std::move(head);
        } else {
            hi = mid - 1;
        }
    }
    while (!fitted.empty() && fitted.back() == ' ') fitted.pop_back();
    return fitted;
}

void TPRINTER::addItem(PageItem item)
{
    if (!valid_ || ended_ || cancelled_) return;
    if (!pageOpen_) startPage();
    if (!pageOpen_) return;
    doc_.pages.back().items.push_back(std::move(item));
}

void TPRINTER::frame(double row1, double col1, double row2, double col2)
{
    PageItem item;
    item.x = columnX(col1);
    item.y = lineY(row1);
    item.frameWidth = std::max(columnX(col2) - item.x, 1.0);
    item.frameHeight = std::max(lineY(row2) - item.y, 0.0);
    addItem(std::move(item));
}

void TPRINTER::rule(double row, double col1, double col2) { frame(row, col1, row, col2); }

void TPRINTER::say(double y, double x, const std::string& text, const PrintFont& font, double width,
                   PrintColor color, std::optional<PrintColor> background, TextAlign align)
{
    PageItem item;
    item.y = y;
    item.text = text;
    stripMark(item.text);
    item.font = font;
    item.color = color;
    item.background = background;
    item.align = align;
    const double w = textWidth(item.text, font);
    switch (align) {
    case TextAlign::Left:
        item.x = x;
        penX_ = x + w;
        break;
    case TextAlign::Right:
        item.x = x + width;
        penX_ = item.x;
        break;
    case TextAlign::Center:
        item.x = x + width / 2;
        penX_ = item.x + w / 2;
        break;
    }
    if (!item.text.empty()) addItem(std::move(item));
}

double TPRINTER::CMTR2PIX(double cm, bool vertical) const
{
    const PageGeometry& g = geometry();
    const double perMm = g.dpi / 25.4;
    return cm * 10 * perMm - (vertical ? g.topMm : g.leftMm) * perMm;
}

void TPRINTER::sayCm(double rowCm, double colCm, const std::string& text, const PrintFont& font, double widthCm,
                     PrintColor color, std::optional<PrintColor> background, TextAlign align)
{
    const double perMm = geometry().dpi / 25.4;
    say(CMTR2PIX(rowCm, true), CMTR2PIX(colCm, false), text, font, widthCm * 10 * perMm, color, background, align);
}

void TPRINTER::end()
{
    if (ended_) return;
    if (pageOpen_) endPage();
    finish();
    if (!valid_) return;
    PrintHooks& hooks = printHooks();
    if (!doc_.pages.empty()) {
        if (options_.preview) {
            if (hooks.preview) hooks.preview(doc_, options_.noPrint, options_.printer);
        } else if (hooks.print) {
            hooks.print(doc_, options_.printer);
        }
    }
    doc_.pages.clear();
}

// ---------------------------------------------------------------------------------------------
// Items on the grid

void PRINTTXT(TPRINTER& job, const std::vector<std::string>& texts, const TxtOptions& o)
{
    if (!job.valid() || job.ended()) return;
    std::string text;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) text += ' ';
        text += texts[i];
    }
    text = oemToUtf8Letters(text);
    const bool endsParagraph = stripMark(text);
    const PrintFont font = o.font.value_or(job.font());

    PageItem item;
    item.font = font;
    item.color = o.color;
    item.background = o.background;

    if (o.col && *o.col == 0) {
        // Continues the line right after the previous text.
        item.text = text;
        item.x = job.penX();
        item.y = job.lineY(job.row());
        job.setPenX(item.x + job.textWidth(text, font));
        if (!text.empty()) job.addItem(std::move(item));
        return;
    }

    const int col = o.col.value_or(0) + job.margin();
    if (col == job.margin()) job.setRow(job.row() + job.lineFeed());
    if (!job.pageOpen()) job.startPage();
    item.y = job.lineY(job.row());

    double pen = 0;
    if (o.right) {
        const double w = o.width > 0 ? o.width : static_cast<double>(utf8Length(text));
        item.align = TextAlign::Right;
        item.x = job.columnX(col + w);
        pen = item.x;
    } else if (o.centre) {
        item.align = TextAlign::Center;
        item.x = o.width > 0 ? job.columnX(col + o.width / 2.0) : job.columnX(40);
        pen = item.x + job.textWidth(text, font) / 2;
    } else if (o.justify) {
        text = trim(text);
        item.x = job.columnX(col);
        const int width = o.justifyWidth > 0 ? o.justifyWidth : 80 - 2 * job.margin();
        if (text.find(' ') != std::string::npos && !endsParagraph) {
            item.stretchTo = job.columnX(width);
            pen = item.x + item.stretchTo;
        } else {
            pen = item.x + job.textWidth(text, font);
        }
    } else {
        item.x = job.columnX(col);
        pen = item.x + job.textWidth(text, font);
    }
    if (o.justifyWidth > 0 && !o.justify) {
        item.clipWidth = job.columnX(o.justifyWidth);
        if (item.align == TextAlign::Left) pen = std::min(pen, item.x + item.clipWidth);
    }
    item.text = text;
    job.setPenX(pen);
    if (!item.text.empty()) job.addItem(std::move(item));
}

void SAYHEADER(const std::string& title, TPRINTER& job, const std::optional<PrintFont>& font, bool noDate)
{
    const double row = job.row();
    const double pen = job.penX();
    const int margin = job.margin();
    const PrintFont f = font.value_or(job.font());
    if (!job.pageOpen()) job.startPage();
    job.setMargin(1);
    const double y = job.lineY(1);
    job.say(y, job.columnX(job.margin()), oemToUtf8Letters(title), f);
    if (!noDate) job.say(y, job.columnX(40), Date::today().toDisplay(), f, 0, kBlack, std::nullopt, TextAlign::Center);
    job.say(y, job.columnX(78), "PAG. " + std::to_string(job.page()), f, 0, kBlack, std::nullopt, TextAlign::Right);
    job.setMargin(margin);
    job.setRow(row);
    job.setPenX(pen);
}

void SAYFOOTER(TPRINTER& job, const std::optional<PrintFont>& font)
{
    const double pen = job.penX();
    const double row = job.row();
    job.say(job.lineY(64), job.columnX(40), "- " + std::to_string(job.page()) + " -", font.value_or(job.font()), 0,
            kBlack, std::nullopt, TextAlign::Center);
    job.setPenX(pen);
    job.setRow(row);
}

double SETPROW(TPRINTER& job, std::optional<double> row)
{
    const double old = job.row();
    if (row) job.setRow(*row);
    return old;
}

double PFEED(TPRINTER& job, std::optional<double> lines)
{
    const double old = job.lineFeed();
    if (lines) job.setLineFeed(*lines);
    return old;
}

bool breakListPage(TPRINTER& job, const std::string& title, const std::optional<PrintFont>& font, bool noDate)
{
    if (std::lround(job.row()) <= 60) return false;
    job.endPage();
    job.setRow(2);
    job.startPage();
    SAYHEADER(title, job, font, noDate);
    for (int i = 0; i < 4; ++i) PRINTTXT(job, {});
    return true;
}

// ---------------------------------------------------------------------------------------------
// Wrapping

std::vector<std::string> wrapToWidth(const std::string& text, double width, double dpi, const PrintFont& font)
{
    const TextMeasurer& m = textMeasurer();
    std::vector<std::string> out;
    for (const std::string& paragraph : splitParagraphs(text)) {
        const std::vector<std::string> c = utf8Chars(paragraph);
        const size_t n = c.size();
        if (n == 0) {
            out.emplace_back(1, kParagraphMark);
            continue;
        }
        auto join = [&](size_t from, size_t count) {
            std::string s;
            for (size_t i = from; i < from + count; ++i) s += c[i];
            return s;
        };
        auto fits = [&](size_t from, size_t count) { return m.width(join(from, count), font, dpi) <= width; };
        size_t pos = 0;
        while (pos < n) {
            // The longest start of the rest that fits (widths grow with every character, so a
            // halving search finds the same start as trying one length after another).
            const size_t rest = n - pos;
            size_t k = 0;
            size_t hi = rest;
            while (k < hi) {
                const size_t mid = (k + hi + 1) / 2;
                if (fits(pos, mid)) k = mid;
                else hi = mid - 1;
            }
            // A character wider than the whole line still takes a line of its own, so the text
            // always moves on.
            if (k == 0) k = 1;
            if (k < rest && c[pos + k] != " " && c[pos + k - 1] != " ") {
                // Stopped inside a word: back to the last blank, unless the word fills the line.
                size_t b = k;
                while (b > 0 && c[pos + b - 1] != " ") --b;
                if (b > 0) k = b;
            }
            std::string line = rtrim(join(pos, k));
            pos += k;
            while (pos < n && c[pos] == " ") ++pos;
            if (pos >= n) line += kParagraphMark;
            out.push_back(std::move(line));
        }
    }
    return out;
}

std::vector<std::string> AMEMOLINE(const std::string& text, int width, const TPRINTER& job,
                                   const std::optional<PrintFont>& font)
{
    if (width <= 0) width = 80 - 2 * job.margin();
    return wrapToWidth(text, job.columnX(width), job.geometry().dpi, font.value_or(job.font()));
}

// ---------------------------------------------------------------------------------------------
// Long texts

PrintDocument MEMOPRT(const std::string& text, const std::string& docName,
                      const std::vector<std::function<std::string()>>& headerLines, bool footer, bool preview)
{
    TPRINTER job(docName, preview);
    job.setFont(PrintFont{"Courier New", 10});
    auto headers = [&] {
        for (const auto& h : headerLines) PRINTTXT(job, {h ? h() : std::string()});
    };
    job.startPage();
    headers();
    // Lines wider than the page are wrapped at its width, so no text runs off the paper.
    for (std::string line : AMEMOLINE(oemToUtf8Letters(text), 0, job)) {
        if (job.cancelled()) break;
        if (job.row() > 60) {
            if (footer) SAYFOOTER(job);
            job.endPage();
            job.setRow(2);
            job.startPage();
            headers();
        }
        stripMark(line);
        PRINTTXT(job, {line});
    }
    if (footer && job.pageOpen()) SAYFOOTER(job);
    job.endPage();
    PrintDocument made = job.document();
    job.end();
    return made;
}

} // namespace arv
