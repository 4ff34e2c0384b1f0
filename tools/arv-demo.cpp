// arv-demo FOLDER [--scale N]: creates a demonstration working folder with every table of the
// archive and fills it with realistic sample data (N x 1,000 clients; default N = 1).
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "accounting/invoices.h"
#include "app/background.h"
#include "claims/claims.h"
#include "claims/numbering.h"
#include "common/ini.h"
#include "common/cp1252.h"
#include "common/date.h"
#include "common/error.h"
#include "common/ini.h"
#include "common/instalments.h"
#include "common/agency.h"
#include "common/numfmt.h"
#include "common/lists.h"
#include "common/text.h"
#include "policies/financing.h"
#include "policies/titles.h"
#include "records/comuni.h"
#include "records/lookups.h"
#include "records/register.h"
#include "sales/questionnaire.h"
#include "sales/quotes.h"
#include "store/keys.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"

using namespace arv;
using namespace arv::store;
using namespace arv::records;
namespace fs = std::filesystem;

namespace {

struct Town {
    const char* name;
    const char* province;
    const char* cap;
    const char* code; // cadastral code
};

// The civil states and identity documents the client dialog offers.
const char* const kCivilStates[] = {"Coniugato", "Convivente", "Divorziato", "Separato", "Single", "Vedovo", "Non dichiarato"};
const char* const kDocuments[] = {"Carta identità", "Patente", "Passaporto"};

// Towns with their postal and cadastral codes.
const Town kTowns[] = {
    {"ROMA", "RM", "00184", "H501"},       {"MILANO", "MI", "20121", "F205"},   {"NAPOLI", "NA", "80133", "F839"},
    {"TORINO", "TO", "10121", "L219"},     {"PALERMO", "PA", "90133", "G273"},  {"GENOVA", "GE", "16121", "D969"},
    {"BOLOGNA", "BO", "40121", "A944"},    {"FIRENZE", "FI", "50122", "D612"},  {"BARI", "BA", "70121", "A662"},
    {"CATANIA", "CT", "95124", "C351"},    {"VENEZIA", "VE", "30124", "L736"},  {"VERONA", "VR", "37121", "L781"},
    {"MESSINA", "ME", "98122", "F158"},    {"PADOVA", "PD", "35122", "G224"},   {"TRIESTE", "TS", "34121", "L424"},
    {"BRESCIA", "BS", "25121", "B157"},    {"PARMA", "PR", "43121", "G337"},    {"MODENA", "MO", "41121", "F257"},
    {"PERUGIA", "PG", "06121", "G478"},    {"LIVORNO", "LI", "57123", "E625"},  {"CAGLIARI", "CA", "09124", "B354"},
    {"RIMINI", "RN", "47921", "H294"},     {"SALERNO", "SA", "84121", "H703"},  {"FERRARA", "FE", "44121", "D548"},
    {"SASSARI", "SS", "07100", "I452"},    {"LATINA", "LT", "04100", "E472"},   {"BERGAMO", "BG", "24121", "A794"},
    {"PESCARA", "PE", "65121", "G482"},    {"VICENZA", "VI", "36100", "L840"},  {"TRENTO", "TN", "38122", "L378"},
    {"ANCONA", "AN", "60121", "A271"},     {"LECCE", "LE", "73100", "E506"},    {"UDINE", "UD", "33100", "L483"},
    {"SIENA", "SI", "53100", "I726"},      {"PISA", "PI", "56125", "G702"},     {"COMO", "CO", "22100", "C933"},
    {"LUCCA", "LU", "55100", "E715"},      {"AREZZO", "AR", "52100", "A390"},   {"PIACENZA", "PC", "29121", "G535"},
    {"FORLI'", "FC", "47121", "D704"},
};

const char* kSurnames[] = {
    "ROSSI", "RUSSO", "FERRARI", "ESPOSITO", "BIANCHI", "ROMANO", "COLOMBO", "RICCI", "MARINO", "GRECO",
    "BRUNO", "GALLO", "CONTI", "DE LUCA", "MANCINI", "COSTA", "GIORDANO", "RIZZO", "LOMBARDI", "MORETTI",
    "BARBIERI", "FONTANA", "SANTORO", "MARIANI", "RINALDI", "CARUSO", "FERRARA", "GALLI", "MARTINI", "LEONE",
    "LONGO", "GENTILE", "MARTINELLI", "VITALE", "LOMBARDO", "SERRA", "COPPOLA", "DE SANTIS", "D'ANGELO",
    "MARCHETTI", "PARISI", "VILLA", "CONTE", "FERRARO", "FERRI", "FABBRI", "BIANCO", "MARINI", "GRASSO",
    "VALENTINI", "MESSINA", "SALA", "DE ANGELIS", "GATTI", "PELLEGRINI", "PALUMBO", "SANNA", "FARINA", "RIVA",
    "MONTI", "CATTANEO", "MORELLI", "AMATO", "SILVESTRI", "MAZZA", "TESTA", "GRASSI", "PELLEGRINO", "CARBONE",
    "GIULIANI", "BENEDETTI", "BARONE", "ROSSETTI", "CAPUTO", "MONTANARI", "GUERRA", "PALMIERI", "BERNARDI",
    "MARTINO", "FIORE", "DE ROSA", "FERRETTI", "BELLINI", "BASILE", "RIVA", "DONATI", "PIRAS", "VITALI",
    "BATTAGLIA", "SARTORI", "NERI", "COSTANTINI", "MILANI", "PAGANO", "RUGGIERO", "SORRENTINO", "D'AMICO",
    "ORLANDO", "DAMICO", "NEGRI"};

const char* kMaleNames[] = {"MARIO", "GIUSEPPE", "LUCA", "MARCO", "ANDREA", "FRANCESCO", "ALESSANDRO", "GIOVANNI",
                            "ROBERTO", "STEFANO", "PAOLO", "ANTONIO", "MATTEO", "DAVIDE", "SIMONE", "FEDERICO",
                            "LORENZO", "RICCARDO", "FABIO", "MASSIMO", "SERGIO", "CLAUDIO", "ENZO", "LUIGI",
                            "NICOLA", "PIETRO", "SALVATORE", "VINCENZO", "TOMMASO", "EMANUELE"};
const char* kFemaleNames[] = {"MARIA", "ANNA", "GIULIA", "FRANCESCA", "SARA", "CHIARA", "LAURA", "ELENA", "PAOLA",
                              "VALENTINA", "SILVIA", "MARTINA", "FEDERICA", "ALESSANDRA", "ROBERTA", "CRISTINA",
                              "MONICA", "BARBARA", "ELISA", "LUCIA", "GIORGIA", "ILARIA", "SIMONA", "DANIELA",
                              "ROSSELLA", "TERESA", "CATERINA", "NICOLETTA", "SERENA", "MARTA"};
const char* kCompanyWords[] = {"EDILIZIA", "TRASPORTI", "COSTRUZIONI", "IMPIANTI", "SERVIZI", "COMMERCIO",
                               "AUTOFFICINA", "MOBILI", "ALIMENTARI", "TESSILE", "IMMOBILIARE", "MECCANICA"};
const char* kStreets[] = {"VIA ROMA", "VIA GARIBALDI", "VIA MAZZINI", "CORSO ITALIA", "VIA VERDI", "VIA DANTE",
                          "VIA MARCONI", "PIAZZA DELLA REPUBBLICA", "VIA CAVOUR", "VIALE EUROPA", "VIA DEI MILLE",
                          "VIA XX SETTEMBRE", "VIA MANZONI", "VIA PETRARCA", "CORSO VITTORIO EMANUELE"};
const char* kProfessions[] = {"IMPIEGATO", "INSEGNANTE", "COMMERCIANTE", "ARTIGIANO", "MEDICO", "AVVOCATO",
                              "PENSIONATO", "INGEGNERE", "OPERAIO", "LIBERO PROFESSIONISTA", "STUDENTE", "INFERMIERE"};

bool isVowel(char c) { return std::strchr("AEIOU", c) != nullptr; }

std::string letters(const std::string& s)
{
    std::string r;
    for (char c : s)
        if (c >= 'A' && c <= 'Z') r += c;
    return r;
}

std::string surnamePart(const std::string& s)
{
    std::string l = letters(s), cons, vow;
    for (char c : l) (isVowel(c) ? vow : cons) += c;
    return (cons + vow + "XXX").substr(0, 3);
}

std::string namePart(const std::string& s)
{
    std::string l = letters(s), cons, vow;
    for (char c : l) (isVowel(c) ? vow : cons) += c;
    if (cons.size() >= 4) return std::string() + cons[0] + cons[2] + cons[3];
    return (cons + vow + "XXX").substr(0, 3);
}

char checkChar(const std::string& code15)
{
    static const int odd[26] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18, 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    int sum = 0;
    for (size_t i = 0; i < 15; ++i) {
        char c = code15[i];
        int v = (c >= '0' && c <= '9') ? c - '0' : c - 'A';
        sum += (i % 2 == 0) ? odd[v] : v;
    }
    return static_cast<char>('A' + sum % 26);
}

std::string taxCode(const std::string& surname, const std::string& name, const Date& birth, bool female,
                    const char* townCode)
{
    static const char months[] = "ABCDEHLMPRST";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%c%02d", birth.year() % 100, months[birth.month() - 1],
                  birth.day() + (female ? 40 : 0));
    std::string code = surnamePart(surname) + namePart(name) + buf + townCode;
    return code + checkChar(code);
}

std::string vatNumber(std::mt19937& rng)
{
    std::string d;
    for (int i = 0; i < 7; ++i) d += static_cast<char>('0' + rng() % 10);
    d += "001"; // office code
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int v = d[static_cast<size_t>(i)] - '0';
        if (i % 2 == 1) {
            v *= 2;
            if (v > 9) v -= 9;
        }
        sum += v;
    }
    d += static_cast<char>('0' + (10 - sum % 10) % 10);
    return d;
}

std::string lowerMail(std::string s)
{
    std::string r;
    for (char c : s) {
        if (c >= 'A' && c <= 'Z') r += static_cast<char>(c + 32);
        else if (c >= 'a' && c <= 'z') r += c;
    }
    return r;
}

std::string phone(std::mt19937& rng, const std::string& prefix)
{
    std::string p = prefix;
    for (int i = 0; i < 7; ++i) p += static_cast<char>('0' + rng() % 10);
    return p;
}

template <typename T, size_t N>
const T& pick(std::mt19937& rng, const T (&a)[N])
{
    return a[rng() % N];
}

