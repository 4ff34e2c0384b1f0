#include "accounting/coverage.h"

#include <cmath>

#include "common/numfmt.h"
#include "common/sheet.h"
#include "common/text.h"

namespace arv::accounting {

namespace {

constexpr int kMargin = 3;      // the letters' margin, in columns
constexpr double kLastLine = 52; // the lines of a page stop here

std::string amountText(const Decimal& d) { return trim(ENSTR(d.round(2))); }
std::string dateText(Date d) { return d ? d.toDisplay() : std::string(); }

// The lines a line of 10-point text takes: the grid's lines are shorter on a landscape page.
double lineStep(const TPRINTER& job) { return job.geometry().landscape() ? 1.4 : 1.0; }

class LetterPrinter {
public:
    LetterPrinter(TPRINTER& job, const CoverageLetter& letter, const AgencyIdentity& issuer)
        : job_(job), s_(job), letter_(letter), issuer_(issuer)
    {
    }

    void print()
    {
        job_.setMargin(kMargin);
        job_.startPage();
        letterFrame(job_, issuer_);
        addressee();
        s_.put(15.5, at(0), kCoverageTitle, PrintFont("Arial", 11, true, false, true));
        s_.put(17.5, at(0),
               "Si prega di mettere a cassa in data " + dateText(letter_.date) +
                   " le polizze/quietanze di seguito evidenziate:",
               body_);
        row_ = 20;
        headings();
        Decimal amounts, commissions;
        for (const CoverageLine& l : letter_.lines) {
            const std::vector<std::string> number = utf8Pieces(trim(l.policy), 10);
            if (row_ + static_cast<double>(number.size()) - 1 >= kLastLine) nextPage();
            line(l, number);
            amounts += l.amount;
            commissions += l.commission;
        }
        if (row_ > kLastLine - 3) nextPage();
        job_.rule(row_ + 0.2, at(0), at(74));
        row_ += 0.5;
        s_.put(row_, at(0), "TOTALE", bold_);
        s_.put(row_, at(60), amountText(amounts), bold_, TextAlign::Right, 8);
        s_.put(row_, at(66), amountText(commissions), bold_, TextAlign::Right, 8);
        row_ += 2;
        s_.put(row_, at(0), "Distinti saluti.", body_);
        job_.rule(row_ + 3, at(45), at(61));
        job_.endPage();
    }

private:
    static double at(double column) { return kMargin + column; }

    void addressee()
    {
        const records::AgreementData& a = letter_.agreement;
        const double step = lineStep(job_);
        double row = 7.5;
        auto add = [&](const std::string& text) {
            if (!filled(text)) return;
            s_.put(row, at(45), trim(text), body_);
            row += step;
        };
        add("Spett.le");
        add(a.companyLine1);
        add(a.companyLine2);
        add(a.address);
        add(joinFilled({a.postCode, a.town, a.province}));
        if (filled(a.fax)) add("Fax: " + trim(a.fax));
    }

    void headings()
    {
        const PrintFont head("Arial", 9, true);
        s_.put(row_, at(0), "POLIZZA N.", head);
        s_.put(row_, at(11), "SCAD.", head);
        s_.put(row_, at(16), "COMPAGNIA", head);
        s_.put(row_, at(29), "RAMO", head);
        s_.put(row_, at(38), "CONTRAENTE", head);
        if (letter_.accountColumn) s_.put(row_, at(54), "CONTO", head);
        s_.put(row_, at(60), "IMPORTO", head, TextAlign::Right, 8);
        s_.put(row_, at(66), "PROVVIG.", head, TextAlign::Right, 8);
        job_.rule(row_ + 1.1, at(0), at(74));
        row_ += 1.5;
    }

    void line(const CoverageLine& l, const std::vector<std::string>& number)
    {
        const PrintFont f("Arial", 9);
        auto clip = [](const std::string& text, size_t n) { return utf8Left(trim(text), n); };
        s_.put(row_, at(11), dateText(l.due), f);
        s_.put(row_, at(16), clip(l.company, 15), f);
        s_.put(row_, at(29), clip(l.branch, 8), f);
        s_.put(row_, at(38), clip(l.insured, letter_.accountColumn ? 14 : 20), f);
        if (letter_.accountColumn) s_.put(row_, at(54), clip(l.account, 14), f);
        s_.put(row_, at(60), amountText(l.amount), f, TextAlign::Right, 8);
        s_.put(row_, at(66), amountText(l.commission), f, TextAlign::Right, 8);
        for (const std::string& piece : number) s_.put(row_++, at(0), piece, f);
    }

    void nextPage()
    {
        job_.endPage();
        job_.startPage();
        letterFrame(job_, issuer_);
        s_.put(7, at(74), "PAG.  " + std::to_string(job_.page()), body_, TextAlign::Right);
        s_.put(8.5, at(0), kCoverageTitle, PrintFont("Arial", 11, true, false, true), TextAlign::Center, 74);
        row_ = 10.5;
        headings();
    }

