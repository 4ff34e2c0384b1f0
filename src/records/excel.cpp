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

lxw_format* topFormat(lxw_workbook* wb)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    return f;
}

int decimalsOf(const Decimal& v)
{
    std::string s = v.toShortString();
    size_t dot = s.find('.');
    return dot == std::string::npos ? 0 : std::min<int>(4, static_cast<int>(s.size() - dot - 1));
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

struct SheetWriter::State {
    std::string path;
    std::vector<SheetColumn> columns;
    lxw_workbook* wb = nullptr;
    lxw_worksheet* ws = nullptr;
    lxw_format* header = nullptr;
    lxw_format* text = nullptr;
    lxw_format* plain[5] = {};            // numbers with 0 to 4 decimals
    std::vector<lxw_format*> columnFormat; // a Number column's own format (null: by the value)
    lxw_format* date = nullptr;
    lxw_format* logical = nullptr;
    std::vector<size_t> widths;
    uint32_t rows = 0;
    bool closed = false;

    // Writes one value by its type; gives the width of its text.
    size_t write(lxw_row_t row, lxw_col_t col, const CellValue& v)
    {
        if (const std::string* s = std::get_if<std::string>(&v)) {
            const std::string t = trim(*s);
            if (t.empty()) return 0;
            worksheet_write_string(ws, row, col, t.c_str(), text);
            return displayLength(t);
        }
        if (const Decimal* d = std::get_if<Decimal>(&v)) {
            lxw_format* f = col < columnFormat.size() ? columnFormat[col] : nullptr;
            const int dec = f ? 2 : decimalsOf(*d);
            worksheet_write_number(ws, row, col, d->toDouble(), f ? f : plain[dec]);
            // Thousands separators take a character every three digits.
            const size_t digits = d->toString(dec).size();
            return f ? digits + digits / 4 : digits;
        }
        if (const Date* d = std::get_if<Date>(&v)) {
            if (d->isEmpty()) return 0;
            lxw_datetime dt{d->year(), d->month(), d->day(), 0, 0, 0};
            worksheet_write_datetime(ws, row, col, &dt, date);
            return 10;
        }
        if (const bool* b = std::get_if<bool>(&v)) {
            worksheet_write_boolean(ws, row, col, *b ? 1 : 0, logical);
            return 5;
        }
        return 0;
    }
};

SheetWriter::SheetWriter(const std::string& path, std::vector<SheetColumn> columns, bool constantMemory)
    : s_(std::make_unique<State>())
{
    s_->path = path;
    s_->columns = std::move(columns);
    std::string tmp = fs::temp_directory_path().string();
    lxw_workbook_options o{};
    o.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    o.tmpdir = tmp.data();
    s_->wb = workbook_new_opt(path.c_str(), &o);
    if (!s_->wb) return;
    s_->ws = workbook_add_worksheet(s_->wb, nullptr);
    s_->header = topFormat(s_->wb);
    format_set_bold(s_->header);
    s_->text = topFormat(s_->wb);
    format_set_align(s_->text, LXW_ALIGN_LEFT);
    static const char* kNum[] = {"0", "0.0", "0.00", "0.000", "0.0000"};
    for (int i = 0; i < 5; ++i) {
        s_->plain[i] = topFormat(s_->wb);
        format_set_align(s_->plain[i], LXW_ALIGN_RIGHT);
        format_set_num_format(s_->plain[i], kNum[i]);
    }
    s_->date = topFormat(s_->wb);
    format_set_align(s_->date, LXW_ALIGN_LEFT);
    format_set_num_format(s_->date, "dd/mm/yyyy");
    s_->logical = topFormat(s_->wb);
    lxw_col_t col = 0;
    for (const SheetColumn& c : s_->columns) {
        lxw_format* f = nullptr;
        if (c.kind == SheetCell::Number && !c.format.empty()) {
            f = topFormat(s_->wb);
            format_set_align(f, LXW_ALIGN_RIGHT);
            format_set_num_format(f, c.format.c_str());
        }
        s_->columnFormat.push_back(f);
        const std::string title = trim(c.title);
        worksheet_write_string(s_->ws, 0, col++, title.c_str(), s_->header);
        s_->widths.push_back(displayLength(title));
    }
}

SheetWriter::~SheetWriter()
{
    if (!s_->wb || s_->closed) return;
    workbook_close(s_->wb);
    std::error_code ec;
    fs::remove(s_->path, ec);
}

bool SheetWriter::ok() const { return s_->wb != nullptr; }

uint32_t SheetWriter::rows() const { return s_->rows; }

void SheetWriter::add(const std::vector<CellValue>& values)
{
    if (!s_->wb || s_->closed) return;
    const lxw_row_t row = ++s_->rows;
    for (size_t c = 0; c < values.size(); ++c) {
        const size_t w = s_->write(row, static_cast<lxw_col_t>(c), values[c]);
        if (c >= s_->widths.size()) s_->widths.resize(c + 1, 0);
        s_->widths[c] = std::max(s_->widths[c], w);
    }
}

bool SheetWriter::close()
{
    if (!s_->wb || s_->closed) return false;
    // The columns as wide as their contents (at most 255 characters).
    for (size_t c = 0; c < s_->widths.size(); ++c)
        worksheet_set_column(s_->ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             static_cast<double>(std::min<size_t>(255, s_->widths[c] + 2)), nullptr);
    s_->closed = true;
    return workbook_close(s_->wb) == LXW_NO_ERROR;
}

bool writeSpreadsheet(Table& t, const std::string& path, const std::vector<ExtraColumn>& extra,
                      const std::function<void(uint32_t row)>& progress)
{
    PositionGuard guard(t);
    const std::vector<FieldDef>& fields = t.file().fields();
    std::vector<SheetColumn> columns;
    for (const FieldDef& fd : fields) {
        SheetColumn c{fd.name};
        if (fd.type == 'N') {
            c.kind = SheetCell::Number;
            static const char* kNum[] = {"0", "0.0", "0.00", "0.000", "0.0000"};
            c.format = kNum[std::clamp(fd.decimals, 0, 4)];
        }
        columns.push_back(c);
    }
    for (const ExtraColumn& x : extra) columns.push_back({x.title});
    SheetWriter w(path, columns);
    if (!w.ok()) return false;
    std::vector<CellValue> row;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        if (progress) progress(w.rows() + 2);
        row.clear();
        for (const FieldDef& fd : fields) {
            const FieldName name = FieldName::runtime(fd.name);
            switch (fd.type) {
            case 'N': row.emplace_back(t.number(name)); break;
            case 'D': row.emplace_back(t.date(name)); break;
            case 'L': row.emplace_back(t.logical(name)); break;
            case 'M': row.emplace_back(t.memo(name)); break;
            default: row.emplace_back(t.text(name));
            }
        }
        for (const ExtraColumn& x : extra) row.push_back(x.value ? x.value(t) : CellValue());
        w.add(row);
    }
    return w.close();
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