void fillClients(Workspace& ws, int count, std::mt19937& rng)
{
    Table& t = ws.open("CLIENTI", "CLIENTI", false);
    t.ordAdd("CLIENTI");
    t.setBulk(true);
    const Date today = Date::today();
    int made = 0, attempts = 0;
    while (made < count && attempts < count * 20) {
        ++attempts;
        const Town& town = pick(rng, kTowns);
        bool company = rng() % 8 == 0;
        std::string surname = pick(rng, kSurnames);
        bool female = rng() % 2 == 0;
        std::string first = female ? pick(rng, kFemaleNames) : pick(rng, kMaleNames);
        std::string name = company ? std::string(pick(rng, kCompanyWords)) + " " + surname + (rng() % 2 ? " S.R.L." : " S.N.C.")
                                   : surname + " " + first;
        std::string key = name;
        key.resize(35, ' ');
        if (t.seek(key)) continue; // one client per name
        t.append();
        t.setText("CLIENTE", name);
        t.setText("INDIRIZZO", std::string(pick(rng, kStreets)) + ", " + std::to_string(1 + rng() % 180));
        t.setText("CAP", town.cap);
        t.setText("CITTA", town.name);
        t.setText("PROVINCIA", town.province);
        if (company) {
            std::string vat = vatNumber(rng);
            t.setText("PARTITAIVA", vat);
            t.setText("CODICEFISC", vat);
            t.setText("TITOLO", "Spett.le");
            t.setText("STATOCIV", "Non dichiarato");
            t.setText("CITTADIN", "ITALIANA");
            t.setText("CODICESDI", "0000000");
            t.setText("E_MAIL", "info@" + lowerMail(surname) + lowerMail(std::string(kCompanyWords[rng() % 12])) + ".it");
            t.setText("PEC", lowerMail(surname) + "@pec.it");
            t.setText("TELUFFICIO", phone(rng, "0"));
        } else {
            Date birth = Date::fromYmd(1940 + static_cast<int>(rng() % 65), 1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
            if (birth > today) birth = birth.addMonths(-12 * 30);
            t.setText("CODICEFISC", taxCode(surname, first, birth, female, town.code));
            t.setText("NOMEPF", first);
            t.setText("TITOLO", female ? "Gent.le Sig.ra" : "Egr. Sig.");
            t.setText("SESSO", female ? "F" : "M");
            t.setDate("DATANASC", birth);
            t.setText("COMUNASC", town.name);
            t.setText("PROVNASC", town.province);
            t.setText("CITTADIN", "ITALIANA");
            t.setText("CELLULARE", phone(rng, "3" + std::to_string(20 + rng() % 70)));
            t.setText("E_MAIL", lowerMail(first) + "." + lowerMail(surname) + std::to_string(rng() % 100) + "@example.it");
            t.setText("PROFESS", pick(rng, kProfessions));
            t.setText("STATOCIV", pick(rng, kCivilStates));
            t.setLogical("FIGLICONV", rng() % 3 == 0);
            t.setLogical("FUMATORE", rng() % 4 == 0);
            t.setText("DOCUMENTO", pick(rng, kDocuments));
            if (rng() % 3) {
                t.setText("CATPATE", "B");
                t.setText("NUMPATE", "U1" + std::to_string(1000000 + rng() % 8999999));
                Date issued = birth.addMonths(12 * 18 + static_cast<int>(rng() % 120));
                t.setDate("RILPATE", issued);
                t.setDate("SCAPATE", today.addMonths(static_cast<int>(rng() % 120)));
            }
        }
        t.setLogical("PERPOSTA", rng() % 5 == 0);
        t.setLogical("CONSENSO", rng() % 10 != 0);
        if (rng() % 6 == 0) t.setMemo("NOTE", "Cliente dal " + std::to_string(2000 + rng() % 25) + ".");
        t.commit();
        t.unlock();
        ++made;
    }
    t.setBulk(false);
    ws.close("CLIENTI");
}

// Branches of the policies, and the keys the commission rates are read by: motor, lorry and
// accident policies have one rate for liability and one for fire and theft.
const char* kBranches[] = {"AUTO", "AUTOCARRI", "INFORTUNI", "INCENDIO", "RC GENERALE", "VITA"};
const char* kRateKeys[] = {"Auto-R.C.",      "Auto-Inc./Furto",      "Autocarri-R.C.", "Autocarri-Inc./Furto",
                           "Infortuni-R.C.", "Infortuni-Inc./Furto", "INCENDIO",       "RC GENERALE",
                           "VITA"};

struct Agreement {
    const char* name;
    const char* legalName;
    const char* town; // one of kTowns
    bool ceased, closesStatements, coverages, bankTransfer, tacitRenewal, ratified;
    int remittanceDay;
};

const Agreement kAgreements[] = {
    {"AURORA ASSICURAZIONI", "AURORA ASSICURAZIONI S.P.A.", "MILANO", false, true, true, true, true, true, 10},
    {"AURORA - SUBAGENZIA BARI", "AURORA ASSICURAZIONI S.P.A.", "BARI", false, true, false, false, true, true, 15},
    {"TIRRENA VITA", "TIRRENA VITA S.P.A.", "GENOVA", false, false, false, true, false, true, 5},
    {"ORIZZONTE BROKER", "ORIZZONTE BROKER S.R.L.", "ROMA", false, true, true, false, true, false, 20},
    {"SICURTA' ADRIATICA", "SICURTA' ADRIATICA S.P.A.", "ANCONA", false, false, false, true, true, true, 25},
    {"PREVIDENZA NORD", "PREVIDENZA NORD S.P.A.", "TORINO", true, false, false, false, false, true, 0},
};

struct Producer {
    const char* surname;
    const char* name;
    bool female, employee, ceased;
    const char* rui;
    const char* role;
    int rate; // default commission, in tenths of a percent
};

const Producer kProducers[] = {
    {"MARTINI", "LUCA", false, true, false, "E000123456", "Addetto collaboratore", 0},
    {"SERRA", "GIULIA", true, false, false, "E000234567", "Addetto fuori locali", 300},
    {"FONTANA", "MARCO", false, false, false, "A000345678", "Responsabile intermediazione", 350},
    {"CARUSO", "ELENA", true, true, false, "NO", "Addetto a titolo accessorio", 0},
    {"GRECO", "PAOLO", false, false, true, "E000456789", "Addetto fuori locali", 250},
};

void fillBranches(Workspace& ws)
{
    Table& t = ws.open("RAMI", "RAMI", false);
    if (t.lastRec() == 0) {
        std::vector<std::string> all(std::begin(kBranches), std::end(kBranches));
        for (const char* k : kRateKeys)
            if (std::find(all.begin(), all.end(), k) == all.end()) all.push_back(k);
        for (const std::string& b : all) {
            t.append();
            t.setText("RAMO", b);
            t.commit();
            t.unlock();
        }
    }
    ws.close("RAMI");
}

const Town& townNamed(const char* name)
{
    for (const Town& t : kTowns)
        if (std::strcmp(t.name, name) == 0) return t;
    return kTowns[0];
}

void fillAgreements(Workspace& ws, std::mt19937& rng)
{
    Table& t = ws.open("COMPAGN", "COMPAGN", false);
    Table& rates = ws.open("PROVVIG", "PROVVIG", false);
    for (const Agreement& a : kAgreements) {
        const Town& town = townNamed(a.town);
        t.append();
        t.setText("COMPAGNIA", a.name);
        t.setText("RAGSOC1", a.legalName);
        t.setText("INDIRIZZO", std::string(pick(rng, kStreets)) + ", " + std::to_string(1 + rng() % 90));
        t.setText("CAP", town.cap);
        t.setText("CITTA", town.name);
        t.setText("PROVINCIA", town.province);
        t.setText("PARTITAIVA", vatNumber(rng));
        t.setText("TELEFONO", phone(rng, "0"));
        t.setText("FAX", phone(rng, "0"));
        std::string mail = lowerMail(a.name);
        t.setText("E_MAIL", "agenzie@" + mail + ".it");
        t.setText("EMAILCOPE", "coperture@" + mail + ".it");
        t.setText("NUMERUI", "A" + std::to_string(100000000 + rng() % 899999999));
        t.setDate("DATARUI", Date::fromYmd(2007 + static_cast<int>(rng() % 15), 1 + static_cast<int>(rng() % 12), 1));
        t.setLogical("NONATTIVO", a.ceased);
        t.setLogical("CHIUSURA", a.closesStatements);
        t.setLogical("COPERTURE", a.coverages);
        t.setLogical("BONIFICO", a.bankTransfer);
        t.setLogical("GIROCONTO", !a.bankTransfer);
        t.setLogical("TACITORIN", a.tacitRenewal);
        t.setLogical("RATIFICATO", a.ratified);
        t.setNumber("GIORNO", Decimal(a.remittanceDay));
        t.setText("CODICE", std::to_string(100 + rng() % 900));
        // Premium financing: three fee bands.
        t.setNumber("FINFINOA", Decimal(1000));
        t.setNumber("FINFISSO", Decimal(10));
        t.setNumber("FINALIQ", *Decimal::parse("2.50"));
        t.setNumber("FINFINO2", Decimal(5000));
        t.setNumber("FINFISS2", Decimal(15));
        t.setNumber("FINALIQ2", *Decimal::parse("3.00"));
        t.setNumber("FINFINO3", Decimal(20000));
        t.setNumber("FINFISS3", Decimal(25));
        t.setNumber("FINALIQ3", *Decimal::parse("3.50"));
        t.commit();
        t.unlock();
        // The agency's commission rates of the agreement by branch.
        for (const char* b : kRateKeys) {
            rates.append();
            rates.setText("TIPO", "C");
            rates.setText("RAGSOC", a.name);
            rates.setText("RAMO", b);
            rates.setNumber("ALIQUOTA", Decimal(static_cast<long long>(8 + rng() % 12)));
            rates.commit();
            rates.unlock();
        }
    }
    ws.close("PROVVIG");
    ws.close("COMPAGN");
}

void fillProducers(Workspace& ws, std::mt19937& rng)
{
    Table& t = ws.open("PRODUTT", "PRODUTT", false);
    Table& rates = ws.open("PROVVIG", "PROVVIG", false);
    for (const Producer& p : kProducers) {
        const Town& town = pick(rng, kTowns);
        const std::string name = std::string(p.surname) + " " + p.name;
        const Date birth = Date::fromYmd(1960 + static_cast<int>(rng() % 35), 1 + static_cast<int>(rng() % 12),
                                         1 + static_cast<int>(rng() % 28));
        t.append();
        t.setText("PRODUTTORE", name);
        t.setText("INDIRIZZO", std::string(pick(rng, kStreets)) + ", " + std::to_string(1 + rng() % 120));
        t.setText("CAP", town.cap);
        t.setText("CITTA", town.name);
        t.setText("PROVINCIA", town.province);
        t.setText("CODICEFISC", taxCode(p.surname, p.name, birth, p.female, town.code));
        t.setText("TITOLO", p.female ? "Gent.le Sig.ra" : "Egr. Sig.");
        t.setText("CELLULARE", phone(rng, "3" + std::to_string(20 + rng() % 70)));
        t.setText("E_MAIL", lowerMail(p.name) + "." + lowerMail(p.surname) + "@example.it");
        t.setText("QUALIFICA", p.role);
        t.setNumber("ALIQPR", Decimal(static_cast<long long>(p.rate)) / Decimal(10));
        t.setText("NUMERUI", p.rui);
        t.setDate("DATARUI", Date::fromYmd(2010 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 12), 1));
        t.setLogical("DIPENDENTE", p.employee);
        t.setLogical("NONATTIVO", p.ceased);
        t.commit();
        t.unlock();
        if (p.employee) continue;
        // The external producers' rates on the motor branch of the active agreements.
        for (const Agreement& a : kAgreements) {
            if (a.ceased) continue;
            rates.append();
            rates.setText("TIPO", "P");
            rates.setText("RAGSOC", name);
            rates.setText("RAPPORTO", a.name);
            rates.setText("RAMO", "Auto-R.C.");
            rates.setNumber("ALIQUOTA", Decimal(static_cast<long long>(2 + rng() % 4)));
            rates.commit();
            rates.unlock();
        }
    }
    ws.close("PROVVIG");
    ws.close("PRODUTT");
}


// Policies of the clients: one to four each, across the branches and the active agreements, with
// the client's producer (given to the client here), some cancelled and some replaced by a newer
// policy. Codes are numbered as the register numbers them; dates lie around 2026.
void fillPolicies(Workspace& ws, std::mt19937& rng)
{
    const char* fractions[] = {"ANNUALE", "ANNUALE", "ANNUALE", "SEMESTRALE", "SEMESTRALE", "TRIMESTRALE",
                               "MENSILE", "QUADRIMESTRALE", "BIMESTRALE", "PREMIO UNICO"};
    const char* payments[] = {"Bonifico", "RID", "In ufficio", "Carta credito", "Presso cliente", "Sospeso"};
    const char* documents[] = {"Completa", "ORIGINALE DI POLIZZA", "PRECONTRATTUALE", "Attestato rischio"};
    std::vector<const Agreement*> agreements;
    for (const Agreement& a : kAgreements)
        if (!a.ceased) agreements.push_back(&a);
    std::vector<std::string> producers;
    for (const Producer& p : kProducers)
        if (!p.ceased) producers.push_back(std::string(p.surname) + " " + p.name);

    Table& clients = ws.open("CLIENTI", "CLIENTI", false);
    Table& t = ws.open("POLIZZE", "POLIZZE", false);
    t.setBulk(true);
    clients.setBulk(true);
    long long code = 0;
    int serial = 0;
    auto add = [&](const std::string& insured, const std::string& producer, const Agreement& a, const char* branch,
                   Date effect, const std::string& number) {
        const char* fraction = pick(rng, fractions);
        const int months = std::strcmp(fraction, "PREMIO UNICO") == 0 ? 12 : 12 / RATE(fraction);
        // Paid up to some instalment of the current year.
        Date coverage = effect;
        const Date expiry = effect.addMonths(12);
        for (int k = static_cast<int>(rng() % 3); k > 0 && coverage.addMonths(months) <= expiry; --k)
            coverage = coverage.addMonths(months);
        const Decimal annual(static_cast<long long>(150 + rng() % 1800));
        const Decimal premium = annual / Decimal(RATE(fraction));
        char codeText[16];
        std::snprintf(codeText, sizeof codeText, "%10lld", ++code);
        t.append();
        t.setRaw("CODICE", codeText);
        t.setText("ASSICURATO", insured);
        t.setText("COMPAGNIA", a.name);
        t.setText("RAPPORTO", a.name);
        t.setText("POLIZZA", number);
        t.setText("RAMO", branch);
        if (std::strncmp(branch, "AUTO", 4) == 0) t.setText("INTESTPRA", insured);
        t.setText("FRAZIONAM", fraction);
        t.setText("PRODUTTORE", producer);
        t.setText("PAGAMENTO", pick(rng, payments));
        t.setText("DOCUMENTO", pick(rng, documents));
        t.setDate("EFFETTO", effect);
        t.setText("ORAEFF", "00:00");
        t.setDate("SCADENZA", expiry);
        t.setDate("COPERTURA", coverage);
        if (coverage > effect) t.setDate("INCASSO", coverage.addMonths(-months));
        t.setNumber("IMPORTO", premium.round(2));
        t.setNumber("PROVVAGEN", (premium * Decimal(12) / Decimal(100)).round(2));
        t.setNumber("PROVVPROD", (premium * Decimal(4) / Decimal(100)).round(2));
        t.setLogical("TACITORIN", a.tacitRenewal);
        t.setLogical("GENEINC", rng() % 3 == 0);
        t.setLogical("AVVISO", rng() % 2 == 0);
        t.setDate("DATAINS", effect.addDays(-static_cast<int>(rng() % 20)));
        t.commit();
        t.unlock();
        return t.recno();
    };
    for (clients.goTop(); !clients.eof(); clients.skip()) {
        const std::string insured = clients.text("CLIENTE");
        const std::string producer = producers[rng() % producers.size()];
        clients.lock(true);
        clients.setText("SUBAGENTE", producer);
        clients.commit();
        clients.unlock();
        const int count = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < count; ++i) {
            const Agreement& a = *agreements[rng() % agreements.size()];
            const char* branch = std::strcmp(a.name, "TIRRENA VITA") == 0 ? "VITA" : pick(rng, kBranches);
            const Date effect = Date::fromYmd(2025 + static_cast<int>(rng() % 2), 1 + static_cast<int>(rng() % 12),
                                              1 + static_cast<int>(rng() % 28));
            std::string prefix;
            for (const char* c = a.name; *c && prefix.size() < 2; ++c)
                if (*c >= 'A' && *c <= 'Z') prefix += *c;
            const std::string number = prefix + "-" + std::to_string(effect.year()) + "-" + std::to_string(100000 + ++serial);
            const uint32_t recno = add(insured, producer, a, branch, effect, number);
            const unsigned fate = rng() % 20;
            if (fate == 0) {
                // Cancelled by the client.
                t.goTo(recno);
                t.lock(true);
                t.setLogical("DISDETTA", true);
                t.setLogical("DISDCLI", rng() % 2 == 0);
                t.commit();
                t.unlock();
            } else if (fate == 1) {
                // Replaced by a policy that starts where the old one was covered to.
                t.goTo(recno);
                const Date from = t.date("COPERTURA");
                const std::string renewed = number + "/S";
                t.goTo(add(insured, producer, a, branch, from, renewed));
                t.lock(true);
                t.setText("SOSTPOL", number);
                t.setText("PROVENIEN", a.name);
                t.commit();
                t.unlock();
                t.goTo(recno);
                t.lock(true);
                t.setText("SOSTDA", renewed);
                t.setLogical("DISDETTA", true);
                t.commit();
                t.unlock();
            }
        }
    }
    t.setBulk(false);
    clients.setBulk(false);
    ws.close("POLIZZE");
    ws.close("CLIENTI");
}

// The VALUES missing from a lookup table, looked up in TAG (keys WIDTH characters wide) and
// appended in FIELD.
void addMissing(Workspace& ws, const char* table, FieldName field, TagName tag, size_t width,
                std::initializer_list<const char*> values)
{
    Table& t = ws.open(table, table, false);
    t.ordAdd(tag);
    for (const char* v : values) {
        std::string key = utf8ToCp1252(v);
        key.resize(width, ' ');
        if (t.seek(key)) continue;
        t.append();
        t.setText(field, v);
        t.commit();
        t.unlock();
    }
    ws.close(table);
}

