#include "common/lists.h"

#include "common/text_util.h"

namespace arv {

StringList AFRAZ()
{
    return {"", "MENSILE", "BIMESTRALE", "TRIMESTRALE", "QUADRIMESTRALE", "SEMESTRALE", "ANNUALE", "PREMIO UNICO"};
}

StringList ATITOLI()
{
    return {"", "Egr. Sig.", "Gent.le Sig.ra", "Spett.le", "Preg.mo Dott.", "Preg.ma Dott.ssa", "Egr. Avv."};
}

StringList AVEICOLI()
{
    return {"Autovettura", "Ciclomotore", "Motoveicolo", "Autocarro", "Autobus", "Natante", "Rimorchio"};
}

StringList AQUALPROD()
{
    return {"",
            "Ditta individuale",
            "Rappresentante legale",
            "Amministratore delegato",
            "Direttore generale",
            "Responsabile intermediazione",
            "Addetto fuori locali",
            "Addetto collaboratore",
            "Addetto a titolo accessorio"};
}

StringList APAGAM()
{
    return {"",          "RID",       "C/C Postale",   "Bonifico",   "Carta credito", "In ufficio", "Presso cliente",
            "Produttore", "Sospeso", "Prestitempo", "Fiditalia", "Finanziamento", "Sospensione"};
}

StringList AMODPAG() { return {"", "Contanti", "Assegno", "Bonifico", "Carta credito", "RID"}; }

StringList ADOCUMENTI()
{
    return {"",
            "ORIGINALE DI POLIZZA",
            "PRECONTRATTUALE",
            "Completa",
            "Attestato rischio",
            "Voltura PRA",
            "Libretto 1ª imm.ne",
            "Dichiarazione",
            "Svincolo assicurativo",
            "Certif. e contrassegno",
            "Documento identità",
            "Atto di vendita",
            "Atto di rottamazione",
            "Stato di famiglia"};
}

StringList AMASSIMALI()
{
    return {"",
            "7.290.000,00",
            "7.750.000,00",
            "10.000.000,00",
            "12.000.000,00",
            "15.000.000,00",
            "20.000.000,00",
            "25.000.000,00",
            "40.000.000,00",
            "50.000.000,00",
            "100.000.000,00",
            "ILLIMITATO"};
}

StringList ATIPICOPE()
{
    return {"",
            "RC Professionale",
            "Tutela Giudiziaria",
            "Infortuni",
            "Malattia",
            "Vita",
            "Corpi veicoli",
            "Merci trasportate",
            "Incendio e altri danni ai beni",
            "Cauzione e/o credito",
            "Responsabilità civile generale",
            "Perdite pecuniarie e/o assistenza"};
}

StringList AESIGENZE()
{
    return {"", "Obblighi di legge", "Impegni contrattuali", "Personali esigenze di copertura del rischio"};
}

StringList AALIQIVA(bool emptyFirst)
{
    StringList list = {"20%", "E2", "E15"};
    if (emptyFirst) list.insert(list.begin(), "");
    return list;
}

StringList DESIVA() { return {"20%", "Es. Art. 2", "Es. Art. 15"}; }

std::string DESIVA(std::string_view code)
{
    const std::string_view t = detail::trim(code);
    const StringList codes = AALIQIVA(false);
    const StringList descriptions = DESIVA();
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] == t) return descriptions[i];
    return {};
}

StringList ACONTI()
{
    StringList list = {"",
                       "Cassa entrate",
                       "Cassa uscite",
                       "C/C Postale entrate",
                       "C/C Postale uscite",
                       "Sospesi da giroconto",
                       "Sospesi da clienti",
                       "Sospesi clienti (Bonifico)",
                       "Sospesi clienti (C/C Post)",
                       "Sospesi clienti (RID)",
                       "Sospesi compagnie/rapporti",
                       "Sospesi da produttori",
                       "Sospesi POS bancomat",
                       "Sospesi POS carta credito",
                       "Sospesi POS virtuale",
                       "Sospesi AB postdatati",
                       "Sospesi da finanziarie",
                       "Sospesi vers. contanti",
                       "Sospesi vers. assegni"};
    for (int n = 1; n <= 4; ++n) list.push_back("Assegni e bonifici banca " + std::to_string(n));
    list.push_back("Assegni/bonifici C/C Post");
    for (int n = 1; n <= 4; ++n) {
        list.push_back("Banca " + std::to_string(n) + " entrate");
        list.push_back("Banca " + std::to_string(n) + " uscite");
    }
    for (int n = 1; n <= 4; ++n) list.push_back("Ricaricabile " + std::to_string(n) + " entrate");
    for (int n = 1; n <= 4; ++n) list.push_back("Ricaricabile " + std::to_string(n) + " uscite");
    list.insert(list.end(), {"Carta di credito 5", "Entrate compensate", "Uscite compensate", "Carta di credito"});
    return list;
}

std::string CODIPAG(std::string_view modPag)
{
    static constexpr struct {
        std::string_view name;
        std::string_view code;
    } table[] = {{"Contanti", "MP01"}, {"Assegno", "MP02"}, {"Bonifico", "MP05"}, {"Carta credito", "MP08"}, {"RID", "MP09"}};
    const std::string_view t = detail::trim(modPag);
    for (const auto& row : table)
        if (row.name == t) return std::string(row.code);
    return {};
}

} // namespace arv