    TPRINTER& job_;
    Sheet s_;
    const CoverageLetter& letter_;
    const AgencyIdentity& issuer_;
    const PrintFont body_{"Arial", 10};
    const PrintFont bold_{"Arial", 10, true};
    double row_ = 0;
};

} // namespace

CoverageLine coverageLine(const store::Table& m)
{
    CoverageLine l;
    l.policy = trim(m.text("POLIZZA"));
    l.due = m.date("SCADENZA");
    l.company = trim(m.text("COMPAGNIA"));
    l.branch = trim(m.text("RAMO"));
    l.insured = trim(m.text("ASSICURATO"));
    l.account = trim(m.text("CONTO"));
    l.amount = m.number("IMPORTO");
    l.commission = m.number("PROVVAGEN");
    return l;
}

void letterFrame(TPRINTER& job, const AgencyIdentity& issuer, bool ibanLine)
{
    Sheet s(job);
    const double left = kMargin, right = 80 - kMargin, width = right - left;
    job.frame(1, left, 6, right);
    s.put(1.6, left, issuer.name, PrintFont("Arial", 15, true, false, true), TextAlign::Center, width);
    s.put(3.8, left, issuer.activity, PrintFont("Arial", 11), TextAlign::Center, width);

    const PrintFont small("Arial", 7.5);
    const double step = job.geometry().landscape() ? 1.0 : 0.8;
    const std::vector<std::string> notice =
        wrapToWidth(issuer.confidentialityNotice(), job.columnX(width - 1), job.geometry().dpi, small);
    const size_t lines = std::min<size_t>(notice.size(), 4);
    const double noticeEnd = 56.4 + step * static_cast<double>(std::max<size_t>(lines, 3));
    job.frame(56, left, noticeEnd, right);
    for (size_t i = 0; i < lines; ++i) {
        std::string text = notice[i];
        if (!text.empty() && text.back() == kParagraphMark) text.pop_back();
        s.put(56.2 + step * static_cast<double>(i), left + 0.5, text, small);
    }
    std::vector<std::string> footer = issuer.footer();
    if (ibanLine && filled(issuer.iban)) footer.push_back("IBAN: " + trim(issuer.iban));
    const double top = std::max(60.0, noticeEnd + 0.4);
    const double bottom = top + 0.2 + step * static_cast<double>(std::max<size_t>(footer.size(), 3));
    job.frame(top, left, bottom, right);
    for (size_t i = 0; i < footer.size(); ++i)
        s.put(top + 0.2 + step * static_cast<double>(i), left, footer[i], PrintFont("Arial", 8), TextAlign::Center, width);
}

void printCoverageLetter(TPRINTER& job, const CoverageLetter& letter, const AgencyIdentity& issuer)
{
    LetterPrinter(job, letter, issuer).print();
}

std::string coverageMailBody(const CoverageLetter& letter, const AgencyIdentity& issuer)
{
    const std::string crlf = "\r\n";
    std::string b = std::string(kCoverageTitle) + crlf + crlf;
    b += "Si prega di mettere a cassa in data " + dateText(letter.date) +
         " le polizze/quietanze di seguito evidenziate:" + crlf + crlf + crlf;
    Decimal amounts, commissions;
    for (const CoverageLine& l : letter.lines) {
        b += "POLIZZA N.: " + l.policy + crlf;
        b += "SCADENZA: " + dateText(l.due) + crlf;
        b += "COMPAGNIA: " + l.company + crlf;
        b += "RAMO: " + l.branch + crlf;
        b += "CONTRAENTE: " + l.insured + crlf;
        b += "CONTO: " + l.account + crlf;
        b += "IMPORTO: " + amountText(l.amount) + crlf;
        b += "PROVVIGIONE: " + amountText(l.commission) + crlf;
        b += crlf;
        amounts += l.amount;
        commissions += l.commission;
    }
    b += "TOTALE IMPORTO: " + amountText(amounts) + crlf;
    b += "TOTALE PROVVIGIONE: " + amountText(commissions) + crlf + crlf + crlf;
    b += "Cordiali saluti." + crlf + crlf;
    for (const std::string& line : issuer.signatureBlock()) b += line + crlf;
    b += crlf + issuer.confidentialityNotice() + crlf;
    return b;
}

std::string mailRunMessage(size_t sent, const std::string& failed, const std::string& none,
                           const std::string& sentSuffix)
{
    const std::string count = sent == 0 ? none : std::to_string(sent) + sentSuffix;
    if (failed.empty()) return count;
    return "Invio non riuscito a " + trim(failed) + ".;" + count;
}

} // namespace arv::accounting