// A year of company movements for the policies the folder holds: the collections that brought
// each policy to its coverage date (due dates one instalment apart, collected a few days before),
// and each month's remittance to every agreement of the collections of the month before, which
// registers them. The movement descriptions and some agency rates are added when missing.
void fillMovements(Workspace& ws, std::mt19937& rng)
{
    addMissing(ws, "DESMVCOM", "DESCRIZ", "DESMVCOM", 25, {"Incasso", "Incasso diretto", "Incasso provvisorio", "Rimessa"});
    {
        Table& rates = ws.open("PROVVIG", "PROVVIG", false);
        if (rates.lastRec() == 0) {
            for (const Agreement& a : kAgreements)
                for (const char* b : kRateKeys) {
                    rates.append();
                    rates.setText("TIPO", "C");
                    rates.setText("RAGSOC", a.name);
                    rates.setText("RAMO", b);
                    rates.setNumber("ALIQUOTA", Decimal(static_cast<long long>(8 + rng() % 12)));
                    rates.commit();
                    rates.unlock();
                }
        }
        ws.close("PROVVIG");
    }

    struct Collection {
        Date date, due;
        std::string number, company, agreement, branch, insured, producer, convention, account;
        Decimal amount, fee, agency, producerCommission;
    };
    const Date today = Date::today();
    const Date yearAgo = today.addMonths(-12);
    const std::vector<std::string> accounts = {"Cassa entrate", "Sospesi da clienti", "Sospesi clienti (Bonifico)",
                                               "Sospesi POS bancomat", "Banca 1 entrate", "Assegni e bonifici banca 1"};
    std::vector<Collection> collections;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        for (p.goTop(); !p.eof(); p.skip(1)) {
            if (!p.text("SOSTDA").empty() || p.text("POLIZZA").empty()) continue;
            const std::string fraction = p.text("FRAZIONAM");
            Date due = p.date("COPERTURA");
            if (!due || RATE(fraction) < 1) continue;
            // The instalments paid over the last year, from the latest back.
            for (int k = 0; k < RATE(fraction); ++k) {
                due = SOTTRAIFRAZ(due, fraction);
                if (!due || due < yearAgo) break;
                const Date paid = due.addDays(-static_cast<int64_t>(rng() % 10));
                if (paid > today) continue;
                Collection c;
                c.date = paid;
                c.due = due;
                c.number = p.text("POLIZZA");
                c.company = p.text("COMPAGNIA");
                c.agreement = p.text("RAPPORTO");
                c.branch = p.text("RAMO");
                c.insured = p.text("ASSICURATO");
                c.producer = p.text("PRODUTTORE");
                c.convention = p.text("CONVENZIO");
                c.account = accounts[rng() % accounts.size()];
                c.amount = p.number("IMPORTO");
                c.fee = p.number("COMMISS");
                c.agency = p.number("PROVVAGEN");
                c.producerCommission = p.number("PROVVPROD");
                collections.push_back(c);
            }
        }
        ws.close("POLIZZE");
    }
    std::sort(collections.begin(), collections.end(), [](const Collection& a, const Collection& b) { return a.date < b.date; });

    Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
    m.setBulk(true);
    // The month of a date as a number, to tell remittance periods apart.
    auto month = [](Date d) { return d.year() * 12 + d.month() - 1; };
    for (const Collection& c : collections) {
        m.appendWithCode();
        m.setDate("DATA", c.date);
        m.setText("POLIZZA", c.number);
        m.setText("COMPAGNIA", c.company);
        m.setText("RAPPORTO", c.agreement);
        m.setText("RAMO", c.branch);
        m.setText("ASSICURATO", c.insured);
        m.setText("PRODUTTORE", c.producer);
        m.setText("CONVENZIO", c.convention);
        m.setDate("SCADENZA", c.due);
        m.setText("TIPO", "Quietanza");
        m.setText("DESCRIZIO", "Incasso");
        m.setNumber("IMPORTO", c.amount);
        m.setNumber("COMMISS", c.fee);
        m.setDate("INCASSO", c.date);
        m.setNumber("PROVVAGEN", c.agency);
        m.setNumber("PROVVPROD", c.producerCommission);
        m.setText("CONTO", c.account);
        if (c.account.rfind("Sospesi POS", 0) == 0) m.setText("PAGAMENTO", "POS " + c.account.substr(12));
        // Motor collections carry the liability and damage parts of the premium.
        if (c.branch.rfind("AUTO", 0) == 0) {
            const Decimal liability = (c.amount * Decimal(7) / Decimal(10)).round(2);
            m.setNumber("RCAUTO", liability);
            m.setNumber("ARD", c.amount - liability);
        }
        if (month(c.date) < month(today)) m.setDate("CORRISP", Date::fromYmd(c.date.year(), c.date.month(), 1).addMonths(1).addDays(4));
        m.commit();
        m.unlock();
    }
    // The remittances: on the 5th of each month, per agreement, for the month before.
    for (int k = 11; k >= 0; --k) {
        const Date first = Date::fromYmd(today.year(), today.month(), 1).addMonths(-k);
        const Date day = first.addDays(4);
        if (day > today) continue;
        const Date periodEnd = first.addDays(-1);
        for (const Agreement& a : kAgreements) {
            Decimal premiums, commissions;
            for (const Collection& c : collections)
                if (c.agreement == a.name && month(c.date) == month(periodEnd)) {
                    premiums += c.amount;
                    commissions += c.agency;
                }
            if (premiums.isZero()) continue;
            m.appendWithCode();
            m.setDate("DATA", day);
            m.setText("COMPAGNIA", a.name);
            m.setText("RAPPORTO", a.name);
            m.setText("TIPO", "");
            m.setText("DESCRIZIO", "Rimessa");
            m.setNumber("IMPORTO", premiums - commissions);
            m.setDate("INCASSO", day);
            m.setDate("CORRISP", day);
            m.setText("CONTO", "Banca 1 uscite");
            m.setDate("FINEPER", periodEnd);
            m.commit();
            m.unlock();
        }
    }
    m.setBulk(false);
    ws.close("MOVICOMP");
}


// The cash collected as suspended ("Sospesi da clienti") over the last two months is mostly returned
// to the cash a few days later, as "Rientro" does (RIENTRO and CONTO): the prima nota shows it on
// its return day. The last three days and the older items stay suspended.
void fillReturns(Workspace& ws)
{
    std::mt19937 rng(20261211u);
    const Date today = Date::today();
    Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
    m.setBulk(true);
    for (m.goTop(); !m.eof(); m.skip(1)) {
        const Date date = m.date("DATA");
        if (m.text("CONTO") != "Sospesi da clienti" || m.date("RIENTRO") || !date || !(date < today.addDays(-3)) ||
            date < today.addDays(-60))
            continue;
        if (rng() % 5 == 0) continue;
        Date back = date.addDays(1 + static_cast<int64_t>(rng() % 6));
        if (today < back) back = today;
        m.lock(true);
        m.setDate("RIENTRO", back);
        m.setText("CONTO", "Cassa entrate");
        m.commit();
        m.unlock();
    }
    m.setBulk(false);
    ws.close("MOVICOMP");
}

// ---- policy detail sheets

// The sheet table of a branch: motor, elementary branches or life by its first letters.
const char* sheetTableOf(std::string branch)
{
    for (char& c : branch) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const size_t b = branch.find_first_not_of(' ');
    if (b == std::string::npos) return nullptr;
    branch.erase(0, b);
    if (branch.rfind("AUTO", 0) == 0) return "DATIAUTO";
    if (branch.rfind("ELEM", 0) == 0) return "RAMIELEM";
    if (branch.rfind("VITA", 0) == 0) return "VITA";
    return nullptr;
}

struct Vehicle {
    const char* kind;
    const char* make;
    const char* model;
    int hp, cc, kw, doors;
    const char* fuel;
};
const Vehicle kVehicles[] = {
    {"Autovettura", "FIAT", "PANDA 1.2 EASY", 69, 1242, 51, 5, "Benzina"},
    {"Autovettura", "FIAT", "TIPO 1.6 MULTIJET", 120, 1598, 88, 5, "Gasolio"},
    {"Autovettura", "VOLKSWAGEN", "GOLF 2.0 TDI", 150, 1968, 110, 5, "Gasolio"},
    {"Autovettura", "RENAULT", "CLIO 1.0 TCE", 90, 999, 67, 5, "Benzina"},
    {"Autovettura", "TOYOTA", "YARIS 1.5 HYBRID", 116, 1490, 85, 5, "Benzina"},
    {"Autovettura", "ALFA ROMEO", "GIULIETTA 1.6 JTDM", 120, 1598, 88, 5, "Gasolio"},
    {"Autovettura", "TESLA", "MODEL 3", 0, 0, 208, 4, "Elettrica"},
    {"Motoveicolo", "HONDA", "SH 125", 13, 125, 9, 0, "Benzina"},
    {"Motoveicolo", "DUCATI", "MONSTER 937", 111, 937, 82, 0, "Benzina"},
    {"Autocarro", "IVECO", "DAILY 35C14", 136, 2287, 100, 4, "Gasolio"},
};
const char* const kLimits[] = {"7.750.000,00", "10.000.000,00", "15.000.000,00", "25.000.000,00", "50.000.000,00"};
const char* const kUses[] = {"Privato", "Privato", "Promiscuo"};
const char* const kPurposes[] = {"Casa - Lavoro", "Diporto - Turismo", "Tempo libero", "Affari"};
const char* const kGarages[] = {"Box privato", "Garage", "In strada", "Proprietà privata"};
const char* const kAlarms[] = {"", "Allarme", "Immobilizer/elettronico", "Satellitare"};
const FieldName kMotorCovers[] = {"INFORTUNI", "CRISTALLI", "KASKO",  "INCENFURT", "ATTIVAND",
                                    "TUTLEG",    "ASSIST",    "RITPAT", "BONUSPRO",  "ANIMSELV"};

std::string plate(std::mt19937& rng)
{
    const char* letters = "ABCDEFGHJKLMNPRSTVWXYZ";
    std::string p;
    for (int i = 0; i < 2; ++i) p += letters[rng() % 22];
    for (int i = 0; i < 3; ++i) p += static_cast<char>('0' + rng() % 10);
    for (int i = 0; i < 2; ++i) p += letters[rng() % 22];
    return p;
}

// Copies fields of the client's record into the sheet's: pairs of the sheet's field and the
// client's (texts cut to the sheet's width).
struct FieldPair {
    FieldName to, from;
};
void fromClient(Table& sheet, const Table& client, std::initializer_list<FieldPair> fields)
{
    for (const auto& [to, from] : fields) sheet.setRaw(to, client.raw(from));
}

// The personal data of the motor sheet's holder (SUFFIX "PRA") or driver ("CON") from the client.
void personFromClient(Table& sheet, const std::string& suffix, const Table& client)
{
    struct StemPair {
        const char* stem;
        FieldName from;
    };
    const StemPair fields[] = {
        {"IND", "INDIRIZZO"}, {"CAP", "CAP"},      {"CIT", "CITTA"},    {"PRO", "PROVINCIA"}, {"CDF", "CODICEFISC"},
        {"IVA", "PARTITAIVA"}, {"SCV", "STATOCIV"}, {"SES", "SESSO"},    {"DTN", "DATANASC"},  {"CMN", "COMUNASC"},
        {"PRN", "PROVNASC"},  {"CTD", "CITTADIN"}, {"PRF", "PROFESS"},
    };
    for (const auto& [stem, from] : fields) sheet.setRaw(FieldName::runtime(stem + suffix), client.raw(from));
}

