#include "accounting/invoices.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "accounting/movements.h"
#include "accounting/vocabulary.h"
#include "common/files.h"
#include "common/ini.h"
#include "common/mask.h"
#include "common/lists.h"
#include "common/numfmt.h"
#include "common/printjob.h"
#include "common/report.h"
#include "common/text.h"
#include "common/text_util.h"
#include "records/excel.h"
#include "records/reportrows.h"
#include "store/keys.h"

namespace arv::accounting {

using namespace store;
using namespace records;
namespace fs = std::filesystem;

namespace {

constexpr size_t kNameWidth = 35;
constexpr size_t kPolicyWidth = 25;
constexpr const char* kCrLf = "\r\n";

std::string upper(std::string_view s) { return Mask::upper(trim(s)); }

Decimal hundredth(const Decimal& a, const Decimal& rate) { return (a * rate / Decimal(100)).round(2); }

std::string iniPathOf(const std::string& folder) { return (fs::path(folder) / "ARV.INI").string(); }

// "2025" as the invoice tag writes the year of a date.
std::string yearKey(Date date)
{
    char out[8];
    std::snprintf(out, sizeof out, "%4d", date ? date.year() % 10000 : 0);
    return out;
}

// A cursor of FATTBSA in invoice order.
void invoiceOrder(Table& t)
{
    t.ordAdd("FATTBSA");
    t.setOrder("FATTBSA");
}

std::string amountText(const Decimal& d) { return trim(ENSTR(d)); }

} // namespace

// ---------------------------------------------------------------- amounts in a text

std::optional<Decimal> markerAmount(std::string_view text, std::string_view marker)
{
    const size_t at = text.find(marker);
    if (at == std::string_view::npos) return std::nullopt;
    size_t i = at + marker.size();
    while (i < text.size() && text[i] == ' ') ++i;
    std::string token;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '.' || c == ',' || (c == '-' && token.empty())) token += c;
        else break;
    }
    if (token.find(',') != std::string::npos) {
        token.erase(std::remove(token.begin(), token.end(), '.'), token.end());
        std::replace(token.begin(), token.end(), ',', '.');
    }
    return Decimal::parse(token);
}

Decimal invoiceAmount(std::string_view text, const Decimal& amount)
{
    if (std::optional<Decimal> c = markerAmount(text, kMarkCommission)) return *c;
    if (std::optional<Decimal> f = markerAmount(text, kMarkFee)) return *f;
    return amount;
}

bool isConsultancy(std::string_view text) { return detail::upperAscii(text).find("CONSULENZA") != std::string::npos; }

std::string textAmount(const Decimal& amount)
{
    const std::string s = amountText(amount);
    return s.size() >= 9 ? s : std::string(9 - s.size(), ' ') + s;
}

InvoiceTotals invoiceTotals(const Decimal& amount, const Decimal& rate, std::string_view text)
{
    InvoiceTotals t;
    t.taxable = amount;
    const Decimal onRate = hundredth(amount, rate);
    if (rate > Decimal(0)) t.vat = onRate;
    if (rate < Decimal(0)) t.withholding = -onRate;
    t.stamp = markerAmount(text, kMarkStamp).value_or(Decimal());
    t.total = amount + onRate;
    t.amount = invoiceAmount(text, amount);
    return t;
}

InvoiceTotals invoiceTotals(const Table& t)
{
    return invoiceTotals(t.number("IMPORTO"), t.number("ALIQUOTA"), t.memo("TESTO"));
}

// ---------------------------------------------------------------- customer

Decimal withholdingRate(const std::string& folder)
{
    return IniFile(iniPathOf(folder)).getDecimal("Emissione fatture", "Aliquota RA", *Decimal::parse("11.5"));
}

