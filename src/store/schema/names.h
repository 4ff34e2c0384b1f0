// Every field name and every index tag name of the schema, sorted, as constexpr data: the names
// the code writes in the record accessors are checked against them when building (store/names.h).
// A field or tag added to the tables (tables.cpp, tags.cpp) is added here as well; the schema test
// says which name is missing.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

namespace arv::schema {

inline constexpr std::string_view kFieldNames[] = {
    "ACQUISTO", "ADDETTO", "ALIASTEL", "ALIMENTAZ", "ALIQPR", "ALIQRA", "ALIQUOTA", "ALTRONUC",
    "ANIMSELV", "ANNO", "ANNULLATO", "ANTIFURTO", "APERTURA", "ARD", "ASSEGNCU", "ASSEGNO",
    "ASSICURATO", "ASSIST", "ATTESCAD", "ATTEVALI", "ATTIVAND", "AUTOPB", "AUTORITA", "AVVIARD",
    "AVVIPREV", "AVVISO", "BENEFIC", "BONIFICO", "BONUSPRO", "CAP", "CAPCON", "CAPPRA",
    "CARTAVERDE", "CASELLATEL", "CATEGORIA", "CATPATE", "CAVALLI", "CDFCON", "CDFPRA", "CELLULARE",
    "CELPRA", "CHIUSO", "CHIUSURA", "CILINDRATA", "CITCON", "CITPRA", "CITTA", "CITTADIN", "CLASSE",
    "CLIENTE", "CMNCON", "CMNPRA", "COASSICUR", "CODCARD", "CODCONV", "CODCPREV", "CODICE",
    "CODICEFISC", "CODICESDI", "CODPOL", "CODPRO", "COLLAB", "COLLEGATA", "COLLISIO", "COMMISS",
    "COMPAGNIA", "COMPARD", "COMPNUC", "COMPPREV", "COMUNASC", "COMUNE", "CONDUCENTE", "CONSEGNA",
    "CONSENSO", "CONTABIL", "CONTANTI", "CONTO", "CONTROP", "CONVARD", "CONVENZIO", "CONVPREV",
    "COPERTURA", "COPERTURE", "CORRISP", "CPTCON", "CPTPRA", "CRISTALLI", "CTDCON", "CTDPRA",
    "DANNIINC", "DATA", "DATADOC", "DATAINS", "DATANASC", "DATARUI", "DECRBERS", "DESCRIZ",
    "DESCRIZIO", "DETTAGLIO", "DIPENDENTE", "DIRITTI", "DISDCLI", "DISDETTA", "DOCUARD",
    "DOCUMENTO", "DOCUPREV", "DTNCON", "DTNPRA", "EFFEARD", "EFFEPREV", "EFFETTO", "EMAILCOPE",
    "EMAPRA", "ESIGENZA", "EVEATM", "E_MAIL", "FATTURA", "FAX", "FAXPRA", "FCNCON", "FCNPRA",
    "FIGLICONV", "FINAARD", "FINALIQ", "FINALIQ2", "FINALIQ3", "FINALIQ4", "FINALIQ5", "FINAPREV",
    "FINEPER", "FINFINO2", "FINFINO3", "FINFINO4", "FINFINO5", "FINFINOA", "FINFISS2", "FINFISS3",
    "FINFISS4", "FINFISS5", "FINFISSO", "FONDO", "FRANCHIGIA", "FRAZARD", "FRAZIONAM", "FRAZPREV",
    "FUMATORE", "GANCIO", "GANCIOTR", "GARANTE", "GARANZIA", "GARANZIA1", "GARANZIA2", "GARANZIA3",
    "GARANZIA4", "GARANZIA5", "GARANZIA6", "GARANZIA7", "GARANZIA8", "GDECON", "GDLCON", "GDXCON",
    "GENEINC", "GIORNO", "GIOSCA", "GIROCONTO", "GPL", "GRUPPO", "GUIDAESP", "ID", "IMMATRIC",
    "IMPATT", "IMPNUO1", "IMPNUO2", "IMPNUO3", "IMPNUO4", "IMPNUO5", "IMPNUO6", "IMPNUO7",
    "IMPOARD", "IMPOARD1", "IMPOARD2", "IMPOARD3", "IMPOPREV", "IMPOPREV1", "IMPOPREV2",
    "IMPOPREV3", "IMPORTO", "INCASSO", "INCENFURT", "INDCON", "INDICIZZ", "INDIRIZZO", "INDPRA",
    "INFCOND", "INFIAMMAB", "INFORTUNI", "INTERNO", "INTESTPRA", "IVACON", "IVAPRA", "KASKO",
    "KILOWATT", "KMANNUI", "LEASING", "LUOGOAVV", "MAGNUC", "MARCA", "MARKETNG", "MASSIMAL1",
    "MASSIMAL2", "MASSIMAL3", "MASSIMAL4", "MASSIMAL5", "MASSIMAL6", "MASSIMAL7", "MASSIMAL8",
    "MASSIMALI", "MASSIMO", "MINIMO", "MINNUC", "MODELLO", "MODPAG", "NOMEPF", "NONATTIVO",
    "NOREPORT", "NOTE", "NOTEARD", "NOTEASS", "NOTEPREV", "NPTCON", "NPTPRA", "NUMERO", "NUMERUI",
    "NUMPATE", "NUMPREV", "NUMSEL", "OCTOTEL", "OKPOLIZZA", "OPERATORE", "ORAEARD", "ORAEFF",
    "ORAEPREV", "ORIGINE", "PAGAARD", "PAGAMENTO", "PAGAPREV", "PAGATO", "PARTITAIVA", "PASSWORD",
    "PEC", "PERITO", "PERPOSTA", "POLCOLL1", "POLCOLL2", "POLIZZA", "POLIZZA1", "POLIZZA2",
    "POLIZZA3", "POLIZZA4", "POLIZZA5", "PORTE", "PRFCON", "PRFISSE", "PRFPRA", "PRIMAIMM",
    "PRIMANOTA", "PRNCON", "PRNPRA", "PROCON", "PRODARD", "PRODOTTO", "PRODPREV", "PRODUTTOR2",
    "PRODUTTORE", "PROFESS", "PROMEMORIA", "PROPRA", "PROVENCU", "PROVENIEN", "PROVINCIA",
    "PROVNASC", "PROVVAGEN", "PROVVPROD", "PRVARIA", "QUALIFICA", "QUINTALI", "RAGSOC", "RAGSOC1",
    "RAGSOC2", "RAMO", "RAMOARD", "RAMOPREV", "RAPNUO1", "RAPNUO2", "RAPNUO3", "RAPNUO4", "RAPNUO5",
    "RAPNUO6", "RAPNUO7", "RAPPARD", "RAPPORTO", "RAPPPREV", "RATIFICATO", "RCAUTO", "REPERTORIO",
    "RESTO", "RIENTRO", "RILPATE", "RIMESSA", "RIMNOPROV", "RINURIV", "RISPOSTA1", "RISPOSTA10",
    "RISPOSTA11", "RISPOSTA12", "RISPOSTA13", "RISPOSTA14", "RISPOSTA15", "RISPOSTA16",
    "RISPOSTA17", "RISPOSTA18", "RISPOSTA19", "RISPOSTA2", "RISPOSTA20", "RISPOSTA21", "RISPOSTA22",
    "RISPOSTA3", "RISPOSTA4", "RISPOSTA5", "RISPOSTA6", "RISPOSTA7", "RISPOSTA8", "RISPOSTA9",
    "RITACC", "RITPAT", "RPTCON", "RPTPRA", "SCADARD", "SCADENZA", "SCADPREV", "SCAPATE",
    "SCOPERTO", "SCVCON", "SCVPRA", "SESCON", "SESPRA", "SESSO", "SINISTRI01", "SINISTRI02",
    "SINISTRI03", "SINISTRI04", "SINISTRI05", "SINISTRI06", "SINISTRI07", "SINISTRI08",
    "SINISTRI09", "SINISTRI10", "SITOWEB", "SOCVINC", "SOLLECITO", "SOSPINC", "SOSTDA", "SOSTPOL",
    "SPESE", "SPTCON", "SPTPRA", "STATOCIV", "SUBAGENTE", "SUBAGENTE2", "TACITORIN", "TARGA",
    "TARGABERS", "TARIFFE", "TELAIO", "TELCASA", "TELEFONICA", "TELEFONO", "TELUFFICIO", "TESTO",
    "TIPO", "TIPOCOPE", "TITOLARE", "TITOLO", "TLCPRA", "TLUPRA", "TUTLEG", "USO1", "USO2",
    "UTENTE", "VALKASKO", "VALORE", "VARIAZBM", "VEICOLO", "VERIFICA", "VINCOLO", "VOLTPRA",
};

inline constexpr std::string_view kTagNames[] = {
    "CASSA", "CATECON", "CLIENTI", "COMPAGN", "COMUNI", "CONVENZ", "DATIAUTO", "DESMVCOM",
    "DESMVCON", "FATTBSA", "FINANZ", "GARANZIE", "GRUPPI", "MARKETNG", "MOVICONT", "MOVIDATA",
    "MOVIPERI", "MOVIPOLI", "NUMESINI", "NUMPOL", "NUMSIN", "NUMTIT", "OPERATOR", "POLIZZE",
    "PREVBSA", "PRODOTTI", "PRODUTT", "PROFESS", "PROVVIG", "QUESTADE", "QUIETANZ", "RAMI",
    "RAMIELEM", "SINISTRI", "SINNUM", "SINPOL", "TIPISIN", "TITOLI", "VITA", "VOCICON", "VOCICON2",
};

// Sorted and without repeats, so that a name is found by bisection.
constexpr bool strictlySorted(const std::string_view* first, const std::string_view* last)
{
    return std::adjacent_find(first, last, [](std::string_view a, std::string_view b) { return !(a < b); }) == last;
}
static_assert(strictlySorted(std::begin(kFieldNames), std::end(kFieldNames)), "kFieldNames: keep the names sorted, once each");
static_assert(strictlySorted(std::begin(kTagNames), std::end(kTagNames)), "kTagNames: keep the names sorted, once each");

constexpr bool isFieldName(std::string_view name)
{
    return std::binary_search(std::begin(kFieldNames), std::end(kFieldNames), name);
}

constexpr bool isTagName(std::string_view name)
{
    return std::binary_search(std::begin(kTagNames), std::end(kTagNames), name);
}

} // namespace arv::schema