// Gives each policy of a motor, elementary or life branch its sheet (policies that have one
// already are left alone).
void fillSheets(Workspace& ws, std::mt19937& rng)
{
    std::vector<std::string> guarantees;
    {
        Table& g = ws.open("GARANZIE", "GARANZIE", false);
        for (g.goTop(); !g.eof(); g.skip(1)) guarantees.push_back(g.text("GARANZIA"));
        ws.close("GARANZIE");
    }
    if (guarantees.empty()) guarantees = {"INCENDIO", "FURTO", "RESPONSABILITA' CIVILE", "CRISTALLI", "INFORTUNI"};
    const std::vector<std::string> lifeCovers = {"CASO MORTE", "CASO VITA", "INVALIDITA' PERMANENTE"};

    struct Policy {
        std::string code, branch, insured;
        Date effect;
    };
    std::vector<Policy> policies;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        for (p.goTop(); !p.eof(); p.skip(1))
            if (sheetTableOf(p.text("RAMO")))
                policies.push_back({p.raw("CODICE"), p.text("RAMO"), p.text("ASSICURATO"), p.date("EFFETTO")});
        ws.close("POLIZZE");
    }
    if (policies.empty()) return;
    Table& clients = ws.open("CLIENTI", "CLIENTI", false);
    clients.ordAdd("CLIENTI");
    for (const char* name : {"DATIAUTO", "RAMIELEM", "VITA"}) {
        Table& t = ws.open(name, name, false);
        t.ordAdd(TagName::runtime(name)); // the sheet's own tag
    }
    auto findClient = [&](const std::string& name) { return clients.seek(store::indexKey(name, 35, true)); };
    for (const Policy& p : policies) {
        const char* table = sheetTableOf(p.branch);
        Table& t = ws[table];
        if (t.seek(p.code)) continue;
        t.append();
        t.setRaw("POLIZZA", p.code);
        const std::string which = table;
        if (which == "DATIAUTO") {
            const Vehicle& v = pick(rng, kVehicles);
            t.setText("VEICOLO", v.kind);
            t.setText("MARCA", v.make);
            t.setText("MODELLO", v.model);
            t.setText("TARGA", plate(rng));
            std::string frame = "ZFA";
            for (int i = 0; i < 14; ++i) frame += static_cast<char>('0' + rng() % 10);
            t.setText("TELAIO", frame);
            const Date effect = p.effect ? p.effect : Date::today();
            const Date registered = effect.addDays(-static_cast<int>(rng() % 3650));
            t.setDate("IMMATRIC", registered);
            t.setDate("ACQUISTO", registered.addDays(static_cast<int>(rng() % 400)));
            t.setText("CLASSE", std::to_string(1 + rng() % 18));
            t.setNumber("CAVALLI", Decimal(v.hp));
            t.setNumber("CILINDRATA", Decimal(v.cc));
            t.setNumber("KILOWATT", Decimal(v.kw));
            t.setNumber("PORTE", Decimal(v.doors));
            t.setNumber("VALORE", Decimal(static_cast<int>(3000 + rng() % 40000)));
            t.setText("MASSIMALI", pick(rng, kLimits));
            t.setText("ALIMENTAZ", v.fuel);
            t.setText("USO1", pick(rng, kUses));
            t.setText("USO2", pick(rng, kPurposes));
            t.setText("RIMESSA", pick(rng, kGarages));
            t.setText("ANTIFURTO", pick(rng, kAlarms));
            t.setNumber("KMANNUI", Decimal(static_cast<int>(5000 + (rng() % 25) * 1000)));
            t.setLogical("CARTAVERDE", rng() % 2 == 0);
            for (FieldName cover : kMotorCovers) t.setLogical(cover, rng() % 3 == 0);
            if (findClient(p.insured)) {
                // The holder is the insured; some drive alone.
                personFromClient(t, "PRA", clients);
                fromClient(t, clients, {{"CELPRA", "CELLULARE"}, {"EMAPRA", "E_MAIL"}});
                if (rng() % 4 == 0 && !clients.text("CODICEFISC").empty()) {
                    t.setLogical("GDXCON", true);
                    personFromClient(t, "CON", clients);
                    fromClient(t, clients, {{"CONDUCENTE", "CLIENTE"}});
                }
            }
        } else if (which == "RAMIELEM") {
            const FieldName mass[] = {"MASSIMAL1", "MASSIMAL2", "MASSIMAL3"};
            const FieldName gar[] = {"GARANZIA1", "GARANZIA2", "GARANZIA3"};
            const int rows = 1 + static_cast<int>(rng() % 3);
            for (int i = 0; i < rows; ++i) {
                t.setText(gar[i], guarantees[(rng() % guarantees.size())]);
                t.setNumber(mass[i], Decimal(static_cast<int>((1 + rng() % 50) * 10000)));
            }
            t.setNumber("SCOPERTO", Decimal(static_cast<int>((rng() % 3) * 10)));
            t.setNumber("MINIMO", Decimal(static_cast<int>((rng() % 5) * 250)));
            t.setNumber("FRANCHIGIA", Decimal(static_cast<int>((rng() % 4) * 100)));
            t.setLogical("INDICIZZ", rng() % 2 == 0);
        } else {
            t.setText("ASSICURATO", p.insured);
            if (findClient(p.insured))
                fromClient(t, clients, {{"CODICEFISC", "CODICEFISC"}, {"SESSO", "SESSO"}, {"DATANASC", "DATANASC"},
                                        {"COMUNASC", "COMUNASC"}, {"PROVNASC", "PROVNASC"}, {"DOCUMENTO", "DOCUMENTO"},
                                        {"FUMATORE", "FUMATORE"}, {"PROFESS", "PROFESS"}});
            t.setMemo("BENEFIC", "Eredi legittimi");
            t.setText("TARIFFE", "T" + std::to_string(100 + rng() % 900));
            t.setText("GARANZIA1", lifeCovers[rng() % lifeCovers.size()]);
            t.setNumber("MASSIMAL1", Decimal(static_cast<int>((5 + rng() % 46) * 10000)));
        }
        t.commit();
        t.unlock();
    }
    for (const char* name : {"DATIAUTO", "RAMIELEM", "VITA"}) ws.close(name);
    ws.close("CLIENTI");
}

// The pre-contractual side: the handlers' contact data, a consultancy fee on the policies of the
// clients with a VAT number, the withholding rate in ARV.INI, and questionnaires of the three
// kinds on live policies of those clients, filled from each policy as the form fills them.
void fillQuestionnaires(Workspace& ws, std::mt19937& rng)
{
    {
        Table& t = ws.open("PRODUTT", "PRODUTT", true);
        for (t.goTop(); !t.eof(); t.skip()) {
            std::string site = lowerMail(t.text("PRODUTTORE"));
            site.erase(std::remove(site.begin(), site.end(), ' '), site.end());
            t.lock(true);
            t.setText("TELUFFICIO", phone(rng, "0"));
            t.setText("PEC", site + "@pec.it");
            t.setText("SITOWEB", "www." + site + ".it");
            t.commit();
            t.unlock();
        }
        ws.close("PRODUTT");
    }
    IniFile ini((fs::path(ws.folder()) / "ARV.INI").string());
    if (!ini.has("Emissione fatture", "Aliquota RA")) ini.set("Emissione fatture", "Aliquota RA", "11.5");

    struct Candidate {
        std::string number, branch;
    };
    std::vector<Candidate> motor, others;
    {
        Table& clients = ws.open("CLIENTI", "CLIENTI", true);
        clients.ordAdd("CLIENTI");
        Table& p = ws.open("POLIZZE", "POLIZZE", true);
        for (p.goTop(); !p.eof(); p.skip()) {
            if (!clients.seek(store::indexKey(p.text("ASSICURATO"), 35, true)) || clients.text("PARTITAIVA").empty())
                continue;
            p.lock(true);
            p.setNumber("COMMISS", Decimal(static_cast<long long>(50 + 10 * (rng() % 16))));
            if (rng() % 2) p.setNumber("SPESE", Decimal(10));
            p.commit();
            p.unlock();
            if (p.logical("DISDETTA") || !p.text("SOSTDA").empty()) continue;
            const std::string branch = p.text("RAMO");
            if (branch.rfind("AUTO", 0) == 0) motor.push_back({p.text("POLIZZA"), branch});
            else if (branch != "VITA") others.push_back({p.text("POLIZZA"), branch});
        }
        ws.close("POLIZZE");
        ws.close("CLIENTI");
    }
    // The first two motor policies were sold by telephone.
    std::vector<std::pair<std::string, std::string>> chosen; // number, type
    for (size_t i = 0; i < motor.size() && i < 5; ++i) chosen.emplace_back(motor[i].number, i < 2 ? "T" : "R");
    for (size_t i = 0; i < others.size() && i < 3; ++i) chosen.emplace_back(others[i].number, "A");
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", true);
        p.ordAdd("NUMPOL");
        for (const auto& [number, type] : chosen)
            if (type == "T" && p.seek(store::indexKey(number, 25))) {
                p.lock(true);
                p.setLogical("TELEFONICA", true);
                p.commit();
                p.unlock();
            }
        ws.close("POLIZZE");
    }
    std::vector<std::string> handlers;
    for (const Producer& p : kProducers)
        if (!p.ceased && p.rui[0] != 'N') handlers.push_back(std::string(p.surname) + " " + p.name);
    const Decimal rate = sales::withholdingRate(ws.folder());
    Table& q = ws.open("QUESTADE", "QUESTADE", true);
    q.ordAdd("QUESTADE");
    int day = static_cast<int>(chosen.size());
    for (const auto& [number, type] : chosen) {
        EditValues v = sales::newValues(type, Date::today().addDays(-7 * day--));
        v.set("POLIZZA", number);
        sales::loadFromPolicy(ws, v, rate);
        if (v.get("PROFESS").empty()) v.set("PROFESS", "Imprenditore");
        v.set("ADDETTO", handlers[rng() % handlers.size()]);
        v.set("INTERNO", "CARUSO ELENA");
        v.set("TITOLARE", rng() % 4 == 0 ? "T" : "F");
        if (type == "A") {
            std::string branch;
            for (const Candidate& c : others)
                if (c.number == number) branch = c.branch;
            v.set("TIPOCOPE", branch == "INFORTUNI"     ? "Infortuni"
                              : branch == "RC GENERALE" ? "Responsabilità civile generale"
                                                        : "Incendio e altri danni ai beni");
            v.set("ESIGENZA", "Personali esigenze di copertura del rischio");
        }
        const records::SaveResult saved = records::saveRecord(sales::formOf(type), ws, true, v, v);
        if (!saved) std::fprintf(stderr, "questionario %s non salvato: %s\n", number.c_str(), saved.message.c_str());
    }
    ws.close("QUESTADE");
}

// ---- claims

// Three years of claims on the folder's policies, with their claim types, the number series of
// the companies, the elementary branches the statistics report on, earlier years' collections
// for them and one "Sinistri" entry of the settings. A generator of its own keeps the data of the
// other tables as they were.
void fillClaims(Workspace& ws, const std::string& folder)
{
    std::mt19937 rng(20261208u);
    const Date today = Date::today();
    addMissing(ws, "TIPISIN", "TIPO", "TIPISIN", 20,
               {"FURTO TOTALE", "FURTO PARZIALE", "TAMPONAMENTO", "COLLISIONE", "CRISTALLI", "INCENDIO", "ALLAGAMENTO",
                "INFORTUNIO", "MALATTIA"});
    addMissing(ws, "RAMI", "RAMO", "RAMI", 20, {"ELEMENTARE-INF", "ELEMENTARE-MALATTIA"});

    // Elementary policies for one client in ten, with the collections of the last three years.
    struct Motor {
        std::string number, insured, company, producer, branch, fraction;
        Date due;
        Decimal premium;
    };
    std::vector<Motor> insured;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        std::vector<Motor> base;
        for (p.goTop(); !p.eof(); p.skip(1))
            if (p.text("SOSTDA").empty() && !p.logical("DISDETTA") && p.text("RAMO").rfind("VITA", 0) != 0)
                base.push_back({p.text("POLIZZA"), p.text("ASSICURATO"), p.text("COMPAGNIA"), p.text("PRODUTTORE"),
                                p.text("RAMO"), p.text("FRAZIONAM"), p.date("EFFETTO"), p.number("IMPORTO")});
        int serial = 0;
        for (size_t i = 0; i < base.size(); i += 10) {
            Motor m = base[i];
            m.branch = i % 20 == 0 ? "ELEMENTARE-INF" : "ELEMENTARE-MALATTIA";
            m.number = "EL-" + std::to_string(today.year() - 2) + "-" + std::to_string(700000 + ++serial);
            m.fraction = "ANNUALE";
            m.due = Date::fromYmd(today.year() - 2, 1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
            m.premium = Decimal(static_cast<long long>(200 + rng() % 900));
            p.appendWithCode();
            p.setText("ASSICURATO", m.insured);
            p.setText("COMPAGNIA", m.company);
            p.setText("RAPPORTO", m.company);
            p.setText("POLIZZA", m.number);
            p.setText("RAMO", m.branch);
            p.setText("FRAZIONAM", m.fraction);
            p.setText("PRODUTTORE", m.producer);
            p.setText("PAGAMENTO", "Bonifico");
            p.setDate("EFFETTO", m.due);
            p.setText("ORAEFF", "00:00");
            Date expiry = m.due;
            while (expiry <= today) expiry = expiry.addMonths(12);
            p.setDate("SCADENZA", expiry);
            p.setDate("COPERTURA", expiry);
            p.setDate("INCASSO", expiry.addMonths(-12));
            p.setNumber("IMPORTO", m.premium);
            p.setDate("DATAINS", m.due);
            p.commit();
            p.unlock();
            insured.push_back(m);
        }
        // Motor policies get the collections of the two years before the last.
        for (size_t i = 0; i < base.size(); ++i)
            if (base[i].branch.rfind("AUTO", 0) == 0) {
                Motor m = base[i];
                m.fraction = "ANNUALE";
                m.due = Date::fromYmd(today.year() - 2, base[i].due ? base[i].due.month() : 1, 1);
                insured.push_back(m);
            }
        ws.close("POLIZZE");
    }
    {
        Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
        m.setBulk(true);
        for (const Motor& p : insured)
            for (Date due = p.due; due < today.addMonths(-12) || (p.branch.rfind("ELEM", 0) == 0 && due <= today);
                 due = due.addMonths(12)) {
                m.appendWithCode();
                m.setDate("DATA", due);
                m.setText("POLIZZA", p.number);
                m.setText("COMPAGNIA", p.company);
                m.setText("RAPPORTO", p.company);
                m.setText("RAMO", p.branch);
                m.setText("ASSICURATO", p.insured);
                m.setText("PRODUTTORE", p.producer);
                m.setDate("SCADENZA", due);
                m.setText("TIPO", "Quietanza");
                m.setText("DESCRIZIO", "Incasso");
                m.setNumber("IMPORTO", p.premium);
                m.setDate("INCASSO", due);
                m.setText("CONTO", "Banca 1 entrate");
                m.commit();
                m.unlock();
            }
        m.setBulk(false);
        ws.close("MOVICOMP");
    }

    // The number series: a block per company, one number cancelled.
    for (const Agreement& a : kAgreements) {
        if (a.ceased || std::strcmp(a.name, "TIRRENA VITA") == 0) continue;
        const long long base = 10000 + static_cast<long long>(rng() % 80) * 1000;
        claims::generateNumbers(ws, a.name, std::to_string(base), std::to_string(base + 79));
        Table& s = ws.open("NUMESINI", "NUMESINI", false);
        s.ordAdd("NUMESINI");
        std::string key = utf8ToCp1252(a.name);
        key.resize(35, ' ');
        std::string number = std::to_string(base + 40);
        number.resize(20, ' ');
        if (s.seek(key + number)) {
            s.lock(true);
            s.setLogical("ANNULLATO", true);
            s.commit();
            s.unlock();
        }
        ws.close("NUMESINI");
    }

    // The claims, oldest first: paid and closed ones, some left out of the statistics, a client
    // with three claims within the year and one total theft.
    struct Planned {
        Date opened;
        std::string number, type;
        bool observed = false;
    };
    std::vector<Planned> planned;
    std::vector<std::string> numbers;
    std::vector<std::string> motor;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        for (p.goTop(); !p.eof(); p.skip(1))
            if (p.text("SOSTDA").empty() && !p.logical("DISDETTA") && p.text("RAMO").rfind("VITA", 0) != 0) {
                numbers.push_back(p.text("POLIZZA"));
                if (p.text("RAMO") == "AUTO") motor.push_back(p.text("POLIZZA"));
            }
        ws.close("POLIZZE");
    }
    const char* types[] = {"TAMPONAMENTO", "COLLISIONE", "CRISTALLI", "FURTO PARZIALE", "INCENDIO", "ALLAGAMENTO"};
    for (size_t i = 0; i < numbers.size(); i += 9)
        planned.push_back({today.addDays(-static_cast<int64_t>(rng() % 1000)), numbers[i], pick(rng, types)});
    if (motor.size() > 3) {
        for (int k : {40, 120, 250}) planned.push_back({today.addDays(-k), motor[1], "TAMPONAMENTO", true});
        planned.push_back({today.addDays(-20), motor[2], "FURTO TOTALE"});
    }
    std::sort(planned.begin(), planned.end(), [](const Planned& a, const Planned& b) { return a.opened < b.opened; });
    Table& t = ws.open("SINISTRI", "SINISTRI", true);
    t.ordAdd("SINISTRI");
    const char* places[] = {"VIA ROMA", "CORSO ITALIA", "PIAZZA GARIBALDI", "VIALE EUROPA", "VIA DANTE"};
    size_t n = 0;
    for (const Planned& c : planned) {
        records::EditValues v = claims::newClaimValues(ws, c.opened, c.number);
        v.set("DATA", c.opened.addDays(-static_cast<int64_t>(1 + rng() % 10)).toDisplay());
        v.set("ANNO", std::to_string(c.opened.year()));
        v.set("TIPO", c.type);
        v.set("NUMERO", claims::nextFreeNumber(ws, v.get("COMPAGNIA")));
        v.set("CONTROP", ++n % 3 ? "" : "BIANCHI CARLO");
        v.set("LUOGOAVV", pick(rng, places));
        v.set("CONSEGNA", c.opened.addDays(2).toDisplay());
        if (!c.observed && c.opened < today.addMonths(-3) && rng() % 3) {
            v.set("CHIUSO", "T");
            v.set("CHIUSURA", c.opened.addMonths(2).toDisplay());
            v.set("IMPORTO", std::to_string(300 + rng() % 6000) + ",00");
        }
        v.set("NOREPORT", rng() % 12 == 0 ? "T" : "F");
        claims::saveClaim(ws, t, true, records::EditValues(claims::claimFields()), v, {});
    }
    ws.close("SINISTRI");

    // A client's claims of a year kept outside the register.
    if (motor.size() > 4) {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        p.ordAdd("NUMPOL");
        std::string key = utf8ToCp1252(motor[3]);
        key.resize(25, ' ');
        if (p.seek(key))
            IniFile((fs::path(folder) / "ARV.INI").string())
                .set("Sinistri", std::to_string(today.year() - 3) + " " + p.text("ASSICURATO"), "2");
        ws.close("POLIZZE");
    }
}

