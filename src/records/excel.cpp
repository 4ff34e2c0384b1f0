#include "records/excel.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/office.h"
#include "common/tempnames.h"
#include "common/text.h"

namespace arv::records {

using namespace store;

namespace fs = std::filesystem;

namespace {

// Characters as the spreadsheet counts them, for the column widths.
size_t displayLength(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

struct Formats {
    lxw_format* header;
    lxw_format* text;
    lxw_format* number[5];
    lxw_format* date;
    lxw_format* logical;
};

lxw_format* topFormat(lxw_workbook* wb)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    return f;
}

Formats makeFormats(lxw_workbook* wb)
{
    Formats f{};
    f.header = topFormat(wb);
    format_set_bold(f.header);
    f.text = topFormat(wb);
    format_set_align(f.text, LXW_ALIGN_LEFT);
    static const char* kNum[] = {"0", "0.0", "0.00", "0.000", "0.0000"};
    for (int i = 0; i < 5; ++i) {
        f.number[i] = topFormat(wb);
        format_set_align(f.number[i], LXW_ALIGN_RIGHT);
        format_set_num_format(f.number[i], kNum[i]);
    }
    f.date = topFormat(wb);
    format_set_align(f.date, LXW_ALIGN_LEFT);
    format_set_num_format(f.date, "dd/mm/yyyy");
    f.logical = topFormat(wb);
    return f;
}

int decimalsOf(const Decimal& v)
{
    std::string s = v.toShortString();
    size_t dot = s.find('.');
    return dot == std::string::npos ? 0 : std::min<int>(4, static_cast<int>(s.size() - dot - 1));
}

// Writes one value by the type rules; gives the width of its text.
size_t writeCell(lxw_worksheet* ws, const Formats& f, lxw_row_t row, lxw_col_t col, const CellValue& v, int decimals)
{
    if (const std::string* s = std::get_if<std::string>(&v)) {
        std::string t = trim(*s);
        if (t.empty()) return 0;
        // A text cell, also when it reads as a number: codes, post codes and phone numbers keep
        // their leading zeros.
        worksheet_write_string(ws, row, col, t.c_str(), f.text);
        return displayLength(t);
    }
    if (const Decimal* d = std::get_if<Decimal>(&v)) {
        int dec = decimals >= 0 ? std::min(decimals, 4) : decimalsOf(*d);
        worksheet_write_number(ws, row, col, d->toDouble(), f.number[dec]);
        return d->toString(dec).size();
    }
    if (const Date* d = std::get_if<Date>(&v)) {
        if (d->isEmpty()) return 0;
        lxw_datetime dt{d->year(), d->month(), d->day(), 0, 0, 0};
        worksheet_write_datetime(ws, row, col, &dt, f.date);
        return 10;
    }
    if (const bool* b = std::get_if<bool>(&v)) {
        worksheet_write_boolean(ws, row, col, *b ? 1 : 0, f.logical);
        return 5;
    }
    return 0;
}

class PositionGuard {
public:
    explicit PositionGuard(Table& t) : t_(t), eof_(t.eof()), recno_(t.recno()) {}
    ~PositionGuard()
    {
        try {
            if (eof_) {
                t_.goBottom();
                t_.skip(1);
            } else {
                t_.goTo(recno_);
            }
        } catch (...) {
        }
    }

private:
    Table& t_;
    bool eof_;
    uint32_t recno_;
};

} // namespace

bool looksNumeric(std::string_view text)
{
    std::string t = trim(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool digits = false, separator = false;
    for (; i < t.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (std::isdigit(c)) digits = true;
        else if ((c == '.' || c == ',') && !separator && digits) separator = true;
        else return false;
    }
    return digits && t.back() != '.' && t.back() != ',';
}

bool writeSpreadsheet(Table& t, const std::string& path, const std::vector<ExtraColumn>& extra,
                      const std::function<void(uint32_t row)>& progress)
{
    PositionGuard guard(t);
    lxw_workbook* wb = workbook_new(path.c_str());
    if (!wb) return false;
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    Formats f = makeFormats(wb);
    const std::vector<FieldDef>& fields = t.file().fields();
    std::vector<size_t> widths;

    lxw_col_t col = 0;
    for (const FieldDef& fd : fields) {
        std::string title = trim(fd.name);
        worksheet_write_string(ws, 0, col++, title.c_str(), f.header);
        widths.push_back(displayLength(title));
    }
    for (const ExtraColumn& x : extra) {
        std::string title = trim(x.title);
        worksheet_write_string(ws, 0, col++, title.c_str(), f.header);
        widths.push_back(displayLength(title));
    }

    lxw_row_t row = 1;
    try {
        for (t.goTop(); !t.eof(); t.skip(1), ++row) {
            if (progress) progress(row + 1);
            col = 0;
            for (const FieldDef& fd : fields) {
                CellValue v;
                const FieldName name = FieldName::runtime(fd.name);
                switch (fd.type) {
                case 'N': v = t.number(name); break;
                case 'D': v = t.date(name); break;
                case 'L': v = t.logical(name); break;
                case 'M': v = t.memo(name); break;
                default: v = t.text(name);
                }
                size_t w = writeCell(ws, f, row, col, v, fd.type == 'N' ? fd.decimals : -1);
                widths[col] = std::max(widths[col], w);
                ++col;
            }
            for (const ExtraColumn& x : extra) {
                CellValue v = x.value ? x.value(t) : CellValue();
                size_t w = writeCell(ws, f, row, col, v, -1);
                widths[col] = std::max(widths[col], w);
                ++col;
            }
        }
    } catch (...) {
        workbook_close(wb);
        std::error_code ec;
        fs::remove(path, ec);
        throw;
    }
    // The columns as wide as their contents (at most 255 characters).
    for (size_t c = 0; c < widths.size(); ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             static_cast<double>(std::min<size_t>(255, widths[c] + 2)), nullptr);
    return workbook_close(wb) == LXW_NO_ERROR;
}

std::string TOEXCEL(Table& t, const std::vector<ExtraColumn>& extra)
{
    OfficeHooks& h = officeHooks();
    if (h.message) h.message(kMsgExporting, false);
    struct Closer {
        OfficeHooks& h;
        ~Closer()
        {
            if (h.closeMessage) h.closeMessage();
        }
    } closer{h};
    std::string file;
    try {
        fs::path folder = fs::temp_directory_path() / GETNEWFNAME();
        fs::create_directories(folder);
        file = (folder / "Estrazione dati.xlsx").string();
        bool ok = writeSpreadsheet(t, file, extra, [&](uint32_t row) {
            if (h.message) h.message("Esportazione in corso (" + std::to_string(row) + ")...", true);
        });
        if (!ok) return std::string();
    } catch (...) {
        // The export ends quietly; the position is back and the message closes.
        return std::string();
    }
    if (h.open) h.open(file);
    return file;
}

} // namespace arv::records
