// The pre-contractual questionnaire (table QUESTADE) without its windows: the types, the two forms
// (motor, other branches) with their fields, questions and rules, the policy data a questionnaire
// is filled from (ADATIPOL), the consultancy fee's withholding, the loading of a policy's data, and
// the pre-contractual document filled from a word-processor template (STAMPAN). The register and
// its dialogs (questionnaireregister.h) only show what is decided here.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "records/lookups.h"
#include "records/register.h"
#include "store/table.h"
#include "store/workspace.h"

namespace arv::sales {

inline constexpr const char* kMsgNoPolicyNumber = "Numero polizza mancante. Impossibile stampare.";
inline constexpr const char* kMsgPrinting = "Stampa in corso...";
inline constexpr const char* kMsgUnreadableTemplate = "Impossibile leggere il modello:;;";
inline constexpr const char* kMsgDocumentNotShown = "Impossibile scrivere o aprire il documento:;;";
inline constexpr const char* kYes = "Sì";
inline constexpr const char* kNo = "No";
inline constexpr const char* kNoAnswer = "Non risponde";

// ---- types: "T" motor sold by telephone, "R" motor, "A" other branches ("I" and "C" are older
// kinds of the other branches that no form creates any more)

// "Ramo Auto Gestione Telefoniche", "Ramo Auto", "Infortuni/Sanitaria", "Casa/Famiglia/Fabbricato",
// "Altri rami"; "" for anything else.
std::string typeDescription(std::string_view type);
// "T" and "R": the motor form and its questions.
bool isMotorType(std::string_view type);
// The template the document is filled from: "Precontrattuale Telefoniche.docx" (T),
// "Precontrattuale Ramo Auto.docx" (R), "Precontrattuale Altri Rami.docx" (every other type).
std::string templateName(std::string_view type);
// The type of a new questionnaire for a policy: a branch beginning with "AUTO" (any case) gives "T"
// when the policy is sold by telephone, else "R"; any other branch "A".
std::string questionnaireType(std::string_view branch, bool telephone);

// Professions of the motor form, after an empty entry (the module's own list, not the lookup
// table's records::APROFESS).
std::vector<std::string> APROFESS();

// ---- the questions of the motor form

struct Question {
    int number = 0;
    std::string text;
    std::vector<std::string> options;
    bool typed = false;  // the list also takes a typed value
    std::string initial; // the answer of a new questionnaire
    int dependsOn = 0;   // answerable only while this question's answer is "Sì" (0: always)
};
const std::vector<Question>& questions();
// "RISPOSTA1" ... "RISPOSTA21".
std::string answerField(int number);
// Whether question NUMBER can be answered with the values shown (a disabled question keeps its
// stored answer).
bool questionEnabled(int number, const records::EditValues& values);

// ---- the forms

// Field ids of the forms.
enum QuestionnaireField : int {
    kFType = 100, // hidden: the stored type
    kFDate = 101,
    kFPolicy = 102,
    kFClient = 103,
    kFAddress = 104,
    kFTown = 105,
    kFPostCode = 106,
    kFProvince = 107,
    kFTaxCode = 108,
    kFVat = 109,
    kFBirth = 110,
    kFProfession = 111,
    kFFee = 112,
    kFExpenses = 113,
    kFWithholding = 114,
    kFHandler = 115,
    kFInternal = 116,
    kFHolder = 117,
    kFCoverType = 118,
    kFNeed = 119,
    kFAnswer1 = 301, // question N has id 300 + N
};

// The motor form (types "T" and "R"): page 1 the client, the fee and the handlers, pages 2 to 4
// the questions 1-9, 10-15 and 16-21.
const records::RegisterDesc& motorForm();
// The other-branches form: one page, with the cover type and the need instead of the questions.
const records::RegisterDesc& otherForm();
// The form of a type.
const records::RegisterDesc& formOf(std::string_view type);
// "Aggiungi" or "Modifica", then " Ramo Auto", " Ramo Auto Gestione Telefoniche" or " Altri rami".
std::string formCaption(bool inserting, std::string_view type);

// The values of a new questionnaire of TYPE on its form: the date TODAY and the questions' answers
// of a new questionnaire.
records::EditValues newValues(std::string_view type, Date today = Date::today());

// ---- the data of a policy (ADATIPOL)

struct ProducerData {
    bool found = false;
    std::string name, address, postCode, town, province, officePhone, email, pec, website, qualification, rui;
    Date ruiDate;
};
// PRODUTT's record of NAME (not found when NAME is blank or unknown).
ProducerData producerData(store::Workspace& ws, const std::string& name);

struct VehicleData {
    bool found = false;
    std::string type, plate, limits;
    bool exclusive = false, expert = false, free = false; // GDXCON, GDECON, GDLCON
    bool accident = false, glass = false, ownDamage = false, fireTheft = false, flammables = false, vandalism = false,
         fireDamage = false, licence = false, legal = false, assistance = false, weather = false, telematics = false;
    // Any of the ten covers besides the liability: the answer to question 8.
    bool anyCover() const;
};

struct AgreementData {
    bool found = false;
    std::string rui;
    Date ruiDate;
    bool ratified = false;
};

struct PolicyData {
    bool found = false;
    std::string number, code, client, company, agreement, branch, fraction, producer;
    Date effect, coverage;
    Decimal premium, fee, expenses, agencyCommission;
    bool telephone = false;
    records::ClientData insured; // the policy's client (blank when not in CLIENTI)
    VehicleData vehicle;         // the motor sheet
    AgreementData agreementData; // COMPAGN's record of the agreement
    ProducerData producerData;   // the policy's producer
    ProducerData handler;        // the questionnaire's handler
};
// The policy NUMBER (tag NUMPOL) with its client, motor sheet, agreement and producer, and the
// producer record of HANDLER. Not found for a blank or unknown number (the handler is still read).
PolicyData ADATIPOL(store::Workspace& ws, const std::string& number, const std::string& handler = {});

// ---- the fee's withholding

// "Emissione fatture" / "Aliquota RA" of the folder's ARV.INI; 11.5 when missing or unreadable.
Decimal withholdingRate(const std::string& folder);
// FEE × RATE / 100, rounded half away from zero to the cent.
Decimal withholding(const Decimal& fee, const Decimal& rate);
// "Rit. acconto:" again: the withholding of the fee shown when both the policy number and the VAT
// number are filled, else 0. A value too wide for the field is kept whole, so that the re-check
// refuses it ("Numero troppo grande.").
void recomputeWithholding(records::EditValues& values, const Decimal& rate);

// ---- loading

// The client's data when "Cliente:" is left holding a known client: address, town, post code,
// province, tax code, VAT number, birth date and profession are overwritten. False when unknown.
bool loadClient(store::Workspace& ws, records::EditValues& values);
// The answers of the motor questions that the policy's motor sheet gives: 4 the liability limits,
// 6 and 7 the driving, 8 any cover, 9-19 the covers, 21 the instalments.
void applyVehicleAnswers(records::EditValues& values, const PolicyData& policy);
// The policy number left: with a known number the client's data, the fee, the expenses, the
// withholding and (motor forms) the answers come from the policy; with none the fee, the expenses
// and the withholding become 0; an unknown number changes nothing (its rule refuses it).
void loadFromPolicy(store::Workspace& ws, records::EditValues& values, const Decimal& rate);
// What leaving a changed field does: the policy loads, the client loads, the fee and the VAT
// number recompute the withholding (the rate read from ARV.INI of the workspace's folder).
void questionnaireFieldLeft(store::Workspace& ws, int id, records::EditValues& values);

// ---- the pre-contractual document

// A stored questionnaire.
struct Questionnaire {
    std::string type, policy, client, handler, internal, coverType, need;
    Date date;
    Decimal fee, expenses, withholding;
    bool holder = false;
    std::vector<std::string> answers; // 21
};
Questionnaire readQuestionnaire(const store::Table& record);

// Every placeholder of the templates with its value, in the order they are replaced.
std::vector<std::pair<std::string, std::string>> placeholders(const Questionnaire& q, const PolicyData& policy,
                                                              Date today);

struct PrintResult {
    std::string message;  // to show ("" when the document opened)
    std::string document; // the filled document written and opened
    explicit operator bool() const { return message.empty(); }
};
// STAMPAN: the document of the questionnaire RECORD filled from its type's template in the
// working folder, under "Stampa in corso...", and opened for the user to print or save. A
// questionnaire without a policy number, a missing or unreadable template and a document that
// could not be written or opened give their message.
PrintResult STAMPAN(store::Workspace& ws, const store::Table& record, Date today = Date::today());

// ---- the templates the program ships

// The three templates' file names.
std::vector<std::string> templateNames();
// The folder of the shipped templates: "templates" beside the program, then
// "../share/arvale/templates", then the build's own; "" when none holds them.
std::string templatesFolder(const std::string& programDir);
// Copies into FOLDER the templates of FROM that FOLDER lacks (an agency's own are kept); the
// number copied.
int copyTemplates(const std::string& from, const std::string& folder);

} // namespace arv::sales