InvoiceCustomer invoiceCustomer(Workspace& ws, const std::string& name)
{
    InvoiceCustomer c;
    c.name = trim(name);
    if (c.name.empty()) return c;
    const std::string key = indexKey(upper(name), kNameWidth);
    {
        OwnTable co(ws, "COMPAGN", true);
        co->ordAdd("COMPAGN");
        if (co->seek(key)) {
            c.found = c.company = true;
            c.title = "Spett.le";
            c.name = trim(co->text("RAGSOC1"));
            if (c.name.empty()) c.name = trim(co->text("COMPAGNIA"));
            c.name2 = trim(co->text("RAGSOC2"));
            c.address = trim(co->text("INDIRIZZO"));
            c.town = trim(co->text("CITTA"));
            c.postCode = trim(co->text("CAP"));
            c.province = trim(co->text("PROVINCIA"));
            c.vatNumber = trim(co->text("PARTITAIVA"));
            c.defaultRate = -co->number("ALIQRA");
            return c;
        }
    }
    OwnTable cl(ws, "CLIENTI", true);
    cl->ordAdd("CLIENTI");
    if (!cl->seek(key)) return c;
    c.found = true;
    c.title = trim(cl->text("TITOLO"));
    c.name = trim(cl->text("CLIENTE"));
    c.address = trim(cl->text("INDIRIZZO"));
    c.town = trim(cl->text("CITTA"));
    c.postCode = trim(cl->text("CAP"));
    c.province = trim(cl->text("PROVINCIA"));
    c.taxCode = trim(cl->text("CODICEFISC"));
    c.vatNumber = trim(cl->text("PARTITAIVA"));
    c.firstName = trim(cl->text("NOMEPF"));
    c.sdiCode = trim(cl->text("CODICESDI"));
    c.pec = trim(cl->text("PEC"));
    if (!c.vatNumber.empty()) c.defaultRate = -withholdingRate(ws.folder());
    return c;
}

// ---------------------------------------------------------------- numbering

std::optional<int> nextInvoiceNumber(Table& t, Date date)
{
    KeepPosition back{t};
    invoiceOrder(t);
    t.goTop();
    long long next = 1;
    if (t.eof()) {
        next = static_cast<long long>(IniFile(iniPathOf(t.folder())).getInt("Emissione fatture", "Numero", 0)) + 1;
    } else if (t.seek(yearKey(date), false, true)) {
        next = t.number("NUMERO").toLongLong() + 1;
    }
    if (next < 1) next = 1;
    if (next > kMaxInvoiceNumber) return std::nullopt;
    return static_cast<int>(next);
}

int PROSNUMFATT(Workspace& ws, Date date)
{
    OwnTable t(ws, "FATTBSA", true);
    return nextInvoiceNumber(*t, date).value_or(kMaxInvoiceNumber);
}

// ---------------------------------------------------------------- the dialog's values

const std::vector<EditField>& invoiceFields()
{
    static const std::vector<EditField> fields = [] {
        std::vector<EditField> f;
        EditField number = numberField(101, "Numero:", "NUMERO", "@EZ 99999");
        number.readOnly = true;
        f.push_back(number);
        EditField date = dateField(102, "Data:", "DATA");
        date.rule = [](const std::string& s, const EditValues&) { return bool(Date::fromDisplay(s)); };
        f.push_back(date);
        EditField customer = textField(103, "Cliente:", "CLIENTE");
        customer.rule = requiredRule;
        f.push_back(customer);
        EditField text = memoField(104, "Testo:", "TESTO");
        text.rule = requiredRule;
        text.fontFamily = "Courier New";
        text.fontSize = 12;
        f.push_back(text);
        EditField payment = choiceField(105, "Pagamento:", "MODPAG", [] { return AMODPAG(); });
        payment.rule = requiredRule;
        f.push_back(payment);
        EditField amount = numberField(106, "Importo:", "IMPORTO", "@ZE 999,999.99");
        amount.rule = requiredRule;
        f.push_back(amount);
        f.push_back(numberField(107, "Aliquota IVA (+) / Aliquota R.A. (-):", "ALIQUOTA", "@E 999.999%"));
        f.push_back(logicalField(108, "IBAN:", "FONDO"));
        EditField reference = textField(kFieldReference, "", dialogOnly(kReference));
        reference.stored = false;
        f.push_back(reference);
        return f;
    }();
    return fields;
}

