// The producers' statements, read from the company movements and the policies and never written
// back: the statement of account (with the agency's commission in its productivity form), the
// commission receipt the producer signs, the commissions per closing date or per producer, the
// statistics, the productivity of every producer, the overdue collections and the contracts whose
// documents are missing; the choice of the dialog SPRODUTT and what each choice prints.
#pragma once

#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "common/pagemodel.h"
#include "reporting/yearstatistics.h"
#include "store/workspace.h"

namespace arv::reporting {

inline constexpr const char* kAgencyProducer = "Agenzia";

// ---- the statement of account
struct ProducerSelection {
    std::string producer, branch, group;
    Date from, to;
    bool suspendedOnly = false; // only "Sospesi da produttori"
    bool productivity = false;  // "PROVV.AGEN" instead of "IMPORTO"
};
struct ProducerLine {
    Date date;
    std::string company, description, insured, type, branch, policy;
    Date due;
    Decimal amount, agency, producer;
};
struct ProducerStatement {
    std::vector<ProducerLine> lines;
    Decimal amounts, agency, producer; // totals as printed
};
// The producer's movements (exactly that producer), the branch and the client's group beginning
// with those given, an amount or a producer's commission, DATA within the bounds, in date order.
ProducerStatement producerStatement(store::Workspace& ws, const ProducerSelection& s);
PrintDocument printProducerStatement(store::Workspace& ws, const ProducerSelection& s, bool preview = true);

// ---- the commission receipt ("Stampa ricevuta")
struct ReceiptFigures {
    Decimal gross, withheld, net;
};
// GROSS at RATE percent withheld, each figure to the cent as printed.
ReceiptFigures receiptFigures(const Decimal& gross, const Decimal& rate);
// The boxed receipt of PRODUCER (read from PRODUTT) for GROSS commissions of the period.
PrintDocument printProducerReceipt(store::Workspace& ws, const std::string& producer, const Decimal& gross, Date from,
                                   Date to, Date today, bool preview = true);

// ---- commissions per closing date (one producer) or per producer (all)
struct ProducerCommission {
    std::string key; // the closing date (DTOS) or the producer
    Decimal commissions;
};
std::vector<ProducerCommission> producerCommissions(store::Workspace& ws, const std::string& producer,
                                                    const std::string& branch, Date from, Date to);
PrintDocument printProducerCommissions(store::Workspace& ws, const std::string& producer, const std::string& branch,
                                       Date from, Date to, bool preview = true);

// ---- year-over-year statistics of one producer ("Statistiche produttore")
std::vector<YearTotal> oneProducerYears(store::Workspace& ws, const std::string& producer, const std::string& branch,
                                        Date from, Date to);
PrintDocument printOneProducerStatistics(store::Workspace& ws, const std::string& producer, const std::string& branch,
                                         Date from, Date to, bool preview = true);

// ---- productivity of every producer ("Produttività produttori")
struct Productivity {
    std::string producer; // "" for the movements without one
    Decimal agency, producerShare, productivity;
};
std::vector<Productivity> producerProductivity(store::Workspace& ws, const std::string& branch, Date from, Date to);
PrintDocument printProducerProductivity(store::Workspace& ws, const std::string& branch, Date from, Date to,
                                        bool preview = true);

// ---- overdue collections ("Incassi scaduti produttori")
struct OverduePolicy {
    std::string company, insured, producer, agreement, policy, branch;
    Date coverage; // the instalment due
    Decimal amount;
};
// Active policies of the producer (every producer when empty) not paid "SOSPESO", whose coverage
// ended more than 10 days before TODAY; with a period, a coverage within it. By company, coverage
// and insured.
std::vector<OverduePolicy> overdueCollections(store::Workspace& ws, const std::string& producer, Date from, Date to,
                                              Date today);
PrintDocument printOverdueCollections(store::Workspace& ws, const std::string& producer, Date from, Date to, Date today,
                                      bool preview = true);

// ---- contracts with missing documents ("Documentazione mancante")
PrintDocument printMissingDocuments(store::Workspace& ws, const std::string& producer, bool preview = true);

// ---- the dialog's choice
enum class ProducerReport { Statement, Commissions, Productivity, Overdue, MissingDocuments };
struct ProducerChoice {
    std::string producer, branch, group;
    Date from, to;
    ProducerReport report = ProducerReport::Statement;
    bool receipt = false, statistics = false, suspended = false;
};
// The field and message that keep the choice from printing (field 0: it can print).
struct ProducerProblem {
    int field = 0;
    std::string message;
};
ProducerProblem producerChoiceProblem(const ProducerChoice& c);
// What the choice prints, in order: the statement and its receipt, every producer's statement in
// turn (printed without preview, "Agenzia" without a receipt), or the one report asked for.
std::vector<PrintDocument> runProducerReport(store::Workspace& ws, const ProducerChoice& c, Date today,
                                             bool preview = true);

} // namespace arv::reporting
