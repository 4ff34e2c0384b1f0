#include "common/letter.h"

#include <algorithm>

namespace arv {

namespace {

constexpr double kColumns = 80;

bool endsParagraph(std::string& text)
{
    if (!text.empty() && text.back() == kParagraphMark) {
        text.pop_back();
        return true;
    }
    return false;
}

} // namespace

LetterWriter::LetterWriter(TPRINTER& job, PrintFont font, int margin) : job_(job), font_(std::move(font)), margin_(margin)
{
    row_ = kFirstRow - 1;
}

void LetterWriter::skip(int lines)
{
    row_ += lines;
}

void LetterWriter::newPage()
{
    if (job_.pageOpen()) job_.endPage();
    row_ = kFirstRow - 1;
    if (header_ && !inHeader_) {
        inHeader_ = true;
        job_.startPage();
        header_(*this);
        inHeader_ = false;
    }
}

void LetterWriter::advance()
{
    row_ += 1;
    if (row_ > lastRow_ && !inHeader_) {
        newPage();
        row_ += 1;
    }
}

void LetterWriter::put(double column, const std::string& text, const PrintFont& font, double width, TextAlign align)
{
    if (text.empty()) return;
    if (!job_.pageOpen()) job_.startPage();
    const double col = std::clamp(column + margin_, 0.0, kColumns - 1);
    double room = kColumns - col;
    if (width > 0) room = std::min(room, width);
    PageItem item;
    item.text = text;
    item.font = font;
    item.y = job_.lineY(row_);
    switch (align) {
    case TextAlign::Left:
        item.x = job_.columnX(col);
        if (job_.textWidth(text, font) > job_.columnX(room)) item.clipWidth = job_.columnX(room);
        break;
    case TextAlign::Center: {
        const double span = width > 0 ? room : kColumns - col;
        item.align = TextAlign::Center;
        item.x = job_.columnX(col + span / 2);
        if (job_.textWidth(text, font) > job_.columnX(span)) {
            // Too wide to centre: from the left edge of its span, clipped.
            item.align = TextAlign::Left;
            item.x = job_.columnX(col);
            item.clipWidth = job_.columnX(span);
        }
        break;
    }
    case TextAlign::Right: {
        item.align = TextAlign::Right;
        item.x = job_.columnX(std::min(col, kColumns));
        break;
    }
    }
    job_.addItem(std::move(item));
}

void LetterWriter::line(const std::string& text, double column, const std::optional<PrintFont>& font, double width)
{
    advance();
    put(column, text, font.value_or(font_), width, TextAlign::Left);
}

void LetterWriter::same(const std::string& text, double column, const std::optional<PrintFont>& font, double width)
{
    if (row_ < kFirstRow) row_ = kFirstRow;
    put(column, text, font.value_or(font_), width, TextAlign::Left);
}

void LetterWriter::centred(const std::string& text, const std::optional<PrintFont>& font, double column, double width)
{
    advance();
    if (width <= 0) {
        // Centred on the page whatever the margin.
        const int m = margin_;
        margin_ = 0;
        put(0, text, font.value_or(font_), 0, TextAlign::Center);
        margin_ = m;
        return;
    }
    put(column, text, font.value_or(font_), width, TextAlign::Center);
}

void LetterWriter::right(const std::string& text, double end, const std::optional<PrintFont>& font)
{
    if (row_ < kFirstRow) row_ = kFirstRow;
    const PrintFont f = font.value_or(font_);
    // A text wider than the room left of END starts at the margin instead, clipped.
    const double col = std::clamp(end + margin_, 0.0, kColumns);
    if (job_.textWidth(text, f) > job_.columnX(col)) {
        const int m = margin_;
        margin_ = 0;
        put(0, text, f, col, TextAlign::Left);
        margin_ = m;
        return;
    }
    const int m = margin_;
    margin_ = 0;
    put(col, text, f, 0, TextAlign::Right);
    margin_ = m;
}

void LetterWriter::paragraph(const std::string& text, double column, double width, bool justify,
                             const std::optional<PrintFont>& font)
{
    const PrintFont f = font.value_or(font_);
    const double col = std::clamp(column + margin_, 0.0, kColumns - 1);
    const double room = width > 0 ? std::min(width, kColumns - col) : kColumns - col;
    // Whole columns, as AMEMOLINE counts them (a fraction left over stays empty).
    const int columns = std::max(1, static_cast<int>(room));
    for (std::string piece : AMEMOLINE(text, columns, job_, f)) {
        const bool last = endsParagraph(piece);
        advance();
        if (piece.empty()) continue;
        if (!job_.pageOpen()) job_.startPage();
        PageItem item;
        item.text = piece;
        item.font = f;
        item.x = job_.columnX(col);
        item.y = job_.lineY(row_);
        if (justify && !last && piece.find(' ') != std::string::npos) item.stretchTo = job_.columnX(room);
        else if (job_.textWidth(piece, f) > job_.columnX(room)) item.clipWidth = job_.columnX(room);
        job_.addItem(std::move(item));
    }
}

void LetterWriter::rule(double from, double to)
{
    if (row_ < kFirstRow) row_ = kFirstRow;
    if (!job_.pageOpen()) job_.startPage();
    const double a = std::clamp(from + margin_, 0.0, kColumns);
    const double b = std::clamp(to + margin_, 0.0, kColumns);
    if (b <= a) return;
    PageItem item;
    item.x = job_.columnX(a);
    item.y = job_.lineY(row_ + 1);
    item.frameWidth = job_.columnX(b - a);
    item.frameHeight = 0;
    job_.addItem(std::move(item));
}

} // namespace arv