EditValues newInvoiceValues(Workspace& ws, bool proforma, Date today)
{
    EditValues v = blankValues(invoiceFields());
    v.set("DATA", today.toDisplay());
    v.set("NUMERO", Mask("@EZ 99999").formatNumber(Decimal(proforma ? 0 : PROSNUMFATT(ws, today))));
    return v;
}

std::string presetText(const std::string& folder, int which, const std::string& reference)
{
    return decodeLineBreaks(IniFile(iniPathOf(folder)).get("Emissione fatture", "Testo" + std::to_string(which)), "\r\n") +
           reference;
}

// ---------------------------------------------------------------- save and deletion

namespace {

void storeInvoice(Table& t, const EditValues& v)
{
    t.setDate("DATA", v.date("DATA"));
    t.setText("CLIENTE", trim(v.get("CLIENTE")));
    t.setMemo("TESTO", v.get("TESTO"));
    t.setText("MODPAG", trim(v.get("MODPAG")));
    t.setNumber("IMPORTO", v.number("IMPORTO"));
    t.setNumber("ALIQUOTA", v.number("ALIQUOTA"));
    t.setLogical("FONDO", v.logical("FONDO"));
}

std::optional<std::string> driveProblem(const Table& t)
{
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) return p.message;
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) return f.message;
    return std::nullopt;
}

// The last live record in invoice order, read through a cursor of its own.
uint32_t lastInvoice(Workspace& ws)
{
    OwnTable own(ws, "FATTBSA", true);
    invoiceOrder(*own);
    own->goBottom();
    return own->eof() ? 0 : own->recno();
}

} // namespace

InvoiceSave saveInvoice(Workspace& ws, Table& t, bool inserting, bool proforma, const EditValues& before,
                        const EditValues& after)
{
    (void)ws;
    InvoiceSave out;
    const uint32_t editing = inserting || t.eof() ? 0 : t.recno();
    if (!inserting && !editing) return out;
    if (auto m = driveProblem(t)) {
        out.message = *m;
        return out;
    }
    const Date date = after.date("DATA");
    const bool yearChanged = !inserting && yearKey(date) != yearKey(before.date("DATA"));
    const bool renumber = (inserting && !proforma) || yearChanged;

    t.lock(false);
    Unlocker unlock{t};
    int number = inserting ? 0 : static_cast<int>(t.number("NUMERO").toLongLong());
    if (renumber) {
        std::optional<int> n = nextInvoiceNumber(t, date);
        if (!n) {
            out.message = kMsgYearFull;
            if (editing) t.goTo(editing);
            return out;
        }
        number = *n;
    }
    if (inserting) t.append(true);
    else {
        t.goTo(editing);
        t.lock(true);
        if (t.deleted()) t.recall();
    }
    storeInvoice(t, after);
    t.setNumber("NUMERO", Decimal(number));
    t.commit();
    out.recno = t.recno();
    out.number = number;
    out.saved = true;
    return out;
}

bool invoiceDeletable(Workspace& ws, const Table& t)
{
    if (t.eof()) return false;
    if (t.number("NUMERO").isZero()) return true;
    return lastInvoice(ws) == t.recno();
}

std::optional<std::string> deleteInvoice(Workspace& ws, Table& t)
{
    if (t.eof()) return std::string();
    const uint32_t recno = t.recno();
    if (auto m = driveProblem(t)) return *m;
    t.lock(false);
    Unlocker unlock{t};
    t.goTo(recno);
    if (t.eof() || t.deleted()) return std::string();
    if (!t.number("NUMERO").isZero() && lastInvoice(ws) != recno) return std::string(kMsgOnlyLastInvoice);
    t.lock(true);
    t.del();
    return std::nullopt;
}

// ---------------------------------------------------------------- GENFATT

