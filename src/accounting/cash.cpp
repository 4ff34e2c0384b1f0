#include "accounting/cash.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "accounting/ledger.h"
#include "accounting/movements.h"
#include "common/ini.h"
#include "common/mask.h"
#include "common/report.h"
#include "common/text.h"
#include "records/criteria.h"
#include "records/lookups.h"
#include "registry/clients.h"

namespace fs = std::filesystem;

namespace arv::accounting {

using namespace store;
using namespace records;

namespace {

std::string iniOf(const std::string& folder) { return (fs::path(folder) / "ARV.INI").string(); }

std::string amountText(const Decimal& d) { return trim(Mask(kCashAmountMask).formatNumber(d)); }

void show(EditValues& v, const Payment& p, bool change)
{
    v.set(kStillDue, amountText(p.due));
    if (change) v.set("RESTO", amountText(p.change));
    v.set(kPaid, amountText(p.paid));
}

std::vector<EditField> buildFields()
{
    EditField date = dateField(101, "Data:", "DATA");
    date.rule = givenDate;
    EditField operatorField = choiceField(102, "Operatore:", "OPERATORE", [] { return AOPERATORI(workspace()); });
    operatorField.rule = requiredRule;
    EditField insured = textField(104, "Assicurato:", "ASSICURATO");
    insured.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("ASSICURATO")); };
    EditField cheque = numberField(107, "Assegno:", "ASSEGNO", kCashAmountMask);
    // Only the amount and the cash take a sign.
    cheque.rule = [](const std::string&, const EditValues& v) { return !v.number("ASSEGNO").isNegative(); };
    EditField due = numberField(110, "Avere:", dialogOnly(kStillDue), kCashAmountMask);
    due.readOnly = true;
    due.stored = false;
    EditField paid = numberField(112, "Pagato:", dialogOnly(kPaid), kCashAmountMask);
    paid.readOnly = true;
    paid.stored = false;
    EditField cash = numberField(108, "Contanti:", "CONTANTI", kCashAmountMask);
    EditField change = numberField(111, "Resto:", "RESTO", kCashAmountMask);
    // The amounts side by side: what is due and paid, then what follows from it.
    for (EditField* f : {&cheque, &cash, &change, &paid}) f->sameRow = true;
    return {date,
            operatorField,
            textField(103, "Polizza n.:", "POLIZZA"),
            insured,
            memoField(105, "Descrizione:", "DESCRIZIO"),
            numberField(106, "Importo:", "IMPORTO", kCashAmountMask),
            cheque,
            cash,
            textField(109, "Id:", "ID"),
            due,
            change,
            paid};
}

} // namespace

// ---------------------------------------------------------------- payment

Payment payment(const Decimal& amount, const Decimal& cheque, const Decimal& cash)
{
    const Decimal difference = amount - cheque - cash;
    Payment p;
    p.due = difference.isNegative() ? Decimal() : difference;
    p.change = difference.isNegative() ? -difference : Decimal();
    p.paid = cheque + cash - p.change;
    return p;
}

Payment paymentWithChange(const Decimal& amount, const Decimal& cheque, const Decimal& cash, const Decimal& change)
{
    Payment p = payment(amount, cheque, cash);
    p.change = change;
    p.paid = cheque + cash - change;
    return p;
}

Payment paymentOf(const Table& t)
{
    return paymentWithChange(t.number("IMPORTO"), t.number("ASSEGNO"), t.number("CONTANTI"), t.number("RESTO"));
}

// ---------------------------------------------------------------- balances

Decimal initialBalance(const std::string& folder) { return IniFile(iniOf(folder)).getDecimal("Cassa", "Saldo iniziale"); }

void setInitialBalance(const std::string& folder, const Decimal& balance)
{
    IniFile(iniOf(folder)).setDecimal("Cassa", "Saldo iniziale", balance);
}

