#include "reporting/coverages.h"

#include <map>

#include "common/text.h"
#include "registry/companies.h"

namespace arv::reporting {

using namespace store;

std::vector<CoverageGroup> selectCoverages(Workspace& ws, Date day)
{
    std::map<std::string, CoverageGroup> groups;
    std::map<std::string, bool> taking; // agreement -> takes part in the daily coverages
    OwnTable own(ws, "MOVICOMP", true);
    Table& m = *own;
    m.ordAdd("MOVIDATA");
    m.setScope(day.dtos(), day.dtos());
    for (m.goTop(); !m.eof(); m.skip(1)) {
        if (m.logical("PRODUTTOR2")) continue;
        const std::string agreement = m.text("RAPPORTO");
        if (agreement.empty()) continue;
        auto t = taking.find(agreement);
        if (t == taking.end()) {
            const registry::AgreementTerms terms = registry::agreementTerms(ws, agreement);
            t = taking.emplace(agreement, terms.found && terms.dailyCoverages).first;
        }
        if (!t->second) continue;
        CoverageGroup& g = groups[agreement];
        g.agreement = agreement;
        g.lines.push_back(accounting::coverageLine(m));
    }
    std::vector<CoverageGroup> out;
    for (auto& [name, g] : groups) {
        g.data = records::ADATICOMP(ws, name);
        out.push_back(std::move(g));
    }
    return out;
}

namespace {

accounting::CoverageLetter letterOf(const CoverageGroup& g, Date day)
{
    accounting::CoverageLetter l;
    l.agreement = g.data;
    l.date = day;
    l.lines = g.lines;
    l.accountColumn = true;
    return l;
}

std::string recipientName(const records::AgreementData& a)
{
    std::string s = trim(a.companyLine1);
    if (filled(a.companyLine2)) s += (s.empty() ? "" : " ") + trim(a.companyLine2);
    return s;
}

} // namespace

CoverageLetters printCoverageLetters(const std::vector<CoverageGroup>& groups, Date day, const AgencyIdentity& agency,
                                     bool preview)
{
    CoverageLetters out;
    TPRINTER::Options o;
    o.docName = "Stampa coperture giornaliere";
    o.preview = preview;
    o.landscape = true;
    TPRINTER job(o);
    for (const CoverageGroup& g : groups) {
        if (job.cancelled()) break;
        if (filled(g.data.coverageEmail)) {
            ++out.skipped;
            continue;
        }
        accounting::printCoverageLetter(job, letterOf(g, day), agency);
        ++out.letters;
    }
    if (job.pageOpen()) job.endPage();
    out.doc = job.document();
    if (out.letters) job.end();
    return out;
}

CoverageSending sendCoverages(const std::vector<CoverageGroup>& groups, Date day, const AgencyIdentity& agency,
                              const MailMessage& base, const std::string& copy,
                              const std::function<bool(const MailMessage&)>& send)
{
    CoverageSending out;
    for (const CoverageGroup& g : groups) {
        if (!filled(g.data.coverageEmail)) continue;
        MailMessage m = base;
        m.to = trim(g.data.coverageEmail);
        if (filled(copy)) m.cc = {trim(copy)};
        m.subject = accounting::kCoverageSubject;
        m.body = accounting::coverageMailBody(letterOf(g, day), agency);
        m.html = false;
        if (!send(m)) {
            out.failed = g.agreement;
            break;
        }
        out.sent.push_back({recipientName(g.data), m.to, m.subject, m.body});
    }
    return out;
}

CoverageRun runCoverages(Workspace& ws, Date day, const CoverageOutput& o)
{
    CoverageRun run;
    const std::vector<CoverageGroup> groups = selectCoverages(ws, day);
    if (groups.empty()) {
        run.messages.push_back(std::string("Nessuna copertura da ") + (o.viaEmail ? "inviare" : "stampare") +
                               " nella data specificata.");
        return run;
    }
    if (!o.viaEmail) {
        CoverageLetters l = printCoverageLetters(groups, day, o.agency, o.preview);
        run.letters = std::move(l.doc);
        if (l.letters == 0) run.messages.push_back("Nessuna copertura da stampare nella data specificata.");
        else if (l.skipped) run.messages.push_back("Non stampati " + std::to_string(l.skipped) + kMsgCoveragesSkipped);
        return run;
    }
    const std::function<bool(const MailMessage&)> send =
        o.send ? o.send : [](const MailMessage& m) { return SENDMAIL(m); };
    const CoverageSending s = sendCoverages(groups, day, o.agency, o.mail.message(), o.mail.copy, send);
    run.sent = s.sent.size();
    run.messages.push_back(
        accounting::mailRunMessage(run.sent, s.failed, "Nessuna copertura inviata.", " coperture inviate con successo."));
    if (!s.sent.empty())
        run.report = policies::printSentMails(s.sent, "Report coperture inviate via email",
                                              "REPORT COPERTURE INVIATE VIA EMAIL", false);
    return run;
}

} // namespace arv::reporting