GeneratedText consultancyText(const std::string& company, const std::string& policy, const Decimal& premium,
                              const Decimal& fee, const Decimal& expenses, const Decimal& rate)
{
    GeneratedText g;
    g.text = "Consulenza su polizza auto " + trim(company) + " n. " + trim(policy) + " di euro " + amountText(premium);
    g.text += std::string(kCrLf) + kCrLf + kCrLf;
    g.text += std::string(kMarkFee) + textAmount(fee) + "  (*)";
    g.text += std::string(kCrLf) + kMarkExpenses + textAmount(expenses);
    const Decimal withholding = hundredth(fee, rate);
    g.total = fee + withholding + expenses;
    if (g.total > Decimal(77)) {
        g.total += Decimal(2);
        g.stamp = true;
        g.text += std::string(kCrLf) + kMarkStamp + textAmount(Decimal(2));
    }
    if (!rate.isZero()) {
        g.text += std::string(kCrLf) + kMarkWithholding + textAmount(withholding);
        g.text += std::string(kCrLf) + kMarkTotal + textAmount(fee + withholding);
    }
    return g;
}

namespace {

struct PolicyFacts {
    bool found = false;
    uint32_t recno = 0;
    std::string code, number, insured, company, agreement, branch, producer, replacedBy;
    Decimal premium;
    Date coverage, expiry;
    bool cancelled = false, invoice = false;
};

PolicyFacts policyFacts(Table& p, const std::string& number)
{
    PolicyFacts f;
    p.ordAdd("NUMPOL");
    p.setOrder("NUMPOL");
    if (!p.seek(indexKey(rtrim(number), kPolicyWidth))) return f;
    f.found = true;
    f.recno = p.recno();
    f.code = p.raw("CODICE");
    f.number = p.text("POLIZZA");
    f.insured = p.text("ASSICURATO");
    f.company = p.text("COMPAGNIA");
    f.agreement = p.text("RAPPORTO");
    f.branch = p.text("RAMO");
    f.producer = p.text("PRODUTTORE");
    f.replacedBy = p.text("SOSTDA");
    f.premium = p.number("IMPORTO");
    f.coverage = p.date("COPERTURA");
    f.expiry = p.date("SCADENZA");
    f.cancelled = p.logical("DISDETTA");
    f.invoice = p.logical("FATTURA");
    return f;
}

} // namespace