// ---- the agency's books

// A lookup table filled with TEXTS in FIELD when it is empty.
void fillLookup(Workspace& ws, const char* table, FieldName field, std::initializer_list<const char*> texts)
{
    Table& t = ws.open(table, table, false);
    if (t.lastRec() == 0)
        for (const char* text : texts) {
            t.append();
            t.setText(field, text);
            t.commit();
            t.unlock();
        }
    ws.close(table);
}

// The accounting items with their categories, the movement descriptions, the operators; three
// years of accounting movements (rent and utilities from the bank, small expenses from the cash,
// some left out of the books, commissions and cheques paid in, and the cheques returned to the bank
// a few days later with their original date); a few weeks at the cash desk and its initial balance.
void fillBooks(Workspace& ws, const std::string& folder, std::mt19937& rng)
{
    struct Item {
        const char *item, *category;
    };
    const Item items[] = {{"Affitto ufficio", "Spese generali"},     {"Cancelleria", "Spese generali"},
                          {"Valori bollati", "Spese generali"},      {"Energia elettrica", "Utenze"},
                          {"Telefono e internet", "Utenze"},         {"Stipendi", "Personale"},
                          {"Contributi", "Personale"},               {"Provvigioni compagnie", "Entrate"},
                          {"Rimborsi spese", "Entrate"},             {"Versamenti", "Movimenti di cassa"}};
    fillLookup(ws, "CATECON", "CATEGORIA", {"Spese generali", "Utenze", "Personale", "Entrate", "Movimenti di cassa"});
    {
        Table& t = ws.open("VOCICON", "VOCICON", false);
        if (t.lastRec() == 0)
            for (const Item& i : items) {
                t.append();
                t.setText("DESCRIZ", i.item);
                t.setText("CATEGORIA", i.category);
                t.commit();
                t.unlock();
            }
        ws.close("VOCICON");
    }
    fillLookup(ws, "DESMVCON", "DESCRIZ",
               {"Pagamento fattura", "Bonifico", "Addebito in conto", "Spesa di cassa", "Versamento assegni",
                "Versamento contanti", "Accredito provvigioni"});
    fillLookup(ws, "OPERATOR", "OPERATORE", {"ANNA", "LUCA", "MARTA"});

    const Date today = Date::today();
    struct Movement {
        Date date;
        const char *account, *item, *description;
        Decimal amount;
        bool inBooks;
        std::string cheque;
        Date origin;
    };
    std::vector<Movement> all;
    auto add = [&all](Date date, const char* account, const char* item, const char* description, Decimal amount,
                      bool inBooks = true) {
        all.push_back(Movement{date, account, item, description, amount, inBooks, std::string(), Date()});
        return &all.back();
    };
    auto cents = [&](int from, int to) {
        return Decimal::fromScaled(static_cast<long long>(from * 100 + rng() % ((to - from) * 100)), 2);
    };
    for (int k = 35; k >= 0; --k) {
        const Date first = Date::fromYmd(today.year(), today.month(), 1).addMonths(-k);
        auto day = [&](int d) { return first.addDays(d - 1); };
        add(day(1), "Banca 1 uscite", "Affitto ufficio", "Pagamento fattura", Decimal(1200));
        add(day(10), "Banca 1 uscite", "Stipendi", "Bonifico", cents(1800, 1900));
        add(day(16), "Banca 1 uscite", "Contributi", "Addebito in conto", cents(600, 700));
        if (k % 2 == 0) {
            add(day(20), "Banca 1 uscite", "Energia elettrica", "Addebito in conto", cents(90, 160));
            add(day(22), "Banca 1 uscite", "Telefono e internet", "Addebito in conto", cents(45, 70));
        }
        for (int e = 0; e < 3; ++e)
            add(day(3 + e * 8), "Cassa uscite", e == 1 ? "Valori bollati" : "Cancelleria", "Spesa di cassa",
                cents(5, 60), e != 2);
        add(day(15), "Banca 1 entrate", "Provvigioni compagnie", "Accredito provvigioni", cents(2500, 4000));
        add(day(25), "Banca 1 entrate", "Versamenti", "Versamento contanti", cents(300, 900));
        // A cheque paid in, held as suspended until the bank credits it.
        Movement* cheque = add(k == 0 ? today.addDays(-2) : day(12), "Sospesi vers. assegni", "Rimborsi spese",
                               "Versamento assegni", cents(150, 600));
        cheque->cheque = std::to_string(100000 + rng() % 900000);
        if (k > 0) {
            cheque->origin = cheque->date;
            cheque->date = cheque->date.addDays(3 + static_cast<int64_t>(rng() % 4));
            cheque->account = "Banca 1 entrate";
        }
    }
    std::erase_if(all, [&](const Movement& m) { return m.date > today; });
    std::sort(all.begin(), all.end(), [](const Movement& a, const Movement& b) { return a.date < b.date; });
    {
        Table& t = ws.open("MOVICONT", "MOVICONT", false);
        t.setBulk(true);
        for (const Movement& m : all) {
            t.append();
            t.setDate("DATA", m.date);
            t.setText("CONTO", m.account);
            t.setText("CONTABIL", m.item);
            t.setText("DESCRIZIO", m.description);
            t.setDate("DATADOC", m.origin ? m.origin : m.date);
            t.setNumber("IMPORTO", m.amount);
            t.setText("ASSEGNO", m.cheque);
            t.setLogical("PRIMANOTA", m.inBooks);
            t.setDate("ORIGINE", m.origin);
            t.commit();
            t.unlock();
        }
        t.setBulk(false);
        ws.close("MOVICONT");
    }

    // The cash desk: a few payments on each working day of the last four weeks.
    std::vector<std::pair<std::string, std::string>> policies;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        for (p.goTop(); !p.eof() && policies.size() < 200; p.skip(1))
            if (!p.text("POLIZZA").empty()) policies.emplace_back(p.text("POLIZZA"), p.text("ASSICURATO"));
        ws.close("POLIZZE");
    }
    const char* const operators[] = {"ANNA", "LUCA", "MARTA"};
    const char* const notes[] = {"Diritti di segreteria", "Marche da bollo\r\nper pratica auto", "Rimborso spese postali"};
    Table& c = ws.open("CASSA", "CASSA", false);
    c.setBulk(true);
    for (int back = 27; back >= 0; --back) {
        const Date day = today.addDays(-back);
        if (day.dow() == 1 || day.dow() == 7) continue;
        const int count = 2 + static_cast<int>(rng() % 4);
        for (int i = 0; i < count; ++i) {
            c.append();
            c.setDate("DATA", day);
            c.setText("OPERATORE", pick(rng, operators));
            Decimal amount;
            if (policies.empty() || rng() % 5 == 0) {
                c.setMemo("DESCRIZIO", pick(rng, notes));
                amount = cents(2, 40);
            } else {
                const auto& [number, insured] = policies[rng() % policies.size()];
                c.setText("POLIZZA", number);
                c.setText("ASSICURATO", insured);
                amount = cents(80, 900);
            }
            // A refund now and then, some cheques, cash rounded up and its change.
            if (rng() % 25 == 0) amount = -amount;
            Decimal cheque, cash = amount;
            if (!amount.isNegative() && rng() % 3 == 0) {
                cheque = amount;
                cash = Decimal();
                c.setText("ID", std::to_string(200000 + rng() % 700000));
            } else if (!amount.isNegative()) {
                cash = Decimal((amount.toLongLong() / 10 + 1) * 10);
            }
            c.setNumber("IMPORTO", amount);
            c.setNumber("ASSEGNO", cheque);
            c.setNumber("CONTANTI", cash);
            const Decimal difference = amount - cheque - cash;
            c.setNumber("RESTO", difference.isNegative() ? -difference : Decimal());
            c.commit();
            c.unlock();
        }
    }
    c.setBulk(false);
    ws.close("CASSA");
    IniFile ini((fs::path(folder) / "ARV.INI").string());
    if (!ini.has("Cassa", "Saldo iniziale")) ini.setDecimal("Cassa", "Saldo iniziale", Decimal(1500));
}

// The numbered forms of each active agreement (a block per agreement, a few spoiled), the forms
// of some policies discharged with their data, policies flagged for reform near their expiry, and
// the postal expenses of the notices.
void fillTitlesAndNotices(Workspace& ws, const std::string& folder, std::mt19937& rng)
{
    int block = 0;
    for (const Agreement& a : kAgreements) {
        if (a.ceased) continue;
        const std::string letter(1, static_cast<char>('A' + block++));
        policies::generateTitles(ws, a.name, a.name, "", letter + "1000", letter + "1039");
    }
    Table& t = ws.open("TITOLI", "TITOLI", false);
    t.ordAdd("TITOLI");
    int n = 0;
    for (t.goTop(); !t.eof(); t.skip()) {
        if (++n % 13 != 0) continue;
        t.lock(true);
        t.setLogical("ANNULLATO", true);
        t.commit();
        t.unlock();
    }
    Table& p = ws.open("POLIZZE", "POLIZZE", false);
    p.setBulk(true);
    t.setBulk(true);
    int discharged = 0, reform = 0;
    for (p.goTop(); !p.eof(); p.skip()) {
        const std::string number = p.text("POLIZZA");
        if (discharged < 60 && number.size() <= policies::kTitleNumberWidth && rng() % 6 == 0) {
            t.append();
            t.setText("COMPAGNIA", p.text("COMPAGNIA"));
            t.setText("RAPPORTO", p.text("RAPPORTO"));
            t.setText("RAMO", p.text("RAMO"));
            t.setText("NUMERO", number);
            t.setText("ASSICURATO", p.text("ASSICURATO"));
            t.setDate("EFFETTO", p.date("EFFETTO"));
            t.setDate("SCADENZA", p.date("SCADENZA"));
            t.commit();
            t.unlock();
            ++discharged;
        }
        if (reform < 40 && p.text("SOSTDA").empty() && rng() % 8 == 0) {
            p.lock(true);
            p.setLogical("PROMEMORIA", true);
            p.commit();
            p.unlock();
            ++reform;
        }
    }
    p.setBulk(false);
    t.setBulk(false);
    ws.close("POLIZZE");
    ws.close("TITOLI");
    IniFile ini((fs::path(folder) / "ARV.INI").string());
    if (!ini.has("Spese postali", "Importo")) ini.setDecimal("Spese postali", "Importo", *Decimal::parse("2.50"));
}

} // namespace

// The renewal worklist of next month's coverages: some rows priced, with quotes of other
// agreements and the option chosen, some already sent a notice or a reminder.
void fillWorklist(Workspace& ws, std::mt19937& rng)
{
    const Date next = Date::today().addMonths(1);
    const Date from = Date::fromYmd(next.year(), next.month(), 1);
    const Date to = from.addMonths(1).addDays(-1);
    std::vector<const Agreement*> agreements;
    for (const Agreement& a : kAgreements)
        if (!a.ceased) agreements.push_back(&a);
    Table& p = ws.open("POLIZZE", "POLIZZE", true);
    Table& t = ws.open("QUIETANZ", "QUIETANZ", false);
    t.setBulk(true);
    int n = 0;
    for (p.goTop(); !p.eof(); p.skip(1)) {
        const Date c = p.date("COPERTURA");
        if (!c || c < from || to < c || p.logical("DISDETTA") || !p.text("SOSTDA").empty()) continue;
        t.append();
        t.setRaw("POLIZZA", p.raw("POLIZZA"));
        t.setNumber("GIOSCA", Decimal(15));
        switch (n++ % 4) {
        case 0: break; // not priced yet
        case 1:
            t.setNumber("IMPATT", p.number("IMPORTO"));
            t.setNumber("COMMISS", Decimal(20));
            t.setNumber("NUMSEL", Decimal(1));
            t.setLogical("AVVISO", true);
            break;
        default: {
            // Two quotes of other agreements, the cheaper one chosen.
            const Decimal premium = p.number("IMPORTO");
            t.setNumber("IMPATT", premium);
            t.setText("RAPNUO1", agreements[rng() % agreements.size()]->name);
            t.setNumber("IMPNUO1", (premium * Decimal(95) / Decimal(100)).round(2));
            t.setText("RAPNUO2", agreements[rng() % agreements.size()]->name);
            t.setNumber("IMPNUO2", (premium * Decimal(105) / Decimal(100)).round(2));
            t.setText("RAPNUO3", agreements[rng() % agreements.size()]->name);
            t.setNumber("COMMISS", Decimal(25));
            t.setNumber("NUMSEL", Decimal(2));
            t.setLogical("AVVISO", n % 4 == 0);
            t.setLogical("SOLLECITO", n % 8 == 0);
        }
        }
        t.commit();
        t.unlock();
    }
    t.setBulk(false);
    ws.close("QUIETANZ");
    ws.close("POLIZZE");
}

