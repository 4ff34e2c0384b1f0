// Checks on a recorded page of the page model: nothing lies outside the printable area, and no two
// texts printed on one line run into each other.
//
// The layout measures texts with the installed measurer; the estimate gives every letter the same
// width, which hides a column of capitals running into the next one. ArialWidths measures the
// proportional fonts with Arial's own advance widths (the metric-compatible sans of the printing
// machines has the same), so a test that installs it (ScopedArialWidths) lays out and checks with
// the widths a printer uses.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/pagemodel.h"

namespace arv::test {

class ArialWidths : public TextMeasurer {
public:
    double width(std::string_view utf8, const PrintFont& font, double dpi) const override
    {
        double units = 0; // thousandths of an em
        for (size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            unsigned code = lead;
            size_t len = 1;
            if (lead >= 0xF0) len = 4, code = lead & 0x07;
            else if (lead >= 0xE0) len = 3, code = lead & 0x0F;
            else if (lead >= 0xC0) len = 2, code = lead & 0x1F;
            for (size_t k = 1; k < len && i + k < utf8.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            i += len;
            units += advance(code, font);
        }
        return units / 1000.0 * font.pointSize * dpi / 72.0;
    }

private:
    static int advance(unsigned code, const PrintFont& font)
    {
        if (font.monospaced()) return 600;
        // Advance widths in thousandths of an em, U+0020..U+007E and U+00A0..U+00FF.
        static const int regularAscii[95] = {
            277, 277, 354, 556, 556, 889, 666, 190, 333, 333, 389, 583, 277, 333, 277, 277, 556, 556, 556,
            556, 556, 556, 556, 556, 556, 556, 277, 277, 583, 583, 583, 556, 1015, 666, 666, 722, 722, 666,
            610, 777, 722, 277, 500, 666, 556, 833, 722, 777, 666, 777, 722, 666, 610, 722, 666, 943, 666,
            666, 610, 277, 277, 277, 469, 556, 333, 556, 556, 500, 556, 556, 277, 556, 556, 222, 222, 500,
            222, 833, 556, 556, 556, 556, 333, 500, 277, 556, 500, 722, 500, 500, 500, 333, 259, 333, 583};
        static const int boldAscii[95] = {
            277, 333, 474, 556, 556, 889, 722, 237, 333, 333, 389, 583, 277, 333, 277, 277, 556, 556, 556,
            556, 556, 556, 556, 556, 556, 556, 333, 333, 583, 583, 583, 610, 975, 722, 722, 722, 722, 666,
            610, 777, 722, 277, 556, 722, 610, 833, 722, 777, 666, 777, 722, 666, 610, 722, 666, 943, 666,
            666, 610, 333, 277, 333, 583, 556, 333, 556, 610, 556, 610, 556, 333, 610, 610, 277, 277, 556,
            277, 889, 610, 610, 610, 610, 389, 556, 333, 610, 556, 777, 556, 556, 500, 389, 279, 389, 583};
        static const int regularLatin[96] = {
            277, 333, 556, 556, 556, 556, 259, 556, 333, 736, 370, 556, 583, 333, 736, 552, 399, 548, 333, 333,
            333, 576, 537, 333, 333, 333, 365, 556, 833, 833, 833, 610, 666, 666, 666, 666, 666, 666, 1000, 722,
            666, 666, 666, 666, 277, 277, 277, 277, 722, 722, 777, 777, 777, 777, 777, 583, 777, 722, 722, 722,
            722, 666, 666, 610, 556, 556, 556, 556, 556, 556, 889, 500, 556, 556, 556, 556, 277, 277, 277, 277,
            556, 556, 556, 556, 556, 556, 556, 548, 610, 556, 556, 556, 556, 500, 556, 500};
        static const int boldLatin[96] = {
            277, 333, 556, 556, 556, 556, 279, 556, 333, 736, 370, 556, 583, 333, 736, 552, 399, 548, 333, 333,
            333, 576, 556, 333, 333, 333, 365, 556, 833, 833, 833, 610, 722, 722, 722, 722, 722, 722, 1000, 722,
            666, 666, 666, 666, 277, 277, 277, 277, 722, 722, 777, 777, 777, 777, 777, 583, 777, 722, 722, 722,
            722, 666, 666, 610, 610, 610, 610, 610, 610, 610, 889, 556, 556, 556, 556, 556, 277, 277, 277, 277,
            610, 610, 610, 610, 610, 610, 610, 548, 610, 610, 610, 610, 610, 556, 610, 556};
        if (code >= 0x20 && code <= 0x7E) return (font.bold ? boldAscii : regularAscii)[code - 0x20];
        if (code >= 0xA0 && code <= 0xFF) return (font.bold ? boldLatin : regularLatin)[code - 0xA0];
        if (code == static_cast<unsigned char>(kParagraphMark) || code < 0x20) return 0;
        return 1000; // anything else (the euro sign, dashes...) as wide as the widest
    }
};

// Lays out and measures with Arial's widths while it lives.
class ScopedArialWidths {
public:
    ScopedArialWidths() { setTextMeasurer(std::make_shared<ArialWidths>()); }
    ~ScopedArialWidths() { setTextMeasurer(nullptr); }
    ScopedArialWidths(const ScopedArialWidths&) = delete;
    ScopedArialWidths& operator=(const ScopedArialWidths&) = delete;
};

// Where the ink of a text item lies across the page: from its first to its last printed
// character (blanks at either end take room but print nothing), cut where the item is clipped.
struct InkSpan {
    double left = 0, right = 0;
    bool empty() const { return right <= left; }
};

inline InkSpan inkSpan(const PageItem& i, double dpi)
{
    const TextMeasurer& m = textMeasurer();
    std::string text = i.text;
    text.erase(std::remove(text.begin(), text.end(), kParagraphMark), text.end());
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    const double whole = m.width(text, i.font, dpi);
    if (i.stretchTo > 0) return {i.x, i.x + i.stretchTo};
    double start = i.x;
    if (i.align == TextAlign::Right) start = i.x - whole;
    else if (i.align == TextAlign::Center) start = i.x - whole / 2;
    InkSpan s{start + m.width(text.substr(0, first), i.font, dpi), start + m.width(text.substr(0, last + 1), i.font, dpi)};
    if (i.clipWidth > 0) s.right = std::min(s.right, i.x + i.clipWidth);
    return s;
}

// Every item of every page lies within the printable area (texts clipped at its right edge).
inline void expectOnThePage(const PrintDocument& doc, const std::string& what)
{
    const double w = doc.geometry.printableWidth(), h = doc.geometry.printableHeight();
    for (size_t p = 0; p < doc.pages.size(); ++p)
        for (const PageItem& i : doc.pages[p].items) {
            const std::string where = what + ", page " + std::to_string(p + 1) + ": |" + i.text + "|";
            EXPECT_GE(i.y, 0) << where;
            EXPECT_LE(i.y + doc.geometry.lineHeight() * 0.9, h) << where;
            if (i.isFrame()) {
                EXPECT_GE(i.x, 0) << where;
                EXPECT_LE(i.x + i.frameWidth, w + 1) << where;
                continue;
            }
            const InkSpan s = inkSpan(i, doc.geometry.dpi);
            if (s.empty()) continue;
            EXPECT_GE(s.left, -1) << where;
            EXPECT_LE(s.right, w + 1) << where;
        }
}

// No two texts on one line of a page run into each other: their ink keeps apart (touching
// counts as running into). Two items share a line when their tops are less than half the
// smaller font's height apart. Ruled items, and rules drawn as a row of underscores, are left
// out (a rule may run under a text or meet a box's side by design).
inline void expectNoOverlaps(const PrintDocument& doc, const std::string& what)
{
    const double dpi = doc.geometry.dpi;
    for (size_t p = 0; p < doc.pages.size(); ++p) {
        const std::vector<PageItem>& items = doc.pages[p].items;
        std::vector<InkSpan> spans(items.size());
        for (size_t a = 0; a < items.size(); ++a)
            if (!items[a].isFrame() && items[a].text.find_first_not_of('_') != std::string::npos)
                spans[a] = inkSpan(items[a], dpi);
        for (size_t a = 0; a < items.size(); ++a) {
            if (spans[a].empty()) continue;
            for (size_t b = a + 1; b < items.size(); ++b) {
                if (spans[b].empty()) continue;
                const double height = std::min(items[a].font.pointSize, items[b].font.pointSize) * dpi / 72;
                if (std::abs(items[a].y - items[b].y) >= height / 2) continue;
                const double gap = std::max(spans[a].left, spans[b].left) - std::min(spans[a].right, spans[b].right);
                EXPECT_GT(gap, 0) << what << ", page " << p + 1 << ": |" << items[a].text << "| and |"
                                  << items[b].text << "| overlap by " << -gap / doc.geometry.columnWidth()
                                  << " columns";
            }
        }
    }
}

} // namespace arv::test
