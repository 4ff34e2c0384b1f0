#include "policies/notices.h"

#include <algorithm>

#include "common/cp1252.h"
#include "common/instalments.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/text.h"
#include "policies/lists.h"
#include "policies/policyregister.h"
#include "records/criteria.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr const char* kAmountMask = "@E 99,999.99";
constexpr const char* kDefaultHeading = "Con la presente Le ricordiamo che sono in scadenza le seguenti polizze:";
constexpr const char* kDefaultRecalc =
    "Stiamo effettuando il ricalcolo della Sua polizza, pertanto La preghiamo di contattarci 10 gg. prima della "
    "scadenza per conoscerne l'importo.";
constexpr const char* kDefaultPayment = "Il pagamento potrà essere da Lei effettuato con le consuete modalità.";
constexpr const char* kAtClient = "PRESSO CLIENTE";

std::string upper(std::string_view s) { return utf8ToCp1252(Mask::upper(trim(s))); }

bool within(Date d, Date from, Date to)
{
    if (from && !(d && d >= from)) return false;
    if (to && !(d && d <= to)) return false;
    return true;
}

std::string amountText(const Decimal& d) { return trim(Mask(kAmountMask).formatNumber(d)); }

// "Ai sensi del Decreto Legislativo ...": the contact is the agency's.
std::string confidentiality(const AgencyIdentity& agency) { return agency.confidentialityNotice(); }

std::string townLine(const ClientData& c)
{
    std::string s = trim(c.postCode);
    if (filled(c.town)) s += (s.empty() ? "" : " ") + trim(c.town);
    if (filled(c.province)) s += (s.empty() ? "" : " ") + ("(" + trim(c.province) + ")");
    return s;
}

bool everyPremium(const std::vector<const NoticePolicy*>& policies)
{
    return std::all_of(policies.begin(), policies.end(), [](const NoticePolicy* p) { return !p->premium.isZero(); });
}

// The lookup aliases the plate is read through (POLIZZE_, DATIAUTO_), open while printing.
struct Lookups {
    std::function<void()> close;
    explicit Lookups(Workspace& ws) : close(openPolicyLookups(ws)) {}
    ~Lookups() { close(); }
};

} // namespace

std::string noticeCriteriaProblem(const NoticeCriteria& c, int* field)
{
    auto refuse = [field](int f, const char* m) {
        if (field) *field = f;
        return std::string(m);
    };
    if (filled(c.number)) {
        if (filled(c.insuredFrom) || filled(c.insuredTo) || filled(c.agreement) || filled(c.producer) ||
            filled(c.branch) || c.from || c.to || filled(c.excluded))
            return refuse(1, "Con il numero di polizza gli altri criteri devono essere vuoti.");
        return {};
    }
    if (!c.from || !c.to) return refuse(2, "Indicare il periodo.");
    return {};
}

Date noticeDueDate(Date coverage, const std::string& fraction, bool arrears)
{
    return arrears && coverage ? SOMMAFRAZ(coverage, fraction) : coverage;
}

bool passesChoice(Date expiry, const NoticeCriteria& c)
{
    if (c.choice == NoticeChoice::All || (!c.from && !c.to)) return true;
    if (!expiry) return false;
    const bool inside = within(expiry, c.from, c.to);
    return c.choice == NoticeChoice::Annual ? inside : !inside;
}

RecordPredicate noticeCondition(const NoticeCriteria& c)
{
    if (filled(c.number)) {
        const std::string number = upper(c.number);
        return [number](const Table& t) { return upper(t.text("POLIZZA")) == number; };
    }
    const std::string from = upper(c.insuredFrom), to = upper(c.insuredTo);
    const std::string agreement = upper(c.agreement), producer = upper(c.producer), branch = upper(c.branch);
    const std::string excluded = upper(c.excluded);
    auto begins = [](const std::string& field, const std::string& value) {
        return value.empty() || field.compare(0, value.size(), value) == 0;
    };
    return [=](const Table& t) {
        if (!t.logical("AVVISO") || filled(t.text("SOSTDA")) || t.logical("DISDETTA")) return false;
        const Date due = noticeDueDate(t.date("COPERTURA"), t.text("FRAZIONAM"), c.arrears);
        if (!within(due, c.from, c.to)) return false;
        const std::string insured = upper(t.text("ASSICURATO"));
        if (!from.empty() && insured < from) return false;
        if (!to.empty() && insured.substr(0, to.size()) > to) return false;
        const std::string policyAgreement = upper(t.text("RAPPORTO"));
        if (!begins(policyAgreement, agreement) || (!excluded.empty() && policyAgreement == excluded)) return false;
        return begins(upper(t.text("PRODUTTORE")), producer) && begins(upper(t.text("RAMO")), branch);
    };
}

