#include "accounting/bookscreens.h"

#include "accounting/movements.h"
#include "records/lookups.h"
#include "store/workspace.h"
#include "ui/popmsg.h"

namespace arv::accounting {

using namespace records;
using store::workspace;

namespace {

std::vector<std::string> descriptions()
{
    std::vector<std::string> all = ADESMVCOM(workspace());
    for (std::string& d : ADESMVCON(workspace())) all.push_back(std::move(d));
    return withEmpty(std::move(all));
}

// The wait window while the commissions are walked, closed whatever happens.
struct WaitMessage {
    explicit WaitMessage(const char* text) { POPMSG(text); }
    ~WaitMessage() { POPMSG(); }
    WaitMessage(const WaitMessage&) = delete;
    WaitMessage& operator=(const WaitMessage&) = delete;
};

} // namespace

std::unique_ptr<FormDialog> makeDailyPrimaNotaDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>("PRIMANOTAG", "Prima nota giornaliera",
                                          std::vector<EditField>{requiredField(dateField(101, "Periodo: dal", dialogOnly("DAL"))),
                                                                 requiredField(dateField(102, "al", dialogOnly("AL")))},
                                          parent);
    d->set(101, Date::today().toDisplay());
    d->set(102, Date::today().toDisplay());
    return d;
}

PrimaNotaCriteria primaNotaCriteria(const FormDialog& d)
{
    PrimaNotaCriteria c;
    c.account = d.text("CONTO");
    c.entry = d.text("CONTABIL");
    c.description = d.text("DESCRIZIO");
    c.from = d.date("DAL");
    c.to = d.date("AL");
    return c;
}

std::unique_ptr<FormDialog> makePrimaNotaDialog(QWidget* parent)
{
    std::vector<EditField> fields = {
        choiceField(101, "Conto:", "CONTO", [] { return withEmpty(primaNotaAccounts()); }),
        choiceField(102, "Contabilità:", "CONTABIL", [] { return withEmpty(AVOCICON(workspace())); }),
        choiceField(103, "Descrizione:", "DESCRIZIO", descriptions),
        dateField(104, "Periodo: dal", dialogOnly("DAL")),
        dateField(105, "al", dialogOnly("AL")),
        logicalField(106, "Statistiche:", dialogOnly("STATISTICHE")),
    };
    // Checked on "Conferma", so that the user may leave "Conto:" empty to choose a description.
    FormDialog::Check oneOfTwo = [](const EditValues& v) -> std::optional<std::pair<int, std::string>> {
        PrimaNotaCriteria c;
        c.account = v.get("CONTO");
        c.description = v.get("DESCRIZIO");
        const std::string problem = primaNotaCriteriaProblem(c);
        if (problem.empty()) return std::nullopt;
        return std::make_pair(101, problem);
    };
    return std::make_unique<FormDialog>("PRIMANOTA", "Prima nota", std::move(fields), parent, std::move(oneOfTwo));
}

std::unique_ptr<FormDialog> makeSummaryDialog(QWidget* parent)
{
    auto d = std::make_unique<FormDialog>(
        "RIESITCON", "Riepilogo situazione contabile",
        std::vector<EditField>{dateField(101, "Periodo: dal", dialogOnly("DAL")), dateField(102, "al", dialogOnly("AL")),
                               logicalField(103, "Statistiche:", dialogOnly("STATISTICHE")),
                               logicalField(104, "Contabilità:", dialogOnly("PERVOCE"))},
        parent);
    d->set(103, "F");
    d->set(104, "T");
    return d;
}

void PRIMANOTA(bool daily)
{
    if (daily) {
        std::unique_ptr<FormDialog> d = makeDailyPrimaNotaDialog();
        if (d->exec() != QDialog::Accepted) return;
        PrimaNotaCriteria c;
        c.full = true;
        c.from = d->date("DAL");
        c.to = d->date("AL");
        printPrimaNota(workspace(), c);
        return;
    }
    std::unique_ptr<FormDialog> d = makePrimaNotaDialog();
    if (d->exec() != QDialog::Accepted) return;
    const PrimaNotaCriteria c = primaNotaCriteria(*d);
    if (d->values().logical("STATISTICHE")) printPrimaNotaStatistics(workspace(), c);
    else printPrimaNota(workspace(), c);
}

void RIESITCON()
{
    std::unique_ptr<FormDialog> d = makeSummaryDialog();
    if (d->exec() != QDialog::Accepted) return;
    const records::EditValues v = d->values();
    SummaryCriteria c{d->date("DAL"), d->date("AL"), v.logical("PERVOCE")};
    if (v.logical("STATISTICHE")) {
        printSummaryStatistics(workspace(), c.from, c.to);
        return;
    }
    AccountSummary s;
    {
        WaitMessage wait(kMsgProcessing);
        s = accountSummary(workspace(), c);
    }
    printAccountSummary(s, c.from, c.to);
}

void addBookReportEntries(const std::function<void(const std::string& name, std::function<void(bool flag)> entry)>& add)
{
    add("PRIMANOTA", [](bool daily) { PRIMANOTA(daily); });
    add("RIESITCON", [](bool) { RIESITCON(); });
}

} // namespace arv::accounting