GenerationOutcome GENFATT(Workspace& ws, const std::string& number, const GenerationInput& in, Date today)
{
    GenerationOutcome out;
    auto refuse = [&out](std::string m) {
        out.message = std::move(m);
        return out;
    };
    OwnTable policies(ws, "POLIZZE");
    const PolicyFacts p = policyFacts(*policies, number);
    if (!p.found) return refuse(kMsgUnknownPolicy);
    if (!p.invoice) return refuse(kMsgNoInvoiceFlag);
    if (filled(p.replacedBy)) return refuse(kMsgReplaced);
    if (p.cancelled && p.expiry == p.coverage) return refuse(kMsgCancelled);
    if (!filled(p.insured)) return refuse(kMsgNoInsured);
    const InvoiceCustomer customer = invoiceCustomer(ws, p.insured);
    const GeneratedText g = consultancyText(p.company, p.number, p.premium, in.fee, in.expenses, customer.defaultRate);
    out.copies = customer.vatNumber.empty() ? 2 : 3;

    OwnTable invoices(ws, "FATTBSA");
    OwnTable movements(ws, "MOVICOMP");
    for (Table* t : {&*invoices, &*movements, &*policies})
        if (auto m = driveProblem(*t)) return refuse(*m);
    {
        // A number is left in the year (checked again under the lock when the invoice is written).
        if (!nextInvoiceNumber(*invoices, today)) return refuse(kMsgYearFull);
    }

    std::vector<std::string> written;
    std::string step;
    try {
        // 3. The invoice, numbered and appended under one table lock.
        step = "la registrazione della fattura";
        {
            Table& t = *invoices;
            t.lock(false);
            Unlocker unlock{t};
            std::optional<int> n = nextInvoiceNumber(t, today);
            if (!n) return refuse(kMsgYearFull);
            t.append(true);
            t.setNumber("NUMERO", Decimal(*n));
            t.setDate("DATA", today);
            t.setText("CLIENTE", trim(p.insured));
            t.setMemo("TESTO", g.text);
            t.setText("MODPAG", trim(in.payment));
            t.setNumber("IMPORTO", g.total);
            t.setNumber("ALIQUOTA", Decimal());
            t.setLogical("FONDO", in.iban);
            t.commit();
            out.number = *n;
            out.invoice = t.recno();
        }
        written.push_back("fattura n. " + std::to_string(out.number) + " del " + today.toDisplay());

        // 4. The policy's note.
        step = "l'aggiornamento delle note della polizza";
        {
            Table& t = *policies;
            t.goTo(p.recno);
            t.lock(true);
            Unlocker unlock{t};
            std::string note = t.memo("NOTE");
            if (!note.empty()) note += kCrLf;
            note += "Emessa fattura n. " + std::to_string(out.number) + " del " + today.toDisplay() +
                    " corrispettivo EURO " + amountText(in.fee + in.expenses);
            t.setMemo("NOTE", note);
            t.commit();
        }
        written.push_back("note della polizza");

        // 5. The collection movement, then the policy moved on as by a new collection.
        step = "la registrazione del movimento di incasso";
        {
            Table& t = *movements;
            Unlocker unlock{t};
            t.appendWithCode();
            t.setDate("DATA", today);
            t.setText("POLIZZA", trim(p.number));
            t.setText("COMPAGNIA", trim(p.company));
            t.setText("RAPPORTO", trim(p.agreement));
            t.setText("RAMO", trim(p.branch));
            t.setText("ASSICURATO", trim(p.insured));
            t.setText("PRODUTTORE", trim(p.producer));
            t.setDate("SCADENZA", p.coverage);
            t.setText("TIPO", "Quietanza");
            t.setText("DESCRIZIO", "Incasso");
            t.setNumber("IMPORTO", p.premium + in.fee + in.expenses);
            t.setNumber("PROVVAGEN", in.fee);
            t.setText("CONTO", trim(in.account));
            t.setText("PAGAMENTO", paymentForAccount(trim(in.account), std::string()));
            t.setText("VARIAZBM", motorClass(ws, p.code));
            t.setDate("INCASSO", today);
            t.commit();
            out.movement = t.recno();
        }
        written.push_back("movimento di incasso");

        step = "l'aggiornamento della copertura della polizza";
        PolicyUpdate u;
        u.isNew = true;
        u.number = trim(p.number);
        u.description = "Incasso";
        u.collected = today;
        if (!AGGPOLIZZA(ws, u)) throw std::runtime_error("polizza non aggiornata");
    } catch (const std::exception& e) {
        std::string m = "Creazione della fattura interrotta durante " + step + " (" + e.what() + ").";
        if (written.empty()) m += ";Nulla è stato registrato.";
        else {
            m += ";Già registrati: ";
            for (size_t i = 0; i < written.size(); ++i) m += (i ? ", " : "") + written[i];
            m += ".";
        }
        return refuse(m);
    }
    out.ok = true;
    return out;
}

// ---------------------------------------------------------------- printing

InvoiceData invoiceData(const Table& t)
{
    InvoiceData d;
    d.number = static_cast<int>(t.number("NUMERO").toLongLong());
    d.date = t.date("DATA");
    d.customer = t.text("CLIENTE");
    d.text = t.memo("TESTO");
    d.payment = t.text("MODPAG");
    d.amount = t.number("IMPORTO");
    d.rate = t.number("ALIQUOTA");
    d.footer = t.logical("FONDO");
    return d;
}

