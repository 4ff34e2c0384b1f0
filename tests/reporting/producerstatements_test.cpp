// The producers' statements: the statement in both forms with its receipt, the run over every
// producer, the productivity, the overdue collections and the missing documents, read back.
#include <gtest/gtest.h>

#include "reporting/producerstatements.h"
#include "reporting/statementfolder.h"
#include "support/pagecheck.h"

using namespace arv;
using namespace arv::reporting;
using namespace arv::test;

namespace {

class ProducerStatements : public StatementFolder {
protected:
    void producer(const std::string& name, const char* rate)
    {
        add("PRODUTT", [&](store::Table& t) {
            t.setText("PRODUTTORE", name);
            t.setText("CITTA", "Bari");
            t.setText("PROVINCIA", "BA");
            t.setText("INDIRIZZO", "Via Sparano 10");
            t.setText("CODICEFISC", "RSSLCU80A01A662X");
            t.setNumber("ALIQPR", dec(rate));
        });
    }
    void policy(const std::string& number, Date coverage, const std::string& payment, const std::string& document = {})
    {
        add("POLIZZE", [&](store::Table& t) {
            t.setText("POLIZZA", number);
            t.setText("COMPAGNIA", "AURORA");
            t.setText("RAPPORTO", "AURORA");
            t.setText("ASSICURATO", "VERDI ANNA " + number);
            t.setText("PRODUTTORE", "ROSSI LUCA");
            t.setText("RAMO", "AUTO");
            t.setDate("COPERTURA", coverage);
            t.setText("PAGAMENTO", payment);
            t.setNumber("IMPORTO", dec("450.00"));
            t.setText("DOCUMENTO", document);
            t.setDate("EFFETTO", day(2024, 6, 1));
        });
    }
};

Movement byProducer(Date date, const char* producer, const char* amount, const char* agency, const char* share)
{
    Movement m{date, "AURORA", "Incasso", dec(amount), dec(agency)};
    m.producer = producer;
    m.producerCommission = dec(share);
    return m;
}

} // namespace