// The invoices: the agency's identity and invoice settings in ARV.INI, the invoice flag on about
// two in three of the live policies that carry a consultancy fee, a year of monthly commission
// invoices to the agreements and consultancy invoices to those policies' insured, numbered by
// year, and one pro-forma.
// A generator of its own keeps the other tables as they were.
void fillInvoices(Workspace& ws)
{
    std::mt19937 rng(20261210u);
    IniFile ini((fs::path(ws.folder()) / "ARV.INI").string());
    if (!ini.has("Agenzia", "Ragione sociale")) {
        AgencyIdentity a;
        a.name = "Agenzia Arvale di Esempio S.a.s.";
        a.activity = "Agenzia generale di assicurazioni";
        a.address = "Via del Corso 120";
        a.postCode = "00186";
        a.town = "Roma";
        a.province = "RM";
        a.vatNumber = "01234567890";
        a.taxCode = "01234567890";
        a.telephone = "06 6781234";
        a.fax = "06 6781235";
        a.email = "info@agenzia-esempio.it";
        a.pec = "agenzia-esempio@pec.it";
        a.bankName = "Banca di Esempio";
        a.iban = "IT60X0542811101000000123456";
        a.save(ini);
    }
    if (!ini.has("Emissione fatture", "Testo1"))
        ini.setValues("Emissione fatture",
                      {{"Numero", "0"},
                       {"Testo1", "Ns. commissioni maturate nel periodo~"},
                       {"Testo2", "CONSULENZA assicurativa~"},
                       {"Testo3", "Anticipazione importo polizza~"},
                       {"Fondo1", "Pagamento a mezzo bonifico: IBAN IT60X0542811101000000123456"},
                       {"Fondo2", "Banca di Esempio - Roma"},
                       {"Fondo3", "Importo anticipato per conto del cliente"}});
    if (!ini.has("Fattura elettronica", "ProgressivoInvio")) ini.set("Fattura elettronica", "ProgressivoInvio", "1");

    struct Consultancy {
        std::string insured, company, number;
        Decimal premium, fee, expenses;
    };
    std::vector<Consultancy> consultancies;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", true);
        for (p.goTop(); !p.eof(); p.skip()) {
            if (p.number("COMMISS").isZero() || p.logical("DISDETTA") || !p.text("SOSTDA").empty()) continue;
            if (rng() % 3 == 0) continue;
            p.lock(true);
            p.setLogical("FATTURA", true);
            p.commit();
            p.unlock();
            consultancies.push_back({p.text("ASSICURATO"), p.text("COMPAGNIA"), p.text("POLIZZA"), p.number("IMPORTO"),
                                     p.number("COMMISS"), p.number("SPESE")});
        }
        ws.close("POLIZZE");
    }
    std::vector<std::string> agreements;
    {
        Table& c = ws.open("COMPAGN", "COMPAGN", true);
        for (c.goTop(); !c.eof() && agreements.size() < 4; c.skip())
            if (!c.logical("NONATTIVO")) agreements.push_back(c.text("COMPAGNIA"));
        ws.close("COMPAGN");
    }
    Table& t = ws.open("FATTBSA", "FATTBSA");
    t.ordAdd("FATTBSA");
    const Date today = Date::today();
    std::map<int, int> last; // year -> last number
    auto write = [&](Date date, const std::string& customer, const std::string& text, const std::string& payment,
                     const Decimal& amount, const Decimal& rate, bool proforma) {
        t.append();
        const int number = proforma ? 0 : ++last[date.year()];
        t.setNumber("NUMERO", Decimal(number));
        t.setDate("DATA", date);
        t.setText("CLIENTE", customer);
        t.setMemo("TESTO", text);
        t.setText("MODPAG", payment);
        t.setNumber("IMPORTO", amount);
        t.setNumber("ALIQUOTA", rate);
        t.setLogical("FONDO", true);
        t.commit();
        t.unlock();
    };
    size_t next = 0;
    for (int m = 12; m >= 1; --m) {
        const Date month = today.addMonths(-m);
        const Date day = Date::fromYmd(month.year(), month.month(), 10);
        for (const std::string& a : agreements) {
            const Decimal commission(static_cast<long long>(400 + rng() % 1600));
            write(day, a,
                  "Ns. commissioni maturate nel mese di " + std::to_string(month.month()) + "/" +
                      std::to_string(month.year()) + "\r\n\r\n" + accounting::kMarkCommission + accounting::textAmount(commission),
                  "Bonifico", commission, Decimal(-23), false);
        }
        for (int k = 0; k < 3 && next < consultancies.size(); ++k, ++next) {
            const Consultancy& c = consultancies[next];
            const accounting::GeneratedText g =
                accounting::consultancyText(c.company, c.number, c.premium, c.fee, c.expenses, Decimal());
            write(day.addDays(k + 1), c.insured, g.text, "Contanti", g.total, Decimal(), false);
        }
    }
    if (!consultancies.empty())
        write(today, consultancies.back().insured, "Preventivo di CONSULENZA per il rinnovo del portafoglio", "Bonifico",
              Decimal(150), Decimal(), true);
    ws.close("FATTBSA");
}

// ---- quotes

// About 300 motor quotes over the last two years: new vehicles and renewals of the folder's motor
// policies (filled from the policy as the form does), priced by one or two companies; some of the
// older ones turned into policies by the conversion. The agency's fax and e-mail, which the offers
// quote, go into ARV.INI when missing. A generator of its own keeps the other tables as they were.
void fillQuotes(Workspace& ws)
{
    namespace q = arv::sales::quotes;
    std::mt19937 rng(20261209u);
    IniFile ini((fs::path(ws.folder()) / "ARV.INI").string());
    if (!ini.has("Agenzia", "Fax")) ini.set("Agenzia", "Fax", "06 5551 2300");
    if (!ini.has("Agenzia", "E-mail")) ini.set("Agenzia", "E-mail", "preventivi@agenziasole.it");

    std::vector<std::string> renewals, clients;
    {
        Table& p = ws.open("POLIZZE", "POLIZZE", true);
        for (p.goTop(); !p.eof(); p.skip())
            if (p.text("RAMO") == "AUTO" && p.text("SOSTDA").empty() && !p.logical("DISDETTA"))
                renewals.push_back(p.text("POLIZZA"));
        ws.close("POLIZZE");
        Table& c = ws.open("CLIENTI", "CLIENTI", true);
        for (c.goTop(); !c.eof() && clients.size() < 400; c.skip())
            if (c.text("PARTITAIVA").empty()) clients.push_back(c.text("CLIENTE"));
        ws.close("CLIENTI");
    }
    const char* operators[] = {"ANNA", "LUCA", "MARTA"};
    const char* rc[] = {"AURORA ASSICURAZIONI", "ORIZZONTE BROKER", "SICURTA' ADRIATICA"};
    const char* makes[][2] = {{"FIAT", "PANDA 1.2"}, {"VOLKSWAGEN", "GOLF 1.6 TDI"}, {"RENAULT", "CLIO 1.0"},
                              {"TOYOTA", "YARIS HYBRID"}, {"FORD", "FIESTA 1.1"}, {"PEUGEOT", "208 1.2"}};
    const char* limits[] = {"6.450.000,00", "10.000.000,00", "15.000.000,00"};
    const char* fractions[] = {"ANNUALE", "SEMESTRALE", "ANNUALE", "MENSILE"};
    auto money = [](long cents) {
        char text[32];
        std::snprintf(text, sizeof text, "%ld,%02ld", cents / 100, cents % 100);
        return std::string(text);
    };
    Table& t = ws.open("PREVBSA", "PREVBSA", true);
    t.ordAdd("PREVBSA");
    const Date today = Date::today();
    constexpr int kQuotes = 300;
    std::vector<uint32_t> toConvert;
    for (int i = 0; i < kQuotes; ++i) {
        const Date date = today.addDays(-730 + i * 730 / kQuotes);
        EditValues v = q::newQuoteValues(ws, date);
        v.set("OPERATORE", operators[rng() % 3]);
        const bool renewal = !renewals.empty() && rng() % 5 < 2;
        if (renewal) {
            const std::string number = renewals[rng() % renewals.size()];
            v.set("POLIZZA", number);
            q::ADATIPOL(ws, number, v);
        } else if (!clients.empty()) {
            const std::string name = clients[rng() % clients.size()];
            v.set("ASSICURATO", name);
            q::ADATIASS(ws, name, v);
            q::copyInsured(v, "PRA");
            const auto& m = makes[rng() % 6];
            v.set("MARCA", m[0]);
            v.set("MODELLO", m[1]);
            v.set("VEICOLO", "Autovettura");
            char plate[16];
            std::snprintf(plate, sizeof plate, "G%c%03u%c%c", 'A' + static_cast<char>(rng() % 26),
                          static_cast<unsigned>(rng() % 1000), 'A' + static_cast<char>(rng() % 26),
                          'A' + static_cast<char>(rng() % 26));
            v.set("TARGA", plate);
            v.set("PRIMAIMM", rng() % 4 == 0 ? "T" : "F");
            v.set("DECRBERS", rng() % 3 == 0 ? "T" : "F");
        }
        v.set("RAMO", "AUTO");
        v.set("MASSIMALI", limits[rng() % 3]);
        v.set(rng() % 3 == 0 ? "GDXCON" : "GDECON", "T");
        if (v.get("CONDUCENTE").empty()) v.set("CONDUCENTE", v.get("ASSICURATO"));
        for (int y = 5; y <= 10; ++y) v.set(y < 10 ? "SINISTRI0" + std::to_string(y) : "SINISTRI10", rng() % 6 == 0 ? "1" : "0");
        const long year = 28000 + static_cast<long>(rng() % 40000);
        const char* company = rc[rng() % 3];
        v.set("COMPPREV", company);
        v.set("RAPPPREV", company);
        v.set("IMPOPREV1", money(year * 53 / 100));
        v.set("IMPOPREV2", money(year));
        v.set("IMPOPREV3", money(year * 9 / 100));
        v.set("RAMOPREV", "AUTO");
        v.set("FRAZPREV", fractions[rng() % 4]);
        v.set("FINAPREV", v.get("FRAZPREV") == "MENSILE" ? "T" : "F");
        v.set("IMPOPREV", money(year));
        const Date effect = date.addDays(10 + static_cast<int>(rng() % 30));
        v.set("EFFEPREV", effect.toDisplay());
        v.set("SCADPREV", effect.addMonths(12).toDisplay());
        // The policies made from a quote carry the client's producer, as the register's do.
        const std::string producer = v.get("SUBAGENTE").empty() ? std::string("Agenzia") : v.get("SUBAGENTE");
        v.set("PRODPREV", producer);
        v.set("PRODARD", producer);
        const bool ard = rng() % 2 == 0;
        if (ard) {
            const long ardYear = 9000 + static_cast<long>(rng() % 30000);
            v.set("VALORE", money(800000 + static_cast<long>(rng() % 2500000)));
            v.set("INCENFURT", "T");
            if (rng() % 2) v.set("CRISTALLI", "T");
            if (rng() % 3 == 0) v.set("KASKO", "T");
            v.set("COMPARD", "AURORA ASSICURAZIONI");
            v.set("RAPPARD", "AURORA ASSICURAZIONI");
            v.set("IMPOARD1", money(ardYear * 53 / 100));
            v.set("IMPOARD2", money(ardYear));
            v.set("IMPOARD3", money(ardYear * 9 / 100));
            v.set("RAMOARD", "AUTO");
            v.set("FRAZARD", v.get("FRAZPREV"));
            v.set("IMPOARD", money(ardYear));
            v.set("EFFEARD", effect.toDisplay());
            v.set("SCADARD", effect.addMonths(12).toDisplay());
        }
        EditRequest r;
        r.inserting = true;
        const records::SaveResult saved = q::saveQuote(ws, t, r, v);
        if (!saved) {
            std::fprintf(stderr, "preventivo non salvato: %s\n", saved.message.c_str());
            continue;
        }
        if (i < kQuotes - 60 && rng() % 12 == 0) toConvert.push_back(t.recno());
    }
    int n = 0;
    for (uint32_t recno : toConvert) {
        t.goTo(recno);
        ++n;
        const std::string year = std::to_string(t.date("DATA").year());
        q::Conversion c{"PV-" + year + "-" + std::to_string(100 + n), "", "", ""};
        if (q::hasArd(t)) c.ard = "PA-" + year + "-" + std::to_string(100 + n);
        const q::ConversionResult done = q::OKPOLIZZA(ws, t, c);
        if (!done) std::fprintf(stderr, "preventivo non convertito: %s\n", done.message.c_str());
    }
    ws.close("PREVBSA");
}