namespace {

constexpr int kMargin = 3;        // columns left of column 0 of the invoice
constexpr double kBlockRows = 7;  // the amount block, with the blank line before it
constexpr double kNotesRow = 54;

const PrintFont kArial12{"Arial", 12};
const PrintFont kArial9{"Arial", 9};
const PrintFont kCourier12{"Courier New", 12};

void put(TPRINTER& job, double row, double col, const std::string& text, const PrintFont& font,
         TextAlign align = TextAlign::Left, double width = 0)
{
    job.say(job.lineY(row), job.columnX(kMargin + col), text, font, width ? job.columnX(width) : 0, kBlack,
            std::nullopt, align);
}

// Lines of at most WIDTH characters: every line of the text, broken between words (a word longer
// than the line is cut).
std::vector<std::string> textLines(const std::string& text, size_t width)
{
    std::vector<std::string> out;
    std::string line;
    auto flushParagraph = [&](const std::string& para) {
        std::vector<std::string> chars = utf8Chars(para);
        size_t start = 0;
        while (chars.size() - start > width) {
            size_t cut = start + width;
            size_t blank = cut;
            while (blank > start && chars[blank] != " ") --blank;
            if (blank > start) cut = blank;
            std::string piece;
            for (size_t i = start; i < cut; ++i) piece += chars[i];
            out.push_back(rtrim(piece));
            start = cut;
            while (start < chars.size() && chars[start] == " ") ++start;
        }
        std::string rest;
        for (size_t i = start; i < chars.size(); ++i) rest += chars[i];
        out.push_back(rtrim(rest));
    };
    std::string para;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') continue;
        if (c == '\n') {
            flushParagraph(para);
            para.clear();
        } else
            para += c;
    }
    flushParagraph(para);
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

void issuerBoxes(TPRINTER& job, const AgencyIdentity& a, bool letterhead)
{
    if (letterhead) {
        job.frame(1, kMargin - 1, 6, kMargin + 76);
        put(job, 1.6, 0, a.name, PrintFont("Arial", 15, true), TextAlign::Center, 76);
        put(job, 3.6, 0, a.activity, kArial12, TextAlign::Center, 76);
    }
    job.frame(60, kMargin - 1, 63, kMargin + 76);
    std::string line1 = a.address;
    if (!a.townLine().empty()) line1 += (line1.empty() ? "" : " - ") + a.townLine();
    std::string line2 = a.vatNumber.empty() ? std::string() : "Partita IVA: " + a.vatNumber;
    if (!a.telephone.empty()) line2 += (line2.empty() ? "" : " - ") + ("Tel. " + a.telephone);
    if (!a.fax.empty()) line2 += (line2.empty() ? "" : " - ") + ("Fax: " + a.fax);
    const std::string line3 = a.email.empty() ? std::string() : "E-mail: " + a.email;
    put(job, 60.3, 0, line1, kArial9, TextAlign::Center, 76);
    put(job, 61.2, 0, line2, kArial9, TextAlign::Center, 76);
    put(job, 62.1, 0, line3, kArial9, TextAlign::Center, 76);
}

void amountLine(TPRINTER& job, double row, const std::string& label, const Decimal& value)
{
    put(job, row, 25, label, kArial12);
    put(job, row, 45, "EURO", kArial12);
    put(job, row, 50, ENSTR(value, 11), kCourier12, TextAlign::Right, 11);
}

void onePageSet(TPRINTER& job, const InvoiceData& inv, const InvoiceCustomer& c, const AgencyIdentity& a,
                const IniFile& ini)
{
    job.startPage();
    issuerBoxes(job, a, true);
    job.frame(8, kMargin - 1, 58, kMargin + 76);
    const std::string town = a.town.empty() ? a.placeTown() : a.town;
    put(job, 9, 49, (town.empty() ? "" : town + ", ") + (inv.date ? inv.date.toDisplayLong() : std::string()),
        kArial12, TextAlign::Center, 20);
    double row = 11;
    std::vector<std::string> block{c.title, c.name};
    if (!c.name2.empty()) block.push_back(c.name2);
    block.push_back(c.address);
    std::string townLine = c.postCode;
    if (!c.town.empty()) townLine += (townLine.empty() ? "" : " ") + c.town;
    if (!c.province.empty()) townLine += (townLine.empty() ? "" : " ") + c.province;
    block.push_back(townLine);
    for (const std::string& l : block) {
        if (!l.empty()) put(job, row, 35, l, kArial12);
        row += 1;
    }
    row += 1;
    if (!c.taxCode.empty()) put(job, row++, 0, "C.F. " + c.taxCode, kArial12);
    if (!c.vatNumber.empty()) put(job, row++, 0, "P.I. " + c.vatNumber, kArial12);
    row += 1;
    const std::string year = inv.date ? std::to_string(inv.date.year()) : std::string();
    put(job, row, 2,
        "FATTURA " + (inv.number ? "N. " + std::to_string(inv.number) : std::string("PROFORMA")) + " / " + year,
        PrintFont("Arial", 12, true));
    row += 2;

    // The text; a new framed page when it reaches the end of the frame.
    double limit = 58;
    auto newPage = [&] {
        job.endPage();
        job.startPage();
        issuerBoxes(job, a, false);
        job.frame(1, kMargin - 1, 60, kMargin + 76);
        row = 2;
        limit = 60;
    };
    for (const std::string& line : textLines(inv.text, 67)) {
        if (row >= limit) newPage();
        put(job, row, 2, line, kCourier12);
        row += 1;
    }
    // The amounts and the notes below them: never over the notes, on a page of their own when the
    // text left no room above them.
    if (row + kBlockRows > kNotesRow) newPage();
    row += 1;
    amountLine(job, row++, "IMPORTO", inv.amount);
    const Decimal onRate = hundredth(inv.amount, inv.rate);
    if (inv.rate > Decimal(0)) amountLine(job, row++, "IVA", onRate);
    if (inv.rate < Decimal(0)) amountLine(job, row++, "RITENUTA D'ACCONTO", onRate);
    job.rule(row + 0.3, kMargin + 45, kMargin + 64);
    row += 0.6;
    amountLine(job, row++, "NETTO A PAGARE", inv.amount + onRate);
    job.rule(row + 0.3, kMargin + 45, kMargin + 64);
    row += 0.6;
    put(job, row, 45, "S.E. & O.", kArial12, TextAlign::Center, 19);

    row = kNotesRow;
    const bool commission = inv.text.find(kMarkCommission) != std::string::npos ||
                            inv.text.find(kMarkFee) != std::string::npos;
    const bool advance = inv.text.find(kMarkAdvance) != std::string::npos;
    const std::string one = commission ? "(*) " : "";
    if (inv.rate <= Decimal(0)) {
        put(job, row++, 0, "Imposta di bollo compresa in imposta di assicurazione Legge 1216 art. 16 del 29/10/1961",
            kArial9);
        put(job, row++, 0, one + "IVA esente ex art. 10 DPR 633 del 26/10/1972 e successive modifiche", kArial9);
        if (advance)
            put(job, row++, 0, "(**) IVA esclusa ex art. 15 DPR 633 del 26/10/1972 e successive modifiche", kArial9);
    }
    if (inv.footer) {
        put(job, row++, 0, ini.get("Emissione fatture", "Fondo1"), kArial9);
        put(job, row++, 0, ini.get("Emissione fatture", advance ? "Fondo3" : "Fondo2"), kArial9);
    }
    job.endPage();
}

} // namespace

