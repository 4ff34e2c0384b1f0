#include "claims/numbering.h"

#include "common/files.h"
#include "common/mask.h"
#include "common/numbershape.h"
#include "common/report.h"
#include "common/text.h"
#include "records/criteria.h"
#include "records/lookups.h"
#include "records/numberblock.h"
#include "records/reportrows.h"
#include "store/files.h"
#include "store/keys.h"

namespace arv::claims {

using namespace store;
using namespace records;

namespace {

constexpr size_t kCompanyWidth = 35;

bool isFree(const Table& t) { return !filled(t.text("POLIZZA")) && !t.logical("ANNULLATO"); }

std::vector<std::string> companiesWithEmpty()
{
    std::vector<std::string> l = ACOMPAGNIE(workspace());
    if (l.empty() || !l.front().empty()) l.insert(l.begin(), std::string());
    return l;
}

} // namespace

std::vector<EditField> seriesFields()
{
    EditField company = choiceField(101, "Compagnia:", "COMPAGNIA", companiesWithEmpty);
    company.rule = requiredRule;
    EditField number = textField(102, "Sinistro n.:", "NUMERO");
    number.rule = requiredRule;
    return {company, number, textField(103, "Polizza n.:", "POLIZZA"), dateField(104, "Data sinistro:", "DATA"),
            logicalField(105, "Annullato:", "ANNULLATO")};
}

std::string nextFreeNumber(Workspace& ws, const std::string& company)
{
    if (!filled(company) || !fileExists(ws.folder(), "NUMESINI.DBF")) return {};
    OwnTable s(ws, "NUMESINI", true);
    s->ordAdd("NUMESINI");
    const std::string key = indexKey(rtrim(company), kCompanyWidth);
    s->setScope(key, key);
    for (s->goTop(); !s->eof(); s->skip(1))
        if (isFree(*s)) return s->text("NUMERO");
    return {};
}

std::string proposeNumber(Workspace& ws, const std::string& company,
                          const std::function<bool(const std::string&)>& ask)
{
    const std::string n = nextFreeNumber(ws, company);
    if (n.empty()) return {};
    if (ask && !ask(kMsgAutomaticNumber)) return {};
    return n;
}

Booking bookNumber(Workspace& ws, const std::string& company, const std::string& number, const std::string& policy,
                   Date date)
{
    Booking out;
    if (!filled(number) || !fileExists(ws.folder(), "NUMESINI.DBF")) return out;
    try {
        OwnTable s(ws, "NUMESINI");
        s->ordAdd("NUMESINI");
        s->ordAdd("NUMSIN");
        // The company's own number first: "Genera" lets two companies hold the same number.
        if (!s->seek(indexKey(rtrim(company), kCompanyWidth) + indexKey(rtrim(number), kClaimNumberWidth))) {
            s->setOrder("NUMSIN");
            if (s->seek(indexKey(rtrim(number), kClaimNumberWidth))) {
                out.ok = false;
                out.message = "La Compagnia nella numerazione sinistri è: " + s->text("COMPAGNIA") + ".";
            }
            return out;
        }
        Unlocker unlocker{*s};
        s->lock(true);
        s->setText("POLIZZA", rtrim(policy));
        s->setDate("DATA", date);
        s->commit();
        s->unlock();
    } catch (const std::exception& e) {
        out.ok = false;
        out.message = std::string("Impossibile registrare il numero del sinistro: ") + e.what();
    }
    return out;
}

std::string rangeProblem(const std::string& from, const std::string& to)
{
    std::string message;
    if (!numberRange(from, to, kClaimNumberWidth, kMaxGenerated, &message)) return message;
    return {};
}

Generation generateNumbers(Workspace& ws, const std::string& company, const std::string& from, const std::string& to)
{
    Generation g;
    const std::optional<NumberRange> range = numberRange(from, to, kClaimNumberWidth, kMaxGenerated, &g.message);
    if (!range) return g;
    if (!filled(company)) {
        g.message = "Indicare la compagnia.";
        return g;
    }
    if (DiskCheck p = ISPROTECTED(ws.folder()); p.value) return g.message = p.message, g;
    if (DiskCheck f = ISFULL(ws.folder(), 8192); f.value) return g.message = f.message, g;
    OwnTable s(ws, "NUMESINI");
    s->ordAdd("NUMESINI");
    Unlocker unlocker{*s};
    s->lock(false);
    const std::optional<size_t> written = appendNumberBlock(
        *s, rtrim(company), kCompanyWidth, *range, kClaimNumberWidth, [&](Table& r, const std::string& number) {
            r.setText("COMPAGNIA", rtrim(company));
            r.setText("NUMERO", number);
        });
    s->unlock();
    if (written) g.written = *written;
    else g.message = kMsgNumbersExist;
    return g;
}

std::vector<SearchField> seriesSearch()
{
    using Typed = std::vector<std::string>;
    SearchField company = searchField(101, "Compagnia", "COMPAGNIA", Match::Equal, FieldKind::Choice);
    company.list = companiesWithEmpty;
    // Bounds on the number's text, in capitals.
    auto bound = [](size_t self, bool lower) {
        return [self, lower](const Typed& t) -> RecordPredicate {
            const std::string v = Mask::upper(trim(t[self]));
            if (v.empty()) return {};
            return [v, lower](const Table& r) {
                const std::string n = Mask::upper(r.text("NUMERO"));
                return lower ? n >= v : n <= v;
            };
        };
    };
    SearchField from = customSearch(102, "Sinistro n. dal", FieldKind::Text, bound(1, true));
    SearchField to = customSearch(103, "al", FieldKind::Text, bound(2, false));
    from.mask = to.mask = "@!";
    SearchField annulled = searchField(107, "Annullato:", "ANNULLATO", Match::Flag, FieldKind::TriState);
    return {company,
            from,
            to,
            searchField(104, "Polizza n.", "POLIZZA", Match::Prefix),
            searchField(105, "Data sinistro dal", "DATA", Match::From, FieldKind::Date),
            searchField(106, "al", "DATA", Match::To, FieldKind::Date),
            annulled};
}

PrintDocument printSeries(Table& t, const AgencyIdentity& agency, bool preview)
{
    ReportDescription d;
    d.title = "Stampa numerazione sinistri";
    d.headings = {"STAMPA NUMERAZIONE SINISTRI", "", agency.name, ""};
    const PrintFont body("Arial", 10);
    d.headingFonts = {PrintFont("Arial", 15, true, false, true), body, body, body};
    d.font = body;
    d.rowSeparators = true;
    auto text = [&t](const char* heading, FieldName field, int width) {
        return ReportColumn{heading, [&t, field] { return ReportValue(t.text(field)); }, "", width};
    };
    d.columns = {text("COMPAGNIA", "COMPAGNIA", 25), text("NUMERO", "NUMERO", 18), text("POLIZZA", "POLIZZA", 16),
                 ReportColumn{"DATA", [&t] { return ReportValue(t.date("DATA")); }, "", 8},
                 ReportColumn{"", [&t] { return ReportValue(std::string(t.logical("ANNULLATO") ? "ANNULLATO" : "")); },
                              "", 10}};
    const uint32_t here = t.eof() ? 0 : t.recno();
    PrintDocument doc = runReport(d, tableRows(t), preview);
    if (here) t.goTo(here);
    return doc;
}

} // namespace arv::claims