namespace {

// A stored amount in hundredths, read straight from the record: a balance adds up every row of
// the register on each redraw. Blanks, or anything that is not a number, give 0.
long long hundredths(std::string_view raw)
{
    long long units = 0;
    int decimals = -1;
    bool negative = false, digits = false;
    for (char c : raw) {
        if (c == ' ' && !digits) continue;
        if (c == '-' && !digits && !negative) negative = true;
        else if (c == '.' && decimals < 0) decimals = 0;
        else if (c >= '0' && c <= '9') {
            units = units * 10 + (c - '0');
            digits = true;
            if (decimals >= 0) ++decimals;
        } else
            return 0;
    }
    for (int d = std::max(decimals, 0); d < 2; ++d) units *= 10;
    for (int d = decimals; d > 2; --d) units /= 10;
    return negative ? -units : units;
}

// The paid values of the rows of the current view dated on or before DATE. The order (the date's
// key) gives the rows up to the first later date without reading them; the rows are then read in
// the file's order, a block at a time. The cursor does not move.
Decimal paidUpTo(Table& t, Date date)
{
    std::vector<uint32_t> recnos;
    const std::string last = date.dtos();
    {
        auto batch = t.readBatch();
        t.scanOrder([&](const NtxEntry& e) {
            if (e.key.compare(0, last.size(), last) > 0) return false;
            recnos.push_back(e.recno);
            return true;
        });
    }
    std::sort(recnos.begin(), recnos.end());
    DbfFile& f = t.file();
    // Where each field lies in a record.
    struct Slice {
        size_t offset = 0, width = 0;
    };
    const auto slice = [&f](FieldName name) {
        const int i = f.fieldIndex(name);
        if (i < 0) throw std::runtime_error("CASSA senza il campo " + std::string(name));
        return Slice{static_cast<size_t>(f.fieldOffset(i)), static_cast<size_t>(f.fields()[static_cast<size_t>(i)].width)};
    };
    const Slice data = slice("DATA"), cheque = slice("ASSEGNO"), cash = slice("CONTANTI"), change = slice("RESTO");
    const size_t length = static_cast<size_t>(f.recordLength());
    const uint32_t perBlock = std::max<uint32_t>(1, 64 * 1024 / static_cast<uint32_t>(length));
    std::string block;
    uint32_t first = 0, count = 0;
    long long paid = 0;
    for (uint32_t r : recnos) {
        if (r < first || r >= first + count) {
            first = r;
            count = f.readBlock(r, perBlock, block);
            if (count == 0) break;
        }
        const std::string_view record(block.data() + static_cast<size_t>(r - first) * length, length);
        const auto field = [&record](const Slice& s) { return record.substr(s.offset, s.width); };
        if (record[0] == '*' || field(data) > last) continue;
        paid += hundredths(field(cheque)) + hundredths(field(cash)) - hundredths(field(change));
    }
    return Decimal::fromScaled(paid, 2);
}

} // namespace

Decimal cashBalanceAt(Table& t, Date date, const Decimal& initial) { return initial + paidUpTo(t, date); }

// ---------------------------------------------------------------- the dialog

std::string cashParty(const Table& t)
{
    const std::string client = t.text("ASSICURATO");
    if (filled(client)) return client;
    std::string d = t.memo("DESCRIZIO");
    std::string out;
    out.reserve(d.size());
    for (size_t i = 0; i < d.size(); ++i) {
        if (d[i] == '\r' && i + 1 < d.size() && d[i + 1] == '\n') continue; // CR LF: one blank
        out += d[i] == '\r' || d[i] == '\n' ? ' ' : d[i];
    }
    return rtrim(out);
}

const std::vector<EditField>& cashFields()
{
    static const std::vector<EditField> fields = buildFields();
    return fields;
}

void prepareCashEdit(EditValues& v, bool inserting)
{
    if (inserting) v.set("DATA", Date::today().toDisplay());
    show(v, paymentWithChange(v.number("IMPORTO"), v.number("ASSEGNO"), v.number("CONTANTI"), v.number("RESTO")),
         false);
}