std::vector<NoticeGroup> selectNotices(Workspace& ws, const NoticeCriteria& c)
{
    OwnTable p(ws, "POLIZZE", true);
    viewByInsuredAndCoverage(*p, noticeCondition(c));
    std::vector<NoticeGroup> groups;
    std::string last;
    for (p->goTop(); !p->eof(); p->skip(1)) {
        const std::string insured = p->text("ASSICURATO");
        const std::string key = Mask::upper(insured);
        if (groups.empty() || key != last) {
            groups.push_back({insured, {}});
            last = key;
        }
        NoticePolicy n;
        n.number = p->text("POLIZZA");
        n.company = p->text("COMPAGNIA");
        n.branch = p->text("RAMO");
        n.payment = p->text("PAGAMENTO");
        n.fraction = p->text("FRAZIONAM");
        n.coverage = p->date("COPERTURA");
        n.expiry = p->date("SCADENZA");
        n.premium = p->number("IMPORTO");
        n.fee = p->number("COMMISS");
        n.expenses = p->number("SPESE");
        n.phone = p->logical("TELEFONICA");
        n.chosen = passesChoice(n.expiry, c);
        groups.back().policies.push_back(std::move(n));
    }
    return groups;
}

Decimal noticeAmount(const NoticePolicy& p, bool first, const Decimal& postal)
{
    Decimal amount = p.premium;
    if (p.phone) amount = amount + p.fee + p.expenses;
    if (first) amount = amount + postal;
    return amount;
}

NoticeTexts NoticeTexts::load(const IniFile& ini)
{
    NoticeTexts t;
    // A key left empty reads as its default.
    auto text = [&ini](const char* key, const char* def) {
        const std::string v = trim(ini.get(kNoticesSection, key));
        return v.empty() ? std::string(def) : v;
    };
    t.heading = text("Intestazione", kDefaultHeading);
    t.recalc = text("Ricalcolo", kDefaultRecalc);
    t.payment = text("Pagamento", kDefaultPayment);
    t.info = trim(ini.get(kNoticesSection, "Info"));
    return t;
}

Decimal postalExpenses(const IniFile& ini)
{
    const std::optional<Decimal> d = Decimal::parse(trim(ini.get(kPostalSection, "Importo")));
    return d ? *d : Decimal();
}

void savePostalExpenses(IniFile& ini, const Decimal& amount) { ini.setDecimal(kPostalSection, "Importo", amount); }

// ---------------------------------------------------------------- letters