// The settings the letters, the policy printouts and the agency's forms read (the agency's identity,
// the broker of the transfer letters and of the brokerage mandate, the invoice texts and counter),
// each written only when missing, and the sample templates of AURORA ASSICURAZIONI's own policy
// form for a new policy and for a replacement.
void fillFormSettings(const std::string& folder)
{
    IniFile ini((fs::path(folder) / "ARV.INI").string());
    auto missing = [&ini](const char* section, const char* key, const std::string& value) {
        if (!ini.has(section, key)) ini.set(section, key, value);
    };
    missing("Agenzia", "Ragione sociale", "AGENZIA SOLE DI ROSSI MARIO");
    missing("Agenzia", "Attività", "Agenzia di assicurazioni");
    missing("Agenzia", "Indirizzo", "Via del Corso, 120");
    missing("Agenzia", "CAP", "00186");
    missing("Agenzia", "Città", "ROMA");
    missing("Agenzia", "Provincia", "RM");
    missing("Agenzia", "Partita IVA", "01234567890");
    missing("Agenzia", "Telefono", "06 5551 2200");
    missing("Agenzia", "Orario ufficio", "dal lunedì al venerdì, 9:00-13:00 e 15:00-18:30");
    const char* transfer[] = {"ORIZZONTE BROKER S.R.L.", "Via Nazionale, 40", "00184 ROMA (RM)", "Tel. 06 5552 4000"};
    for (int i = 0; i < 4; ++i) {
        missing("Trasferimento", ("Riga" + std::to_string(i + 1)).c_str(), transfer[i]);
        missing("Broker", ("Riga" + std::to_string(i + 1)).c_str(), transfer[i]);
    }
    missing("Emissione fatture", "Numero", "0");
    missing("Emissione fatture", "Testo1", "Compenso per consulenza assicurativa~relativa all'anno in corso.");
    missing("Emissione fatture", "Testo2", "Rimborso spese di istruttoria pratica.");
    missing("Emissione fatture", "Fondo1", "Pagamento a mezzo bonifico bancario");
    missing("Emissione fatture", "Fondo2", "IBAN IT60 X054 2811 1010 0000 0123 456");

    // The sample templates the project carries (data/forms), copied when missing.
    for (const char* kind : {" NUOVA.INI", " SOST.INI"}) {
        const std::string name = std::string("AURORA ASSICURAZIONI") + kind;
        std::error_code ec;
        fs::copy_file(fs::path(ARV_FORMS_SOURCE_DIR) / name, fs::path(folder) / name, fs::copy_options::skip_existing, ec);
        if (ec) std::fprintf(stderr, "modello del modulo %s non copiato\n", name.c_str());
    }
}

// ---- statements

// What the statements and statistics need besides the last year: the agreements' withholding rate,
// the producers' monthly closings, a previous year of collections and remittances (so that every
// statistics compares two years), direct collections, indemnities, items suspended on the
// agreement's account, clients with and without e-mail holding suspended items, and the payment
// receipt template. A generator of its own keeps the rest of the folder as it was.
void fillStatements(Workspace& ws, const std::string& templates)
{
    std::mt19937 rng(20261210u);
    const Date today = Date::today();
    const Decimal rate = *Decimal::parse("11.50");
    auto month = [](Date d) { return d.year() * 12 + d.month() - 1; };
    auto monthEnd = [](Date d) { return Date::fromYmd(d.year(), d.month(), Date::daysInMonth(d.year(), d.month())); };
    auto fifthOfNext = [](Date d) { return Date::fromYmd(d.year(), d.month(), 1).addMonths(1).addDays(4); };
    {
        Table& c = ws.open("COMPAGN", "COMPAGN", false);
        for (c.goTop(); !c.eof(); c.skip(1)) {
            c.lock(true);
            c.setNumber("ALIQRA", rate);
            c.commit();
            c.unlock();
        }
        ws.close("COMPAGN");
    }

    struct Copy {
        Date date, due;
        std::string number, company, agreement, branch, insured, producer, convention, account;
        Decimal amount, fee, agency, producerCommission;
    };
    std::vector<Copy> lastYear;
    Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
    // The producers' commissions of every month before this one are closed at the month's end.
    std::vector<uint32_t> toClose;
    for (m.goTop(); !m.eof(); m.skip(1)) {
        if (filled(m.text("PRODUTTORE")) && !m.number("PROVVPROD").isZero() && !m.date("CHIUSURA") &&
            month(m.date("DATA")) < month(today))
            toClose.push_back(m.recno());
        if (trim(m.text("DESCRIZIO")) != "Incasso") continue;
        lastYear.push_back({m.date("DATA"), m.date("SCADENZA"), m.text("POLIZZA"), m.text("COMPAGNIA"),
                            m.text("RAPPORTO"), m.text("RAMO"), m.text("ASSICURATO"), m.text("PRODUTTORE"),
                            m.text("CONVENZIO"), m.text("CONTO"), m.number("IMPORTO"), m.number("COMMISS"),
                            m.number("PROVVAGEN"), m.number("PROVVPROD")});
    }
    for (uint32_t r : toClose) {
        m.goTo(r);
        m.lock(true);
        m.setDate("CHIUSURA", monthEnd(m.date("DATA")));
        m.commit();
        m.unlock();
    }
    m.setBulk(true);
    // A year earlier, premiums a little different; some collected by the company itself, some
    // left suspended on the agreement's account.
    struct Remitted {
        Decimal premiums, commissions;
    };
    std::map<std::pair<std::string, int>, Remitted> byMonth;
    for (const Copy& c : lastYear) {
        const Decimal factor = Decimal(static_cast<long long>(80 + rng() % 26)) / Decimal(100);
        const Date date = c.date.addMonths(-12);
        const Decimal amount = (c.amount * factor).round(2), agency = (c.agency * factor).round(2);
        const Decimal producer = (c.producerCommission * factor).round(2);
        const bool direct = rng() % 15 == 0, suspended = !direct && rng() % 25 == 0;
        m.appendWithCode();
        m.setDate("DATA", date);
        m.setText("POLIZZA", c.number);
        m.setText("COMPAGNIA", c.company);
        m.setText("RAPPORTO", c.agreement);
        m.setText("RAMO", c.branch);
        m.setText("ASSICURATO", c.insured);
        m.setText("PRODUTTORE", c.producer);
        m.setText("CONVENZIO", c.convention);
        m.setDate("SCADENZA", c.due.addMonths(-12));
        m.setText("TIPO", "Quietanza");
        m.setText("DESCRIZIO", direct ? "Incasso diretto" : "Incasso");
        m.setNumber("IMPORTO", amount);
        m.setNumber("COMMISS", c.fee);
        m.setDate("INCASSO", date);
        m.setNumber("PROVVAGEN", agency);
        m.setNumber("PROVVPROD", producer);
        if (filled(c.producer) && !producer.isZero()) m.setDate("CHIUSURA", monthEnd(date));
        m.setText("CONTO", suspended ? "Sospesi compagnie/rapporti" : c.account);
        m.setDate("CORRISP", fifthOfNext(date));
        m.commit();
        m.unlock();
        Remitted& r = byMonth[{c.agreement, month(date)}];
        if (!direct && !suspended) r.premiums += amount;
        r.commissions += agency;
    }
    // Indemnities twice a year on each active agreement, over both years.
    for (const Agreement& a : kAgreements) {
        if (a.ceased) continue;
        for (int back = 1; back <= 4; ++back) {
            const Date date = Date::fromYmd(today.year(), today.month(), 15).addMonths(-6 * back + 3);
            if (date >= today) continue;
            const Decimal amount(static_cast<long long>(100 + rng() % 300));
            m.appendWithCode();
            m.setDate("DATA", date);
            m.setText("COMPAGNIA", a.name);
            m.setText("RAPPORTO", a.name);
            m.setText("DESCRIZIO", "INDENNITA'");
            m.setNumber("PROVVAGEN", amount);
            m.setDate("INCASSO", date);
            m.setText("CONTO", "Banca 1 entrate");
            if (fifthOfNext(date) <= today) m.setDate("CORRISP", fifthOfNext(date));
            m.commit();
            m.unlock();
            byMonth[{a.name, month(date)}].commissions += amount;
        }
    }
    // The previous year's remittances: on the 5th of each month, for the month before.
    for (int k = 23; k >= 12; --k) {
        const Date first = Date::fromYmd(today.year(), today.month(), 1).addMonths(-k);
        const Date periodEnd = first.addDays(-1);
        for (const Agreement& a : kAgreements) {
            auto it = byMonth.find({a.name, month(periodEnd)});
            if (it == byMonth.end() || it->second.premiums.isZero()) continue;
            const Decimal commissions = it->second.commissions;
            m.appendWithCode();
            m.setDate("DATA", first.addDays(4));
            m.setText("COMPAGNIA", a.name);
            m.setText("RAPPORTO", a.name);
            m.setText("DESCRIZIO", "Rimessa");
            m.setNumber("IMPORTO", (it->second.premiums - commissions + commissions * rate / Decimal(100)).round(2));
            m.setDate("INCASSO", first.addDays(4));
            m.setDate("CORRISP", first.addDays(4));
            m.setText("CONTO", "Banca 1 uscite");
            m.setDate("FINEPER", periodEnd);
            m.commit();
            m.unlock();
        }
    }
    m.setBulk(false);

    // Every other client holding items suspended with the agency has no e-mail address: the
    // statement of suspended items is printed for them and mailed to the others.
    std::set<std::string> holders;
    for (m.goTop(); !m.eof(); m.skip(1))
        if (m.text("CONTO") == "Sospesi da clienti" && !m.date("RIENTRO")) holders.insert(m.text("ASSICURATO"));
    ws.close("MOVICOMP");
    Table& c = ws.open("CLIENTI", "CLIENTI", false);
    c.ordAdd("CLIENTI");
    int n = 0;
    for (const std::string& h : holders) {
        if (!c.seek(indexKey(h, 35, true))) continue;
        c.lock(true);
        if (n++ % 2 == 0) c.setText("E_MAIL", "");
        else if (!filled(c.text("E_MAIL"))) c.setText("E_MAIL", lowerMail(h.substr(0, h.find(' '))) + "@example.it");
        c.commit();
        c.unlock();
    }
    ws.close("CLIENTI");

    // The payment receipt the team made, beside the other templates.
    std::error_code ec;
    const fs::path receipt = fs::path(templates) / "Ricevuta pagamento.docx";
    if (templates.empty() || !fs::copy_file(receipt, fs::path(ws.folder()) / receipt.filename(),
                                            fs::copy_options::skip_existing, ec))
        std::fprintf(stderr, "modello della ricevuta di pagamento non trovato\n");
}

// ---- statistics

// Two years of collections for the statistics and the portfolio renewals: monthly policies paid
// every month, yearly policies collected in both years (some not renewed), policies replaced
// between the two years whose replacement pays the second year, and a few costs of the agency's
// books with their category for the budget. Its own random generator keeps the rest of the folder
// as it was.
void fillStatistics(Workspace& ws)
{
    std::mt19937 rng(20261210u);
    const Date today = Date::today();
    const Date start = Date::fromYmd(today.year(), today.month(), 1).addMonths(-23);
    // Clients with their sub-agent, who brings their policies.
    std::vector<std::pair<std::string, std::string>> insured;
    {
        Table& c = ws.open("CLIENTI", "CLIENTI", false);
        for (c.goTop(); !c.eof() && insured.size() < 80; c.skip(1)) insured.emplace_back(c.text("CLIENTE"), c.text("SUBAGENTE"));
        ws.close("CLIENTI");
    }
    if (insured.empty()) return;
    std::vector<const Agreement*> agreements;
    for (const Agreement& a : kAgreements)
        if (!a.ceased) agreements.push_back(&a);

    struct Policy {
        std::string number, insured, producer, branch, fraction;
        const Agreement* agreement;
        Date effect;
        Decimal premium;
    };
    Table& t = ws.open("POLIZZE", "POLIZZE", false);
    Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
    t.setBulk(true);
    m.setBulk(true);
    auto policy = [&](const Policy& p, const std::string& replaces) {
        t.appendWithCode();
        t.setText("ASSICURATO", p.insured);
        t.setText("COMPAGNIA", p.agreement->name);
        t.setText("RAPPORTO", p.agreement->name);
        t.setText("POLIZZA", p.number);
        t.setText("RAMO", p.branch);
        t.setText("FRAZIONAM", p.fraction);
        t.setText("PRODUTTORE", p.producer);
        t.setText("PAGAMENTO", "Bonifico");
        t.setDate("EFFETTO", p.effect);
        t.setDate("SCADENZA", p.effect.addMonths(12));
        t.setDate("COPERTURA", p.effect);
        t.setNumber("IMPORTO", p.premium);
        t.setNumber("PROVVAGEN", (p.premium * Decimal(12) / Decimal(100)).round(2));
        t.setNumber("PROVVPROD", (p.premium * Decimal(4) / Decimal(100)).round(2));
        if (!replaces.empty()) {
            t.setText("SOSTPOL", replaces);
            t.setText("PROVENIEN", p.agreement->name);
        }
        t.commit();
        t.unlock();
        return t.recno();
    };
    auto collect = [&](const Policy& p, Date due, const Decimal& amount) {
        const Date paid = due.addDays(-static_cast<int64_t>(rng() % 6));
        if (paid > today) return;
        m.appendWithCode();
        m.setDate("DATA", paid);
        m.setText("POLIZZA", p.number);
        m.setText("COMPAGNIA", p.agreement->name);
        m.setText("RAPPORTO", p.agreement->name);
        m.setText("RAMO", p.branch);
        m.setText("ASSICURATO", p.insured);
        m.setText("PRODUTTORE", p.producer);
        m.setDate("SCADENZA", due);
        m.setText("TIPO", "Quietanza");
        m.setText("DESCRIZIO", rng() % 8 == 0 ? "Incasso diretto" : "Incasso");
        m.setNumber("IMPORTO", amount);
        m.setDate("INCASSO", paid);
        m.setNumber("PROVVAGEN", (amount * Decimal(12) / Decimal(100)).round(2));
        m.setNumber("PROVVPROD", (amount * Decimal(4) / Decimal(100)).round(2));
        m.setText("CONTO", rng() % 2 ? "Banca 1 entrate" : "Cassa entrate");
        m.commit();
        m.unlock();
    };
    auto make = [&](int i, const char* fraction, int firstMonth) {
        Policy p;
        p.number = "ST-" + std::to_string(start.year()) + "-" + std::to_string(500000 + i);
        const auto& [client, producer] = insured[rng() % insured.size()];
        p.insured = client;
        p.producer = producer;
        p.agreement = agreements[rng() % agreements.size()];
        p.branch = std::strcmp(p.agreement->name, "TIRRENA VITA") == 0 ? "VITA" : kBranches[rng() % 5];
        p.fraction = fraction;
        p.effect = start.addMonths(firstMonth).addDays(static_cast<int64_t>(rng() % 27));
        p.premium = Decimal(static_cast<long long>(std::strcmp(fraction, "MENSILE") == 0 ? 30 + rng() % 60
                                                                                         : 250 + rng() % 1500));
        return p;
    };
    int serial = 0;
    // Monthly policies: every instalment of the two years, the premium raised in the second.
    for (int i = 0; i < 25; ++i) {
        Policy p = make(++serial, "MENSILE", 0);
        policy(p, "");
        for (int k = 0; k < 24; ++k) {
            const Decimal amount = k < 12 ? p.premium : (p.premium * Decimal(105) / Decimal(100)).round(2);
            collect(p, p.effect.addMonths(k), amount);
        }
    }
    // Yearly policies: collected last year and, but for some, again this year.
    for (int i = 0; i < 60; ++i) {
        Policy p = make(++serial, "ANNUALE", static_cast<int>(rng() % 12));
        policy(p, "");
        collect(p, p.effect, p.premium);
        if (i % 6 != 5) collect(p, p.effect.addMonths(12), (p.premium * Decimal(103) / Decimal(100)).round(2));
    }
    // Replaced between the two years: the new policy pays the second year.
    for (int i = 0; i < 15; ++i) {
        Policy old = make(++serial, "ANNUALE", static_cast<int>(rng() % 12));
        const uint32_t oldRecno = policy(old, "");
        collect(old, old.effect, old.premium);
        Policy renewed = old;
        renewed.number = old.number + "/S";
        renewed.effect = old.effect.addMonths(12);
        renewed.premium = (old.premium * Decimal(110) / Decimal(100)).round(2);
        policy(renewed, old.number);
        collect(renewed, renewed.effect, renewed.premium);
        t.goTo(oldRecno);
        t.lock(true);
        t.setText("SOSTDA", renewed.number);
        t.setLogical("DISDETTA", true);
        t.commit();
        t.unlock();
    }
    t.setBulk(false);
    m.setBulk(false);
    ws.close("MOVICOMP");
    ws.close("POLIZZE");

    // Costs of the books, recorded as positive amounts on the outgoing accounts, for the budget.
    {
        Table& c = ws.open("CATECON", "CATECON", false);
        c.append();
        c.setText("CATEGORIA", "Spese commerciali");
        c.commit();
        c.unlock();
        ws.close("CATECON");
        Table& v = ws.open("VOCICON", "VOCICON", false);
        for (const char* item : {"Pubblicità", "Formazione", "Manutenzione"}) {
            v.append();
            v.setText("DESCRIZ", item);
            v.setText("CATEGORIA", "Spese commerciali");
            v.commit();
            v.unlock();
        }
        ws.close("VOCICON");
    }
    Table& l = ws.open("MOVICONT", "MOVICONT", false);
    l.setBulk(true);
    for (int k = 0; k < 24; ++k) {
        const Date month = start.addMonths(k);
        struct Cost {
            const char *item, *account;
            int from, to;
        };
        for (const Cost& c : {Cost{"Pubblicità", "Banca 1 uscite", 150, 400}, Cost{"Formazione", "Cassa uscite", 40, 120},
                              Cost{"Manutenzione", "Banca 1 uscite", 60, 250}}) {
            if (k % 3 && std::strcmp(c.item, "Formazione") == 0) continue;
            const Date day = month.addDays(static_cast<int64_t>(rng() % 25));
            if (day > today) continue;
            l.append();
            l.setDate("DATA", day);
            l.setText("CONTO", c.account);
            l.setText("CONTABIL", c.item);
            l.setText("DESCRIZIO", "Pagamento fattura");
            l.setDate("DATADOC", day);
            l.setNumber("IMPORTO", Decimal::fromScaled(static_cast<long long>(c.from * 100 + rng() % ((c.to - c.from) * 100)), 2));
            l.setLogical("PRIMANOTA", true);
            l.commit();
            l.unlock();
        }
    }
    l.setBulk(false);
    ws.close("MOVICONT");
}