PrintDocument printInvoice(const InvoiceData& inv, const InvoiceCustomer& customer, const AgencyIdentity& agency,
                           const std::string& folder, int copies, bool preview)
{
    const IniFile ini(iniPathOf(folder));
    TPRINTER job("Stampa fattura", preview);
    job.setMargin(kMargin);
    for (int i = 0; i < std::max(copies, 1); ++i) onePageSet(job, inv, customer, agency, ini);
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

PrintDocument printStoredInvoice(Workspace& ws, uint32_t recno, int copies, bool preview)
{
    InvoiceData inv;
    {
        OwnTable t(ws, "FATTBSA", true);
        t->goTo(recno);
        if (t->eof()) return {};
        inv = invoiceData(*t);
    }
    const InvoiceCustomer customer = invoiceCustomer(ws, inv.customer);
    AgencyIdentity agency;
    agency.load(IniFile(iniPathOf(ws.folder())));
    return printInvoice(inv, customer, agency, ws.folder(), copies, preview);
}

PrintDocument printInvoiceSummary(Table& t, bool preview)
{
    // One pass over the view reads every text once: the rows, then their grand total.
    struct Row {
        Decimal number;
        Date date;
        std::string customer;
        Decimal amount;
        bool consultancy = false;
    };
    std::vector<Row> rows;
    Decimal all;
    {
        KeepPosition back{t};
        for (t.goTop(); !t.eof(); t.skip(1)) {
            const Decimal number = t.number("NUMERO");
            if (number.isZero()) continue;
            const std::string text = t.memo("TESTO");
            rows.push_back(Row{number, t.date("DATA"), t.text("CLIENTE"), invoiceAmount(text, t.number("IMPORTO")),
                               isConsultancy(text)});
            all += rows.back().amount;
        }
    }
    ReportDescription d;
    d.title = "Riepilogo fatture";
    d.headings = {"RIEPILOGO FATTURE"};
    d.font = PrintFont("Arial", 10);
    d.headingFont = PrintFont("Arial", 10, true);
    size_t at = 0;
    auto amountOf = [&rows, &at](bool consultancy) {
        return [&rows, &at, consultancy]() -> ReportValue {
            return rows[at].consultancy == consultancy ? rows[at].amount : Decimal();
        };
    };
    d.columns = {
        {"NUMERO", [&] { return ReportValue(rows[at].number); }, "99999", 9},
        {"DATA", [&] { return ReportValue(rows[at].date); }, "", 10},
        {"CLIENTE", [&] { return ReportValue(rows[at].customer); }, "", 35},
        // A character wider than the mask: the bold headings need it.
        {"PROVVIGIONI", amountOf(false), "@EZ 9,999,999.99", 13, true},
        {"CONSULENZA", amountOf(true), "@EZ 9,999,999.99", 13, true},
    };
    d.totalLabel = "TOTALE";
    d.closingFigures = {{"TOTALE GENERALE:", amountText(all)}};
    return runReport(d, indexRows(rows.size(), at), preview);
}

bool writeInvoiceSpreadsheet(Table& t, const std::string& path)
{
    KeepPosition back{t};
    SheetWriter w(path, {{"NUMERO", SheetCell::Number, "0"},
                         {"DATA", SheetCell::Date},
                         {"CLIENTE"},
                         {"PROVVIGIONI", SheetCell::Number, "#,##0.00"},
                         {"CONSULENZA", SheetCell::Number, "#,##0.00"}},
                  true);
    if (!w.ok()) return false;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        const std::string text = t.memo("TESTO");
        const Decimal amount = invoiceAmount(text, t.number("IMPORTO"));
        const bool consultancy = isConsultancy(text);
        CellValue number = t.number("NUMERO").isZero() ? CellValue(std::string("PROFORMA")) : CellValue(t.number("NUMERO"));
        CellValue none;
        const Date d = t.date("DATA");
        w.add({number, d ? CellValue(d) : none, t.text("CLIENTE"), consultancy ? none : CellValue(amount),
               consultancy ? CellValue(amount) : none});
    }
    return w.close();
}

