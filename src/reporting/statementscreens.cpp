#include "reporting/statementscreens.h"

#include "accounting/movements.h"
#include "common/text.h"
#include "records/lookups.h"
#include "reporting/scan.h"
#include "store/workspace.h"
#include "ui/popmsg.h"

namespace arv::reporting {

using namespace records;
using store::workspace;

namespace {

EditField option(int id, const char* label, const char* name, const char* box)
{
    EditField f = logicalField(id, label, dialogOnly(name));
    f.radio = true;
    f.group = box;
    return f;
}

std::vector<std::string> agreements() { return accounting::withEmpty(ACOMPAGNIE(workspace())); }
std::vector<std::string> producers() { return accounting::withEmpty(APRODUTT(workspace())); }

// The dialog's check of the whole choice, as the field and the message.
template <typename Problem>
std::optional<std::pair<int, std::string>> failure(const Problem& p)
{
    if (p.field == 0) return std::nullopt;
    return std::make_pair(p.field, p.message);
}

AgreementChoice agreementChoiceOf(const EditValues& v)
{
    AgreementChoice c;
    c.agreement = trim(v.get("RAPPORTO"));
    c.company = trim(v.get("COMPAGNIA"));
    c.from = v.date("DAL");
    c.to = v.date("AL");
    c.report = v.logical("CORRISP")   ? AgreementReport::Commissions
               : v.logical("CARICHI") ? AgreementReport::MonthlyLoads
                                      : AgreementReport::Statement;
    c.statistics = v.logical("STATISTICHE");
    return c;
}

ProducerChoice producerChoiceOf(const EditValues& v)
{
    ProducerChoice c;
    c.producer = trim(v.get("PRODUTTORE"));
    c.branch = trim(v.get("RAMO"));
    c.group = trim(v.get("GRUPPO"));
    c.from = v.date("DAL");
    c.to = v.date("AL");
    c.report = v.logical("PROVVIGIONI")   ? ProducerReport::Commissions
               : v.logical("PRODUTTIV")   ? ProducerReport::Productivity
               : v.logical("SCADUTI")     ? ProducerReport::Overdue
               : v.logical("DOCUMENTI")   ? ProducerReport::MissingDocuments
                                          : ProducerReport::Statement;
    c.receipt = v.logical("RICEVUTA");
    c.statistics = v.logical("STATISTICHE");
    c.suspended = v.logical("SOSPESI");
    return c;
}

} // namespace

// ---------------------------------------------------------------- "Estratti conto rapporti"

std::unique_ptr<FormDialog> makeAgreementDialog(QWidget* parent)
{
    auto statement = [](const EditValues& v) { return agreementChoiceOf(v).report == AgreementReport::Statement; };
    EditField company = choiceField(102, "Compagnia:", "COMPAGNIA", agreements);
    company.enabled = statement;
    EditField statistics = logicalField(108, "Statistiche:", dialogOnly("STATISTICHE"));
    statistics.enabled = [](const EditValues& v) { return agreementChoiceOf(v).report != AgreementReport::MonthlyLoads; };
    std::vector<EditField> fields = {choiceField(101, "Rapporto:", "RAPPORTO", agreements),
                                     company,
                                     dateField(103, "Periodo: dal", dialogOnly("DAL")),
                                     dateField(104, "al", dialogOnly("AL")),
                                     option(105, "Estratto conto", "ESTRATTO", "Stampa"),
                                     option(106, "Corrispettivi - provvigioni", "CORRISP", "Stampa"),
                                     option(107, "Carichi mensili", "CARICHI", "Stampa"),
                                     statistics};
    // Choosing another report clears what it does not use.
    for (EditField& f : fields)
        if (f.radio)
            f.changed = [](EditValues& v) {
                const AgreementChoice c = agreementChoiceOf(v);
                if (c.report != AgreementReport::Statement) v.set("COMPAGNIA", "");
                if (c.report == AgreementReport::MonthlyLoads) v.set("STATISTICHE", "F");
            };
    auto d = std::make_unique<FormDialog>("SRAPPORTI", "Estratti conto rapporti", fields, parent,
                                          [](const EditValues& v) { return failure(agreementChoiceProblem(agreementChoiceOf(v))); });
    d->set(105, "T");
    return d;
}

AgreementChoice agreementChoice(const FormDialog& d) { return agreementChoiceOf(d.values()); }

void SRAPPORTI()
{
    std::unique_ptr<FormDialog> d = makeAgreementDialog();
    if (d->exec() != QDialog::Accepted) return;
    runAgreementReport(workspace(), agreementChoice(*d));
}

// ---------------------------------------------------------------- "Estratti conto produttori"

std::unique_ptr<FormDialog> makeProducerDialog(QWidget* parent)
{
    auto kind = [](const EditValues& v) { return producerChoiceOf(v).report; };
    EditField producer = choiceField(101, "Produttore:", "PRODUTTORE", producers);
    producer.changed = [](EditValues& v) {
        if (sameName(v.get("PRODUTTORE"), kAgencyProducer)) v.set("RICEVUTA", "F");
    };
    EditField group = choiceField(103, "Gruppo:", "GRUPPO", [] { return AGRUPPI(workspace()); });
    group.enabled = [kind](const EditValues& v) { return kind(v) == ProducerReport::Statement; };
    EditField from = dateField(104, "Periodo: dal", dialogOnly("DAL"));
    EditField to = dateField(105, "al", dialogOnly("AL"));
    from.enabled = to.enabled = [kind](const EditValues& v) { return kind(v) != ProducerReport::MissingDocuments; };
    EditField receipt = logicalField(111, "Ricevuta provvigionale:", dialogOnly("RICEVUTA"));
    receipt.enabled = [kind](const EditValues& v) {
        return kind(v) == ProducerReport::Statement && filled(v.get("PRODUTTORE")) &&
               !sameName(v.get("PRODUTTORE"), kAgencyProducer);
    };
    EditField statistics = logicalField(112, "Statistiche:", dialogOnly("STATISTICHE"));
    statistics.enabled = [kind](const EditValues& v) { return kind(v) == ProducerReport::Commissions; };
    EditField suspended = logicalField(113, "Sospesi:", dialogOnly("SOSPESI"));
    suspended.enabled = [kind](const EditValues& v) { return kind(v) == ProducerReport::Statement; };
    std::vector<EditField> fields = {producer,
                                     choiceField(102, "Ramo:", "RAMO", [] { return ARAMI(workspace()); }),
                                     group,
                                     from,
                                     to,
                                     option(106, "Estratto conto", "ESTRATTO", "Stampa"),
                                     option(107, "Provvigioni", "PROVVIGIONI", "Stampa"),
                                     option(108, "Produttività", "PRODUTTIV", "Stampa"),
                                     option(109, "Incassi scaduti", "SCADUTI", "Stampa"),
                                     option(110, "Documentazione mancante", "DOCUMENTI", "Stampa"),
                                     receipt,
                                     statistics,
                                     suspended};
    for (EditField& f : fields)
        if (f.radio)
            f.changed = [](EditValues& v) {
                const ProducerReport r = producerChoiceOf(v).report;
                if (r != ProducerReport::Statement) {
                    v.set("GRUPPO", "");
                    v.set("RICEVUTA", "F");
                    v.set("SOSPESI", "F");
                }
                if (r != ProducerReport::Commissions) v.set("STATISTICHE", "F");
                if (r == ProducerReport::MissingDocuments) {
                    v.set("DAL", "");
                    v.set("AL", "");
                }
            };
    auto d = std::make_unique<FormDialog>("SPRODUTT", "Estratti conto produttori", fields, parent,
                                          [](const EditValues& v) { return failure(producerChoiceProblem(producerChoiceOf(v))); });
    d->set(106, "T");
    return d;
}

ProducerChoice producerChoice(const FormDialog& d) { return producerChoiceOf(d.values()); }

void SPRODUTT()
{
    std::unique_ptr<FormDialog> d = makeProducerDialog();
    if (d->exec() != QDialog::Accepted) return;
    runProducerReport(workspace(), producerChoice(*d), Date::today());
}

void addStatementEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("SRAPPORTI", SRAPPORTI);
    add("SPRODUTT", SPRODUTT);
}

} // namespace arv::reporting
