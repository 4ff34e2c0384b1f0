#include "policies/policyletters.h"

#include <algorithm>

#include "common/letter.h"
#include "common/text.h"
#include "records/lookups.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

const PrintFont kPlain("Arial", 12);
const PrintFont kBold("Arial", 12, true);

std::string townOf(const std::string& postCode, const std::string& town, const std::string& province)
{
    std::string s = trim(trim(postCode) + " " + trim(town));
    if (filled(province)) s += " " + trim(province);
    return trim(s);
}

// The company's address block at COLUMN: name lines, address and town, an empty line between them
// (and one more when there is no second name line).
void companyBlock(LetterWriter& w, const AgreementData& c, double column)
{
    w.line(trim(c.companyLine1), column);
    w.skip();
    if (filled(c.companyLine2)) {
        w.line(trim(c.companyLine2), column);
        w.skip();
    }
    w.line(trim(c.address), column);
    w.skip();
    w.line(townOf(c.postCode, c.town, c.province), column);
    if (!filled(c.companyLine2)) w.skip();
}

// Ends the job and gives its pages.
PrintDocument finish(TPRINTER& job)
{
    if (job.pageOpen()) job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace

std::array<std::string, 4> brokerLines(const IniFile& ini, const std::string& section)
{
    std::array<std::string, 4> lines;
    for (size_t i = 0; i < lines.size(); ++i) lines[i] = trim(ini.get(section, "Riga" + std::to_string(i + 1)));
    return lines;
}

PrintDocument printCancellationLetter(Workspace& ws, const Table& p, const AgencyIdentity& agency, Date today,
                                      bool preview)
{
    const ClientData client = ADATIASSI(ws, p.text("ASSICURATO"));
    const AgreementData company = ADATICOMP(ws, p.text("RAPPORTO"));
    TPRINTER job("Stampa disdetta polizza", preview);
    LetterWriter w(job, kPlain, job.margin());
    w.skip(4);
    w.line("Mittente:", 0, kBold);
    for (const std::string& l :
         {trim(client.title), trim(client.name), trim(client.address), townOf(client.postCode, client.town, client.province)}) {
        w.line(l, 10);
        w.skip();
    }
    w.skip(5);
    w.line("Spett.le Compagnia:", 35, kBold);
    w.skip(2);
    companyBlock(w, company, 35);
    w.skip(5);
    w.line(agency.placeAndDate(today));
    w.skip(4);
    w.line("OGGETTO:", 0, kBold);
    w.line("DISDETTA POLIZZA ASSICURATIVA N. " + trim(p.text("POLIZZA")), 10);
    w.skip();
    w.line("E SUCCESSIVE MODIFICHE", 10);
    w.skip();
    w.line("SCADENZA POLIZZA: " + p.date("SCADENZA").toDisplay(), 10);
    w.skip();
    w.line("RAMO: " + trim(p.text("RAMO")), 10);
    w.skip(4);
    w.line("Il/La sottoscritto/a .................................................................................., ");
    w.skip();
    w.paragraph("con la presente dà formale disdetta della polizza in oggetto per la prossima scadenza annuale del "
                "contratto.",
                0, 80 - 2 * job.margin(), true);
    w.skip(3);
    w.line("Distinti saluti.");
    return finish(job);
}

PrintDocument printTransferLetters(Workspace& ws, Table& t, const AgencyIdentity& agency,
                                   const std::array<std::string, 4>& broker, Date today, bool preview)
{
    TPRINTER job("Stampa trasferimento polizze", preview);
    const uint32_t here = t.eof() ? 0 : t.recno();
    constexpr int kMargin = 10;
    for (t.goTop(); !t.eof() && !job.cancelled(); t.skip(1)) {
        const ClientData client = ADATIASSI(ws, t.text("ASSICURATO"));
        const AgreementData company = ADATICOMP(ws, t.text("RAPPORTO"));
        if (job.pageOpen()) job.endPage();
        job.startPage();
        LetterWriter w(job, kPlain, kMargin);
        w.skip(7);
        w.line(agency.placeAndDate(today));
        w.line("Spett.le Compagnia", 35);
        companyBlock(w, company, 35);
        w.skip(3);
        w.line("e p.c.", 30);
        w.line("Spett.le", 35);
        for (const std::string& l : broker) {
            w.line(l, 35);
            w.skip();
        }
        w.skip(2);
        w.line("Oggetto:", 0, kBold);
        w.line("Trasferimento polizza n." + trim(t.text("POLIZZA")) + "   Ramo:" + trim(t.text("RAMO")), 8);
        w.skip();
        w.line("Contraente:" + trim(t.text("ASSICURATO")), 8);
        w.skip(2);
        const std::string text =
            "In riferimento all'oggetto, lo/a scrivente Vi richiede, con decorrenza immediata, il trasferimento della "
            "polizza ivi indicata alla società di brokeraggio: " +
            broker[0] + " - " + broker[2] + " - " + broker[3] + ", alla quale ha affidato relativo incarico di gestione.\n\n" +
            std::string(15, ' ') + "Cordiali saluti.";
        w.paragraph(text, 0, 80 - 2 * kMargin, true);
        w.skip(3);
        w.rule(40, 55);
        w.skip(1);
        w.skip(7);
        w.line("Mittente:");
        w.line(trim(client.name));
        w.line(trim(client.address));
        w.line(townOf(client.postCode, client.town, client.province));
    }
    if (here) t.goTo(here);
    return finish(job);
}

PrintDocument printLabels(Workspace& ws, Table& t, bool preview)
{
    TPRINTER job("Stampa etichette", preview);
    const PrintFont font("Arial", 10);
    const uint32_t here = t.eof() ? 0 : t.recno();
    const double pageW = job.geometry().printableWidth();
    const double pageH = job.geometry().printableHeight();
    std::string previous;
    bool first = true;
    int n = 0;
    for (t.goTop(); !t.eof() && !job.cancelled(); t.skip(1)) {
        const std::string insured = t.text("ASSICURATO");
        if (!first && insured == previous) continue;
        first = false;
        previous = insured;
        const ClientData client = ADATIASSI(ws, insured);
        const int slot = n++ % 18;
        if (slot == 0) {
            if (job.pageOpen()) job.endPage();
            job.startPage();
        }
        const int r = slot / 3;
        const int c = slot % 3;
        const double top = r * pageH / 6;
        const double left = c * pageW / 3 + pageW * 5 / 80;
        const double width = pageW * 20 / 80;
        const std::string lines[] = {trim(client.title), trim(client.name), trim(client.address),
                                     townOf(client.postCode, client.town, client.province)};
        const double at[] = {2, 3.5, 5, 6.5};
        for (size_t i = 0; i < 4; ++i) {
            if (lines[i].empty()) continue;
            PageItem item;
            item.text = lines[i];
            item.font = font;
            item.x = left;
            item.y = top + at[i] * pageH / 66;
            item.clipWidth = width;
            job.addItem(std::move(item));
        }
    }
    if (here) t.goTo(here);
    return finish(job);
}

} // namespace arv::policies