TEST_F(ProducerStatements, StatementReceiptAndTheRunOverEveryProducer)
{
    producer("ROSSI LUCA", "11.5");
    producer("BIANCHI EVA", "0");
    movement(byProducer(day(2025, 1, 10), "ROSSI LUCA", "5000.00", "600.00", "600.00"));
    movement(byProducer(day(2025, 1, 20), "ROSSI LUCA", "3000.00", "500.00", "400.00"));
    movement(byProducer(day(2025, 1, 21), "ROSSI LUCA", "0", "0", "0")); // nothing to show
    movement(byProducer(day(2025, 1, 22), "Agenzia", "100.00", "10.00", "1.00"));

    ProducerChoice c;
    c.producer = "ROSSI LUCA";
    c.from = day(2025, 1, 1);
    c.to = day(2025, 1, 31);
    c.receipt = true;
    const test::ScopedArialWidths arial;
    const std::vector<PrintDocument> docs = runProducerReport(ws(), c, day(2025, 2, 3), false);
    ASSERT_EQ(docs.size(), 2u);
    for (const PrintDocument& d : docs) test::expectNoOverlaps(d, d.name);
    const std::vector<std::string> st = printedLines(docs[0]);
    for (const char* l : {"ESTRATTO CONTO PRODUTTORE", "ROSSI LUCA - Dal 01/01/25 al 31/01/25",
                          "10/01/25 | AURORA | Incasso | ROSSI MARIO | Quietanza | AUTO | P1 | 5.000,00 | 600,00",
                          "TOTALE | 8.000,00 | 1.000,00"})
        EXPECT_TRUE(hasLine(st, l)) << l << "\n" << allLines(st);
    const std::vector<std::string> receipt = printedLines(docs[1]);
    for (const char* l : {"RICEVUTA PAGAMENTO PROVVIGIONI ASSOGGETTATE", "ROSSI LUCA", "Dal 01/01/25 al 31/01/25",
                          "PROVVIGIONI AL LORDO R.A. | Euro | 1.000,00", "R.A. APPLICATA | Euro | 115,00",
                          "NETTO PAGATO | Euro | 885,00",
                          "(Residenza anagrafica o sede legale) | Bari | BA | Via Sparano 10"})
        EXPECT_TRUE(hasLine(receipt, l)) << l << "\n" << allLines(receipt);

    // The productivity form: the agency's commission and the balance.
    c.report = ProducerReport::Productivity;
    const std::vector<std::string> pr = printedLines(runProducerReport(ws(), c, day(2025, 2, 3), false).at(0));
    EXPECT_TRUE(hasLine(pr, "TOTALE | 1.100,00 | 1.000,00")) << allLines(pr);
    EXPECT_TRUE(hasLine(pr, "SALDO | 100,00")) << allLines(pr);

    // Every producer of the list in turn, the agency without a receipt.
    c.producer.clear();
    c.report = ProducerReport::Statement;
    const std::vector<PrintDocument> all = runProducerReport(ws(), c, day(2025, 2, 3), false);
    ASSERT_EQ(all.size(), 5u); // Agenzia; BIANCHI and its receipt; ROSSI and its receipt
    EXPECT_EQ(all[0].name, "Estratto conto produttore");
    EXPECT_EQ(all[1].name, "Estratto conto produttore");
    EXPECT_EQ(all[2].name, "Stampa ricevuta");
    EXPECT_TRUE(hasLine(printedLines(all[2]), "NETTO PAGATO | Euro | 0,00"));

    const std::vector<std::string> productivity =
        printedLines(printProducerProductivity(ws(), "", Date(), Date(), false));
    EXPECT_TRUE(hasLine(productivity, "ROSSI LUCA | 1.100,00 | 1.000,00 | 100,00")) << allLines(productivity);
    EXPECT_TRUE(hasLine(productivity, "PRODUTTIVITA' TOTALE | 1.110,00 | 1.001,00 | 109,00")) << allLines(productivity);
}

TEST_F(ProducerStatements, OverdueCollectionsAndMissingDocuments)
{
    policy("A1", day(2025, 6, 10), "Bonifico", "Completa");
    policy("A2", day(2025, 6, 9), "Bonifico");
    policy("A3", day(2025, 1, 9), "sospeso");
    policy("A4", day(2025, 3, 1), "");
    const Date today = day(2025, 6, 20);
    const std::vector<OverduePolicy> due = overdueCollections(ws(), "", Date(), Date(), today);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].policy, "A4");
    EXPECT_EQ(due[1].policy, "A2");
    EXPECT_EQ(overdueCollections(ws(), "ROSSI LUCA", day(2025, 6, 1), Date(), today).size(), 1u);
    const std::vector<std::string> lines =
        printedLines(printOverdueCollections(ws(), "", Date(), Date(), today, false));
    for (const char* l : {"COMPAGNIA: AURORA", "01/03/25 | VERDI ANNA A | ROSSI LUCA | AURORA | A4 | AUTO | 450,00",
                          "TOTALE | 900,00", "TOTALE GENERALE | 900,00"})
        EXPECT_TRUE(hasLine(lines, l)) << l << "\n" << allLines(lines);

    ProducerChoice c;
    c.report = ProducerReport::MissingDocuments;
    EXPECT_EQ(producerChoiceProblem(c).field, 101);
    c.producer = "ROSSI LUCA";
    const std::vector<std::string> missing = printedLines(runProducerReport(ws(), c, today, false).at(0));
    EXPECT_TRUE(hasLine(missing, "PRODUTTORE: ROSSI LUCA")) << allLines(missing);
    EXPECT_EQ(allLines(missing).find("A1"), std::string::npos);
    EXPECT_NE(allLines(missing).find("VERDI ANNA A3"), std::string::npos);
}