namespace {

const PrintFont kLetterFont("Arial", 11);

// TEXT wrapped and justified over the 70 columns of the letter, one line each from the next line.
void paragraph(TPRINTER& job, std::string text, const PrintFont& font)
{
    std::replace(text.begin(), text.end(), ';', '\n');
    for (const std::string& line : AMEMOLINE(text, 70, job, font))
        PRINTTXT(job, {line}, TxtOptions().justified(70).withFont(font));
}

// TEXT on line ROW at COLUMN (0: the margin).
void put(TPRINTER& job, double row, int column, const std::string& text, TxtOptions o)
{
    if (column == 0) {
        job.setRow(row - job.lineFeed());
        o.col.reset();
    } else {
        job.setRow(row);
        o.col = column;
    }
    PRINTTXT(job, {text}, o);
}

void letterhead(TPRINTER& job, const AgencyIdentity& agency)
{
    job.frame(2, 5, 8, 75);
    const PrintFont title("Arial", 15, true, true), second("Arial", 12, false, true);
    std::string line = agency.activity;
    if (line.empty()) line = trim(agency.address + " - " + agency.townLine());
    job.setRow(2.5);
    PRINTTXT(job, {agency.name}, TxtOptions().centred(70).withFont(title));
    job.setRow(4.5);
    PRINTTXT(job, {line}, TxtOptions().centred(70).withFont(second));
}

void contactBox(TPRINTER& job, const AgencyIdentity& agency)
{
    job.frame(57, 5, 60, 75);
    const PrintFont small("Arial", 9);
    std::vector<std::string> middle;
    std::string first = trim(agency.address);
    if (!agency.townLine().empty()) first += (first.empty() ? "" : " - ") + agency.townLine();
    middle.push_back(first);
    std::string second;
    auto add = [&second](const std::string& label, const std::string& value) {
        if (value.empty()) return;
        second += (second.empty() ? "" : " - ") + label + value;
    };
    add("P.IVA ", agency.vatNumber);
    add("Tel. ", agency.telephone);
    add("Fax ", agency.fax);
    middle.push_back(second);
    middle.push_back(agency.email.empty() ? std::string() : "E-mail: " + agency.email);
    // Three lines of 9 points inside the three lines of the box.
    const double top = 57.15, step = 0.9;
    if (!agency.mobile.empty()) put(job, top, 1, "Cell. " + agency.mobile, TxtOptions().withFont(small));
    for (size_t i = 0; i < middle.size(); ++i) {
        job.setRow(top + step * static_cast<double>(i) - 1);
        PRINTTXT(job, {middle[i]}, TxtOptions().centred(70).withFont(small));
    }
}

void noticeLetter(TPRINTER& job, Workspace& ws, const ClientData& client, const std::vector<const NoticePolicy*>& listed,
                  const NoticeTexts& texts, const AgencyIdentity& agency, const Decimal& postal, Date today)
{
    const PrintFont body("Arial", 12), small("Arial", 10), heading("Arial", 10, true);
    job.startPage();
    job.setFont(kLetterFont);
    letterhead(job, agency);
    const std::vector<std::string> address = {trim(client.title), trim(client.name), trim(client.address),
                                              townLine(client)};
    for (size_t i = 0; i < address.size(); ++i)
        put(job, 11 + static_cast<double>(i), 40, address[i], TxtOptions().withFont(body));
    put(job, 17, 0, "OGGETTO: AVVISO DI SCADENZA POLIZZE ASSICURATIVE",
        TxtOptions().withFont(PrintFont("Arial", 11, false, false, true)));
    PRINTTXT(job, {""});
    paragraph(job, texts.heading, kLetterFont);
    PRINTTXT(job, {""});

    const bool amounts = everyPremium(listed);
    PRINTTXT(job, {"POLIZZA N."}, TxtOptions().withFont(heading));
    for (auto [column, text] : {std::pair{12, "COMPAGNIA"}, {29, "RAMO"}, {44, "TARGA"}, {56, "SCAD."}})
        PRINTTXT(job, {text}, TxtOptions::at(column).withFont(heading));
    if (amounts)
        job.say(job.lineY(job.row()), job.columnX(job.margin() + 63.5), "IMPORTO", heading);
    job.rule(job.row() + 1, 5, 75);
    PRINTTXT(job, {""}, TxtOptions());
    int lines = 0;
    for (const NoticePolicy* p : listed) {
        PRINTTXT(job, {p->number}, TxtOptions().withFont(small));
        PRINTTXT(job, {p->company}, TxtOptions::at(12).clipped(15).withFont(small));
        PRINTTXT(job, {p->branch}, TxtOptions::at(29).clipped(14).withFont(small));
        PRINTTXT(job, {TARGAUTO(ws, p->number)}, TxtOptions::at(44).clipped(11).withFont(small));
        PRINTTXT(job, {p->coverage ? p->coverage.toDisplay() : std::string()}, TxtOptions::at(56).withFont(small));
        // The amount ends at column 68 and is never cut: a wider figure grows to the left.
        if (amounts)
            PRINTTXT(job, {amountText(noticeAmount(*p, lines == 0, postal))},
                     TxtOptions::at(60).alignRight(8).withFont(small));
        ++lines;
    }
    for (; lines < 5; ++lines) PRINTTXT(job, {""});
    for (int i = 0; i < 3; ++i) PRINTTXT(job, {""});
    if (!amounts) {
        paragraph(job, texts.recalc, PrintFont("Arial", 11, true, false, true));
        PRINTTXT(job, {""});
    }
    paragraph(job, texts.payment, kLetterFont);
    PRINTTXT(job, {""});
    PRINTTXT(job, {"Cordiali saluti."}, TxtOptions().withFont(kLetterFont));
    PRINTTXT(job, {""});
    PRINTTXT(job, {agency.placeAndDate(today)}, TxtOptions().withFont(kLetterFont));
    PRINTTXT(job, {"L'Agenzia"}, TxtOptions::at(50).withFont(kLetterFont));

    job.setRow(49);
    paragraph(job, confidentiality(agency), small);
    if (filled(texts.info)) paragraph(job, texts.info, small);
    contactBox(job, agency);
    job.endPage();
}

} // namespace