void cashFieldLeft(Workspace& ws, int id, EditValues& v)
{
    switch (id) {
    case 103: v.set("ASSICURATO", policyParties(ws, trim(v.get("POLIZZA"))).insured); break;
    case 106:
    case 107:
    case 108: show(v, payment(v.number("IMPORTO"), v.number("ASSEGNO"), v.number("CONTANTI")), true); break;
    case 111:
        show(v, paymentWithChange(v.number("IMPORTO"), v.number("ASSEGNO"), v.number("CONTANTI"), v.number("RESTO")),
             false);
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- search

std::vector<SearchField> cashSearch()
{
    SearchField day = customSearch(101, "Data:", FieldKind::Date, [](const std::vector<std::string>& typed) {
        const Date d = Date::fromDisplay(typed[0]);
        return d ? criteria::dateRange("DATA", d, d) : RecordPredicate();
    });
    SearchField operatorField = searchField(102, "Operatore:", "OPERATORE", Match::Prefix, FieldKind::Choice);
    operatorField.list = [] { return withEmpty(AOPERATORI(workspace())); };
    operatorField.typedChoice = true;
    SearchField description = customSearch(105, "Descrizione:", FieldKind::Text, [](const std::vector<std::string>& typed) {
        const std::string wanted = Mask::upper(trim(typed[4]));
        if (wanted.empty()) return RecordPredicate();
        return RecordPredicate([wanted](const Table& t) {
            return Mask::upper(t.memo("DESCRIZIO")).find(wanted) != std::string::npos;
        });
    });
    SearchField insured = searchField(104, "Assicurato:", "ASSICURATO", Match::Prefix);
    insured.pick = [](Workspace& ws, const std::vector<std::string>& typed) { return registry::pickClient(ws, typed[3]); };
    auto bound = [](int id, const char* label, FieldName field, Match match) {
        SearchField f = searchField(id, label, field, match, FieldKind::Number);
        f.mask = kCashAmountMask;
        return f;
    };
    return {day,
            operatorField,
            searchField(103, "Polizza n.:", "POLIZZA", Match::Prefix),
            insured,
            description,
            bound(106, "Importo da:", "IMPORTO", Match::From),
            bound(107, "a:", "IMPORTO", Match::To),
            bound(108, "Assegno da:", "ASSEGNO", Match::From),
            bound(109, "a:", "ASSEGNO", Match::To),
            searchField(110, "Id:", "ID", Match::Prefix)};
}

// ---------------------------------------------------------------- the day's printout

PrintDocument printCashDay(Table& t, Date day, const Decimal& initial, bool preview)
{
    struct Row {
        std::string policy, party, id;
        Decimal amount, cheque, cash;
        Payment pay;
        Decimal balance;
    };
    const uint32_t here = t.eof() ? 0 : t.recno();
    const Decimal opening = initial + paidUpTo(t, day.addDays(-1));
    std::vector<Row> rows;
    {
        auto batch = t.readBatch();
        t.seek(day.dtos(), true);
        Decimal running = opening;
        for (; !t.eof() && t.date("DATA") == day; t.skip(1)) {
            Row r{t.text("POLIZZA"), cashParty(t), t.text("ID"), t.number("IMPORTO"), t.number("ASSEGNO"),
                  t.number("CONTANTI"), paymentOf(t), {}};
            running += r.pay.paid;
            r.balance = running;
            rows.push_back(std::move(r));
        }
    }
    if (here) t.goTo(here);
    const Decimal closing = rows.empty() ? opening : rows.back().balance;
    const auto balance = [](const Decimal& d) { return trim(Mask(kBalanceMask).formatNumber(d)); };

    size_t cur = 0;
    ReportDescription d;
    d.title = "Stampa movimenti del " + day.toDisplay();
    d.headings = {"STAMPA MOVIMENTI DEL " + day.toDisplay(), "", "", "SALDO INIZIALE: " + balance(opening)};
    d.font = PrintFont("Arial", 9);
    d.landscape = true;
    d.totalLabel = "TOTALE";
    auto text = [&](const char* heading, std::string Row::*member, int width) {
        return ReportColumn{heading, [&, member] { return ReportValue(rows[cur].*member); }, "", width};
    };
    auto amount = [&](const char* heading, std::function<Decimal(const Row&)> value, bool total = true) {
        ReportColumn c{heading, [&, value] { return ReportValue(value(rows[cur])); }, kCashAmountMask, 0, total,
                       ReportAlign::Right};
        c.totalMask = kBalanceMask;
        return c;
    };
    ReportColumn running = amount("SALDO", [](const Row& r) { return r.balance; }, false);
    running.mask = kBalanceMask;
    d.columns = {text("POLIZZA N.", &Row::policy, 16),
                 text("ASSICUR./DESCRIZ.", &Row::party, 25),
                 amount("IMPORTO", [](const Row& r) { return r.amount; }),
                 amount("ASSEGNO", [](const Row& r) { return r.cheque; }),
                 text("ID", &Row::id, 10),
                 amount("CONTANTI", [](const Row& r) { return r.cash; }),
                 amount("AVERE", [](const Row& r) { return r.pay.due; }),
                 amount("RESTO", [](const Row& r) { return r.pay.change; }),
                 amount("PAGATO", [](const Row& r) { return r.pay.paid; }),
                 running};
    d.closingLines = {"", "", "SALDO FINALE DI CASSA" + std::string(10, ' ') + balance(closing)};
    return runReport(d, indexRows(rows.size(), cur), preview);
}

} // namespace arv::accounting
