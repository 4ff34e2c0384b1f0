#include "common/pagemodel.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace arv {

namespace {

std::string lower(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1; // a stray byte counts as one character
}

std::mutex measurerMutex;
std::shared_ptr<const TextMeasurer> installedMeasurer;

} // namespace

bool PrintFont::monospaced() const
{
    const std::string f = lower(family);
    return f.find("courier") != std::string::npos || f.find("mono") != std::string::npos ||
           f.find("consol") != std::string::npos || f.find("fixed") != std::string::npos;
}

PageGeometry PageGeometry::turned() const
{
    PageGeometry g = *this;
    g.paperWidthMm = paperHeightMm;
    g.paperHeightMm = paperWidthMm;
    g.leftMm = topMm;
    g.topMm = rightMm;
    g.rightMm = bottomMm;
    g.bottomMm = leftMm;
    return g;
}

double EstimateMeasurer::width(std::string_view utf8, const PrintFont& font, double dpi) const
{
    double em = font.monospaced() ? 0.6 : 0.55;
    if (font.bold && !font.monospaced()) em *= 1.05;
    return static_cast<double>(utf8Length(utf8)) * em * font.pointSize * dpi / 72.0;
}

const TextMeasurer& textMeasurer()
{
    static const EstimateMeasurer estimate;
    std::lock_guard lock(measurerMutex);
    return installedMeasurer ? *installedMeasurer : estimate;
}

void setTextMeasurer(std::shared_ptr<const TextMeasurer> measurer)
{
    std::lock_guard lock(measurerMutex);
    installedMeasurer = std::move(measurer);
}

std::string dumpPage(const PrintDocument& doc, const Page& page)
{
    std::string out;
    const double cw = doc.geometry.columnWidth();
    const double lh = doc.geometry.lineHeight();
    for (const PageItem& item : page.items) {
        char head[64];
        if (item.isFrame()) {
            std::snprintf(head, sizeof head, "r%04.1f c%04.1f F |w%.1f h%.1f|\n", item.y / lh, item.x / cw,
                          item.frameWidth / cw, item.frameHeight / lh);
            out += head;
            continue;
        }
        const char a = item.align == TextAlign::Left ? 'L' : item.align == TextAlign::Right ? 'R' : 'C';
        std::snprintf(head, sizeof head, "r%04.1f c%04.1f %c%s |", item.y / lh, item.x / cw, a,
                      item.stretchTo > 0 ? "J" : "");
        out += head;
        out += item.text;
        out += "|\n";
    }
    return out;
}

size_t utf8Length(std::string_view text)
{
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += sequenceLength(static_cast<unsigned char>(text[i]))) ++n;
    return n;
}

std::vector<std::string> utf8Chars(std::string_view text)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        const size_t len = std::min(sequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
        out.emplace_back(text.substr(i, len));
        i += len;
    }
    return out;
}

std::vector<std::string> utf8Pieces(std::string_view text, size_t width)
{
    std::vector<std::string> out;
    const std::vector<std::string> chars = utf8Chars(text);
    for (size_t i = 0; i < chars.size(); i += std::max<size_t>(width, 1)) {
        std::string piece;
        for (size_t k = i; k < std::min(chars.size(), i + std::max<size_t>(width, 1)); ++k) piece += chars[k];
        out.push_back(piece);
    }
    if (out.empty()) out.emplace_back();
    return out;
}

std::string utf8Left(std::string_view text, size_t n)
{
    size_t i = 0;
    for (size_t k = 0; k < n && i < text.size(); ++k)
        i += sequenceLength(static_cast<unsigned char>(text[i]));
    return std::string(text.substr(0, std::min(i, text.size())));
}

} // namespace arv
