#include "reporting/scan.h"

#include <filesystem>

#include "common/calendar.h"
#include "common/ini.h"
#include "common/mask.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "store/files.h"

namespace arv::reporting {

using namespace store;

std::string upper(std::string_view text) { return Mask::upper(trim(text)); }

bool beginsWith(std::string_view text, std::string_view start)
{
    const std::string s = upper(start);
    return upper(text).compare(0, s.size(), s) == 0;
}

bool sameName(std::string_view a, std::string_view b) { return upper(a) == upper(b); }

bool within(Date date, Date from, Date to)
{
    if (from && !(date && date >= from)) return false;
    if (to && !(date && date <= to)) return false;
    return true;
}

std::string periodTitle(Date from, Date to)
{
    const std::string p = DAL_AL(from, to);
    return p.size() > 2 ? p.substr(2) : std::string();
}

std::string money(const Decimal& amount) { return trim(ENSTR(amount.round(2))); }

Decimal printed(const Decimal& amount) { return amount.round(2); }

void scanMovements(Workspace& ws, Date from, Date to, const std::function<void(const Table&)>& visit)
{
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return;
    OwnTable m(ws, "MOVICOMP", true);
    m->ordAdd("MOVIDATA");
    if (from || to) {
        // DTOS keys: the empty date sorts first, so an open start still leaves the undated out.
        const std::string top = from ? from.dtos() : std::string("00000000");
        const std::string bottom = to ? to.dtos() : std::string("99999999");
        m->setScope(top, bottom);
    }
    for (m->goTop(); !m->eof(); m->skip(1)) visit(*m);
}

void scanAllMovements(Workspace& ws, const std::function<void(const Table&)>& visit)
{
    if (!fileExists(ws.folder(), "MOVICOMP.DBF")) return;
    OwnTable m(ws, "MOVICOMP", true);
    for (m->goTop(); !m->eof(); m->skip(1)) visit(*m);
}

AgencyIdentity agencyOf(Workspace& ws)
{
    AgencyIdentity a;
    a.load(IniFile((std::filesystem::path(ws.folder()) / "ARV.INI").string()));
    return a;
}

ReportColumn textColumn(const char* heading, std::function<std::string()> value, int width)
{
    return ReportColumn{heading, [value] { return ReportValue(value()); }, "", width};
}

ReportColumn dateColumn(const char* heading, std::function<Date()> value, int width)
{
    return ReportColumn{heading, [value] { return ReportValue(value()); }, "", width};
}

ReportColumn amountColumn(const char* heading, std::function<Decimal()> value, const char* mask, bool total)
{
    return ReportColumn{heading, [value] { return ReportValue(value()); }, mask, 0, total, ReportAlign::Right};
}

TxtOptions endingAt(int edge, const PrintFont& font) { return TxtOptions::at(edge - 14).alignRight(14).withFont(font); }

PrintDocument finishJob(TPRINTER& job)
{
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

} // namespace arv::reporting