NoticeLetters printNoticeLetters(Workspace& ws, const std::vector<NoticeGroup>& groups, const NoticeTexts& texts,
                                 const AgencyIdentity& agency, const Decimal& postal, Date today, bool preview)
{
    NoticeLetters out;
    Lookups lookups(ws);
    TPRINTER job("Avvisi", preview);
    for (const NoticeGroup& g : groups) {
        if (job.cancelled()) break;
        const ClientData client = ADATIASSI(ws, g.insured);
        if (filled(client.email) && !client.byPost) {
            ++out.skipped;
            continue;
        }
        std::vector<const NoticePolicy*> listed;
        for (const NoticePolicy& p : g.policies)
            if (p.chosen && upper(p.payment) != kAtClient) listed.push_back(&p);
        if (listed.empty()) continue;
        noticeLetter(job, ws, client, listed, texts, agency, postal, today);
        ++out.letters;
    }
    out.doc = job.document();
    if (out.letters) job.end();
    return out;
}

// ---------------------------------------------------------------- e-mails

std::optional<NoticeMail> noticeMail(Workspace& ws, const ClientData& client, const NoticeGroup& group,
                                     const NoticeTexts& texts, const AgencyIdentity& agency, const Decimal& postal)
{
    if (!filled(client.email) || client.byPost) return std::nullopt;
    if (std::none_of(group.policies.begin(), group.policies.end(), [](const NoticePolicy& p) { return p.chosen; }))
        return std::nullopt;
    std::vector<const NoticePolicy*> all;
    for (const NoticePolicy& p : group.policies) all.push_back(&p);
    const bool amounts = everyPremium(all);
    const std::string crlf = "\r\n";
    std::string b = (filled(client.title) ? trim(client.title) : std::string("Egr. Sig.")) + " " + trim(client.name) + "," + crlf;
    b += crlf + "con la presente Le ricordiamo che sono in scadenza le seguenti polizze:" + crlf + crlf + crlf;
    for (size_t i = 0; i < all.size(); ++i) {
        const NoticePolicy& p = *all[i];
        b += "POLIZZA N.: " + p.number + crlf;
        b += "COMPAGNIA: " + p.company + crlf;
        b += "RAMO: " + p.branch + crlf;
        b += "TARGA: " + TARGAUTO(ws, p.number) + crlf;
        b += "SCADENZA: " + (p.coverage ? p.coverage.toDisplay() : std::string()) + crlf;
        if (amounts) b += "IMPORTO: " + amountText(noticeAmount(p, i == 0, postal)) + crlf;
        b += crlf + crlf;
    }
    b += texts.payment + crlf + crlf + "Cordiali saluti." + crlf + crlf;
    for (const std::string& line : agency.signatureBlock()) b += line + crlf;
    b += crlf + confidentiality(agency) + crlf;
    return NoticeMail{trim(client.name), trim(client.email), kNoticeSubject, b};
}