// ---- premium loans and the day's business

// A finance company with its five brackets and a few dozen loans over the last year and a half, the
// older ones mostly paid; an agreement taking part in the daily coverages without a coverage
// address; new policies of this month, some collected today and some never collected; today's
// collections for the coverage agreements with and without an address.
void fillDaily(Workspace& ws)
{
    std::mt19937 rng(20261210u);
    const Date today = Date::today();
    const char* finance = "CREDITO FACILE FINANZIARIA";
    const char* levante = "LEVANTE ASSICURAZIONI";
    std::array<registry::FinancingBand, 5> bands;
    {
        Table& t = ws.open("COMPAGN", "COMPAGN", false);
        struct Band {
            long long upTo, fixed;
            const char* rate;
        };
        const Band table[] = {{2500, 20, "1.00"}, {5000, 30, "1.50"}, {10000, 40, "2.00"}, {20000, 50, "2.50"}, {30000, 60, "3.00"}};
        static const FieldName limits[] = {"FINFINOA", "FINFINO2", "FINFINO3", "FINFINO4", "FINFINO5"};
        static const FieldName fixed[] = {"FINFISSO", "FINFISS2", "FINFISS3", "FINFISS4", "FINFISS5"};
        static const FieldName rates[] = {"FINALIQ", "FINALIQ2", "FINALIQ3", "FINALIQ4", "FINALIQ5"};
        t.append();
        t.setText("COMPAGNIA", finance);
        t.setText("RAGSOC1", "CREDITO FACILE S.P.A.");
        t.setText("INDIRIZZO", "Via Turati, 12");
        t.setText("CAP", "20121");
        t.setText("CITTA", "MILANO");
        t.setText("PROVINCIA", "MI");
        t.setText("E_MAIL", "agenzie@creditofacile.it");
        t.setNumber("ALIQRA", *Decimal::parse("11.50"));
        for (size_t i = 0; i < 5; ++i) {
            bands[i] = {Decimal(table[i].upTo), Decimal(table[i].fixed), *Decimal::parse(table[i].rate)};
            t.setNumber(limits[i], bands[i].upTo);
            t.setNumber(fixed[i], bands[i].fixed);
            t.setNumber(rates[i], bands[i].rate);
        }
        t.commit();
        t.unlock();
        t.append();
        t.setText("COMPAGNIA", levante);
        t.setText("RAGSOC1", "LEVANTE ASSICURAZIONI S.P.A.");
        t.setText("RAGSOC2", "Ufficio portafoglio");
        t.setText("INDIRIZZO", "Corso Italia, 40");
        t.setText("CAP", "70122");
        t.setText("CITTA", "BARI");
        t.setText("PROVINCIA", "BA");
        t.setText("FAX", "080 5550199");
        t.setText("E_MAIL", "agenzie@levante.it");
        t.setLogical("COPERTURE", true);
        t.setNumber("GIORNO", Decimal(10));
        t.setNumber("ALIQRA", *Decimal::parse("11.50"));
        t.commit();
        t.unlock();
        ws.close("COMPAGN");
    }

    std::vector<std::string> clients, producerOf; // each client's producer takes its policies
    {
        Table& c = ws.open("CLIENTI", "CLIENTI", true);
        for (c.goTop(); !c.eof(); c.skip(1)) {
            clients.push_back(c.text("CLIENTE"));
            producerOf.push_back(c.text("SUBAGENTE"));
        }
        ws.close("CLIENTI");
    }
    if (clients.size() < 2) return;
    {
        Table& f = ws.open("FINANZ", "FINANZ", false);
        for (int i = 0; i < 36; ++i) {
            const Date day = today.addDays(-static_cast<int64_t>(rng() % 540));
            const Decimal amount(static_cast<long long>(800 + rng() % 17200));
            const policies::FinancingCommission c = policies::financingCommission(bands, amount);
            f.append();
            f.setDate("DATA", day);
            f.setText("NUMERO", "CF-" + std::to_string(day.year()) + "-" + std::to_string(4100 + i));
            f.setText("RAPPORTO", finance);
            f.setText("ASSICURATO", clients[rng() % clients.size()]);
            if (rng() % 4 == 0) f.setText("GARANTE", clients[rng() % clients.size()]);
            f.setNumber("IMPORTO", amount);
            f.setNumber("PRFISSE", c.fixed);
            f.setNumber("PRVARIA", c.variable);
            f.setText("POLIZZA1", "AU-" + std::to_string(day.year()) + "-" + std::to_string(300000 + rng() % 600000));
            if (rng() % 3 == 0) f.setText("POLIZZA2", "EL-" + std::to_string(day.year()) + "-" + std::to_string(700000 + rng() % 99999));
            // The commission of a loan comes in a couple of months.
            f.setLogical("PAGATO", day < today.addDays(-60) && rng() % 5 != 0);
            f.commit();
            f.unlock();
        }
        ws.close("FINANZ");
    }

    // New policies of this month: the first collected today, the last never collected.
    struct Today {
        std::string number, company, agreement, branch, insured, producer, account;
        Date due;
        Decimal premium, commission;
    };
    std::vector<Today> collections;
    {
        const char* accounts[] = {"Cassa entrate", "Banca 1 entrate", "Sospesi da clienti"};
        Table& p = ws.open("POLIZZE", "POLIZZE", false);
        const Date first = Date::fromYmd(today.year(), today.month(), 1);
        for (int i = 0; i < 7; ++i) {
            const bool levanteOwn = i < 4;
            Today c;
            c.company = c.agreement = levanteOwn ? levante : "AURORA ASSICURAZIONI";
            c.branch = i % 2 ? "AUTOVETTURE" : "ELEMENTARE-INF";
            const size_t client = rng() % clients.size();
            c.insured = clients[client];
            c.producer = producerOf[client];
            c.number = (levanteOwn ? "LV-" : "AU-") + std::to_string(today.year()) + "-" + std::to_string(900100 + i);
            c.due = first.addDays(static_cast<int64_t>(rng() % static_cast<unsigned>(today.day())));
            c.premium = Decimal(static_cast<long long>(240 + rng() % 900));
            c.commission = (c.premium * Decimal(12) / Decimal(100)).round(2);
            c.account = accounts[rng() % 3];
            p.appendWithCode();
            p.setText("ASSICURATO", c.insured);
            p.setText("COMPAGNIA", c.company);
            p.setText("RAPPORTO", c.agreement);
            p.setText("POLIZZA", c.number);
            p.setText("RAMO", c.branch);
            p.setText("FRAZIONAM", i == 2 ? "SEMESTRALE" : "ANNUALE");
            p.setText("PRODUTTORE", c.producer);
            p.setText("PAGAMENTO", "In ufficio");
            p.setText("DOCUMENTO", i % 3 == 0 ? "PRECONTRATTUALE" : "Completa");
            p.setDate("EFFETTO", c.due);
            p.setText("ORAEFF", "00:00");
            p.setDate("SCADENZA", c.due.addMonths(12));
            p.setNumber("IMPORTO", c.premium);
            p.setNumber("PROVVAGEN", c.commission);
            p.setDate("DATAINS", c.due);
            const bool collected = i < 5;
            if (collected) p.setDate("COPERTURA", c.due.addMonths(i == 2 ? 6 : 12));
            else p.setDate("COPERTURA", c.due);
            p.commit();
            p.unlock();
            if (collected) collections.push_back(c);
        }
        // A few of today's renewals of the agreement with a coverage address.
        int renewals = 0;
        for (p.goTop(); !p.eof() && renewals < 3; p.skip(1)) {
            if (p.text("RAPPORTO") != "AURORA ASSICURAZIONI" || !p.text("SOSTDA").empty() || p.logical("DISDETTA") ||
                rng() % 40 != 0)
                continue;
            collections.push_back({p.text("POLIZZA"), p.text("COMPAGNIA"), p.text("RAPPORTO"), p.text("RAMO"),
                                   p.text("ASSICURATO"), p.text("PRODUTTORE"), accounts[rng() % 3], p.date("COPERTURA"),
                                   p.number("IMPORTO"), p.number("PROVVAGEN")});
            ++renewals;
        }
        ws.close("POLIZZE");
    }
    Table& m = ws.open("MOVICOMP", "MOVICOMP", false);
    for (const Today& c : collections) {
        m.appendWithCode();
        m.setDate("DATA", today);
        m.setText("POLIZZA", c.number);
        m.setText("COMPAGNIA", c.company);
        m.setText("RAPPORTO", c.agreement);
        m.setText("RAMO", c.branch);
        m.setText("ASSICURATO", c.insured);
        m.setText("PRODUTTORE", c.producer);
        m.setDate("SCADENZA", c.due);
        m.setText("TIPO", "Quietanza");
        m.setText("DESCRIZIO", "Incasso");
        m.setNumber("IMPORTO", c.premium);
        m.setDate("INCASSO", today);
        m.setNumber("PROVVAGEN", c.commission);
        m.setNumber("PROVVPROD", (c.premium * Decimal(4) / Decimal(100)).round(2));
        m.setText("CONTO", c.account);
        m.commit();
        m.unlock();
    }
    ws.close("MOVICOMP");
}

int main(int argc, char** argv)
{
    std::string folder;
    int scale = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) scale = std::atoi(argv[++i]);
        else folder = argv[i];
    }
    if (folder.empty() || scale < 1) {
        std::fprintf(stderr, "uso: arv-demo CARTELLA [--scale N]\n");
        return 2;
    }
    // The background picture is drawn with fonts, which need a (windowless) application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        fs::create_directories(folder);
        std::string message;
        if (!AGGIORNADATABASE(folder, false, &message)) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return 1;
        }
        Workspace ws(folder);
        std::mt19937 rng(20261207u);
        fillClients(ws, scale * 1000, rng);
        const std::string csv = comuniDataFolder(fs::absolute(argv[0]).parent_path().string());
        if (csv.empty()) std::fprintf(stderr, "elenco dei comuni non trovato: tabella COMUNI vuota\n");
        else fillComuni(folder, csv);
        fillBranches(ws);
        fillAgreements(ws, rng);
        fillProducers(ws, rng);
        fillPolicies(ws, rng);
        fillSheets(ws, rng);
        fillMovements(ws, rng);
        fillBooks(ws, folder, rng);
        fillQuestionnaires(ws, rng);
        fillInvoices(ws);
        if (sales::copyTemplates(sales::templatesFolder(fs::absolute(argv[0]).parent_path().string()), folder) == 0)
            std::fprintf(stderr, "modelli dell'informativa precontrattuale non trovati\n");
        fillClaims(ws, folder);
        fillWorklist(ws, rng);
        fillTitlesAndNotices(ws, folder, rng);
        fillQuotes(ws);
        fillStatements(ws, sales::templatesFolder(fs::absolute(argv[0]).parent_path().string()));
        fillReturns(ws);
        fillStatistics(ws);
        fillDaily(ws);
        fillFormSettings(folder);
        if (!writeBackgroundPicture(fs::path(folder) / "ARV.BMP"))
            std::fprintf(stderr, "impossibile scrivere lo sfondo ARV.BMP\n");
        std::printf("Cartella dimostrativa pronta: %s\n", fs::absolute(folder).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "errore: %s\n", e.what());
        return 1;
    }
    return 0;
}