// ---------------------------------------------------------------- search

std::vector<SearchField> invoiceSearch()
{
    std::vector<SearchField> s;
    SearchField number = customSearch(101, "Numero", FieldKind::Number, [](const std::vector<std::string>& typed) {
        const std::optional<Decimal> n = Decimal::parse(trim(typed[0]));
        if (!n || trim(typed[0]).empty()) return RecordPredicate{};
        return RecordPredicate([n = *n](const Table& r) { return r.number("NUMERO") == n; });
    });
    number.mask = "99999";
    s.push_back(number);
    s.push_back(searchField(102, "Data dal", "DATA", Match::From, FieldKind::Date));
    s.push_back(searchField(103, "al", "DATA", Match::To, FieldKind::Date));
    s.push_back(customSearch(104, "Cliente", FieldKind::Text, [](const std::vector<std::string>& typed) -> RecordPredicate {
        const std::string v = upper(typed[3]);
        if (v.empty()) return {};
        return [v](const Table& r) { return upper(r.text("CLIENTE")).rfind(v, 0) == 0; };
    }));
    s.push_back(customSearch(105, "Testo", FieldKind::Text, [](const std::vector<std::string>& typed) -> RecordPredicate {
        const std::string v = upper(typed[4]);
        if (v.empty()) return {};
        return [v](const Table& r) { return upper(r.memo("TESTO")).find(v) != std::string::npos; };
    }));
    return s;
}

} // namespace arv::accounting