NoticeSending sendNotices(Workspace& ws, const std::vector<NoticeGroup>& groups, const NoticeTexts& texts,
                          const AgencyIdentity& agency, const Decimal& postal, const MailMessage& base,
                          const std::string& copy, const std::function<bool(const MailMessage&)>& send)
{
    NoticeSending out;
    Lookups lookups(ws);
    for (const NoticeGroup& g : groups) {
        const std::optional<NoticeMail> mail = noticeMail(ws, ADATIASSI(ws, g.insured), g, texts, agency, postal);
        if (!mail) continue;
        MailMessage m = base;
        m.to = mail->address;
        if (filled(copy)) m.to += ";" + trim(copy);
        m.subject = mail->subject;
        m.body = mail->body;
        m.html = false;
        if (!send(m)) {
            out.failure = "Impossibile inviare l'avviso a " + mail->insured + " (" + mail->address + ").";
            break;
        }
        out.sent.push_back(*mail);
    }
    return out;
}

std::string sentMessage(size_t count)
{
    if (count == 0) return "Nessun avviso inviato.";
    return std::to_string(count) + " avvisi inviati con successo.";
}

PrintDocument printSentNotices(const std::vector<NoticeMail>& sent, bool preview)
{
    return printSentMails(sent, "Report avvisi inviati via email", "REPORT AVVISI INVIATI VIA EMAIL", preview);
}

PrintDocument printSentMails(const std::vector<NoticeMail>& sent, const std::string& docName, const std::string& header,
                             bool preview)
{
    const PrintFont font("Arial", 12);
    TPRINTER job(docName, preview);
    job.setFont(font);
    for (const NoticeMail& m : sent) {
        if (job.cancelled()) break;
        job.startPage();
        SAYHEADER(header, job, font);
        for (int i = 0; i < 3; ++i) PRINTTXT(job, {""});
        PRINTTXT(job, {"DESTINATARIO: " + m.insured});
        PRINTTXT(job, {"EMAIL: " + m.address});
        PRINTTXT(job, {"OGGETTO: " + m.subject});
        PRINTTXT(job, {""});
        PRINTTXT(job, {"MESSAGGIO:"});
        std::string text = m.body;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        for (const std::string& line : AMEMOLINE(text, 0, job, font)) {
            PRINTTXT(job, {line}, TxtOptions().justified());
            breakListPage(job, header, font);
        }
        job.endPage();
    }
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- the whole run

NoticeRun runNotices(Workspace& ws, const NoticeCriteria& c, const NoticeOutput& o)
{
    NoticeRun run;
    const std::vector<NoticeGroup> groups = selectNotices(ws, c);
    if (groups.empty()) {
        run.messages.push_back(std::string("Nessun avviso da ") + (o.viaEmail ? "inviare" : "stampare") +
                               " nel periodo specificato.");
        return run;
    }
    if (!o.viaEmail) {
        NoticeLetters l = printNoticeLetters(ws, groups, o.texts, o.agency, o.postal, o.today, o.preview);
        run.letters = std::move(l.doc);
        if (l.letters == 0) run.messages.push_back("Nessun avviso da stampare nel periodo specificato.");
        if (l.skipped) run.messages.push_back("Non stampati " + std::to_string(l.skipped) + kMsgNoticesSkipped);
        return run;
    }
    const std::function<bool(const MailMessage&)> send =
        o.send ? o.send : [](const MailMessage& m) { return SENDMAIL(m); };
    NoticeSending s = sendNotices(ws, groups, o.texts, o.agency, o.postal, o.mail.message(), o.mail.copy, send);
    if (!s.failure.empty()) run.messages.push_back(s.failure);
    run.sent = s.sent.size();
    run.messages.push_back(sentMessage(run.sent));
    if (!s.sent.empty()) run.report = printSentNotices(s.sent, false);
    return run;
}

} // namespace arv::policies
