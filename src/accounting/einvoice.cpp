#include "accounting/einvoice.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlschemas.h>

#include "common/files.h"
#include "common/ini.h"
#include "common/lists.h"
#include "common/mask.h"
#include "common/tempnames.h"
#include "common/text.h"
#include "common/text_util.h"

namespace arv::accounting {

using namespace store;
namespace fs = std::filesystem;

namespace {

constexpr const char* kSchemaFile = "Schema_1.2.1.xsd";
constexpr const char* kDsigFile = "xmldsig-core-schema.xsd";
constexpr const char* kDsigUrl = "http://www.w3.org/TR/2002/REC-xmldsig-core-20020212/xmldsig-core-schema.xsd";
constexpr const char* kNamespace = "http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2";

// ---- text

// The code points of a UTF-8 text; a byte that does not begin a valid sequence counts as itself.
std::vector<char32_t> codePoints(const std::string& s)
{
    std::vector<char32_t> out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + static_cast<size_t>(n) > s.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        char32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (int k = 1; k < n; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((d >> 6) != 2) ok = false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string escaped(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// At most N characters.
std::string leftChars(const std::string& utf8, size_t n)
{
    std::string out;
    size_t count = 0;
    for (char32_t cp : codePoints(utf8)) {
        if (count++ == n) break;
        appendUtf8(out, cp);
    }
    return out;
}

std::string oneLine(const std::string& s)
{
    std::string out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string iso(Date d)
{
    if (!d) return std::string();
    const std::string s = d.dtos();
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2);
}

std::string num(const Decimal& d, int decimals = 2) { return d.round(decimals).toString(decimals); }

bool allDigits(const std::string& s, size_t n)
{
    return s.size() == n && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string province(const std::string& p)
{
    const std::string u = detail::upperAscii(trim(p));
    if (u.size() == 2 && std::isupper(static_cast<unsigned char>(u[0])) && std::isupper(static_cast<unsigned char>(u[1])))
        return u;
    return std::string();
}

// The document being written: one element a line, two blanks a level.
class Writer {
public:
    void open(const std::string& tag, const std::string& attributes = {})
    {
        line("<" + tag + attributes + ">");
        stack_.push_back(tag);
    }
    void close()
    {
        const std::string tag = stack_.back();
        stack_.pop_back();
        line("</" + tag + ">");
    }
    void value(const std::string& tag, const std::string& text)
    {
        line("<" + tag + ">" + escaped(latinText(text)) + "</" + tag + ">");
    }
    // Optional elements are left out when empty.
    void optional(const std::string& tag, const std::string& text)
    {
        if (!trim(text).empty()) value(tag, text);
    }
    void declaration() { out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"; }
    std::string text() const { return out_; }

private:
    void line(const std::string& s)
    {
        if (!out_.empty()) out_ += "\r\n";
        out_ += std::string(stack_.size() * 2, ' ') + s;
    }
    std::string out_;
    std::vector<std::string> stack_;
};

std::string base64(const std::string& bytes)
{
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += table[(v >> k) & 0x3F];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += table[(v >> 18) & 0x3F];
        out += table[(v >> 12) & 0x3F];
        out += i + 1 < bytes.size() ? table[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

} // namespace

std::string latinText(const std::string& utf8)
{
    std::string out;
    for (char32_t cp : codePoints(trim(utf8))) {
        switch (cp) {
        case 0x20AC: out += "EUR"; break;
        case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: out += '\''; break;
        case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033: out += '"'; break;
        case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212: out += '-'; break;
        case 0x2026: out += "..."; break;
        default:
            if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) out += ' ';
            else if (cp > 0xFF) out += '?';
            else appendUtf8(out, cp);
        }
    }
    return out;
}

std::string base36(long long counter, int width)
{
    static const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string out;
    for (long long v = std::max(counter, 0LL); v > 0; v /= 36) out.insert(out.begin(), digits[v % 36]);
    if (static_cast<int>(out.size()) < width) out.insert(0, static_cast<size_t>(width) - out.size(), '0');
    return out;
}

// ---------------------------------------------------------------- the writer

Decimal TFattXml::lineTotal(const FattLine& l)
{
    Decimal total = l.quantity * l.price;
    for (const Decimal& d : l.discounts)
        if (d > Decimal(0)) total = total - total * d / Decimal(100);
    return total.round(2);
}

TFattXml::Amounts TFattXml::amounts() const
{
    Amounts a;
    auto group = [&a](const Decimal& rate, const std::string& nature) -> Summary& {
        for (Summary& s : a.summaries)
            if (s.rate == rate && s.nature == nature) return s;
        a.summaries.push_back(Summary{rate, nature, Decimal(), Decimal()});
        return a.summaries.back();
    };
    for (const FattLine& l : aFatRig) {
        const Decimal t = lineTotal(l);
        a.taxable += t;
        const std::string nature = l.rate.isZero() ? (l.nature.empty() ? cNat : l.nature) : std::string();
        group(l.rate, nature).taxable += t;
    }
    if (lCas) {
        a.contribution = (a.taxable * nCasAli / Decimal(100)).round(2);
        const Decimal rate = nCasIva.value_or(Decimal());
        group(rate, rate.isZero() ? cNat : std::string()).taxable += a.contribution;
    }
    if (lRit) a.withholding = ((a.taxable + a.contribution) * nRitAli / Decimal(100)).round(2);
    Decimal gross;
    for (Summary& s : a.summaries) {
        s.taxable = s.taxable.round(2);
        s.tax = (s.taxable * s.rate / Decimal(100)).round(2);
        gross += s.taxable + s.tax;
    }
    a.total = (gross - a.withholding).round(2);
    return a;
}

std::vector<std::string> TFattXml::problems() const
{
    std::vector<std::string> p;
    const std::string code = trim(cDesCod);
    if (!code.empty()) {
        const size_t want = lPri ? 7 : 6;
        if (code.size() != want || !std::all_of(code.begin(), code.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            p.push_back("codice destinatario di " + std::to_string(want) + " lettere o cifre");
    }
    if (trim(cTraCdf).empty()) p.push_back("codice fiscale del trasmittente");
    if (trim(cCedIva).empty()) p.push_back("partita IVA del cedente");
    if (trim(cCedDen).empty() && (trim(cCedNom).empty() || trim(cCedCog).empty())) p.push_back("denominazione del cedente");
    if (!allDigits(trim(cCedCap), 5)) p.push_back("CAP del cedente di 5 cifre");
    if (trim(cCedInd).empty() || trim(cCedCom).empty()) p.push_back("indirizzo e comune del cedente");
    if (trim(cCesIva).empty() && trim(cCesCdf).empty()) p.push_back("partita IVA o codice fiscale del cliente");
    if (!allDigits(trim(cCesCap), 5)) p.push_back("CAP del cliente di 5 cifre");
    if (trim(cCesInd).empty() || trim(cCesCom).empty()) p.push_back("indirizzo e comune del cliente");
    const bool person = trim(cCesIva).empty() && trim(cCesCdf).size() == 16;
    if (person ? (trim(cCesNom).empty() || trim(cCesCog).empty()) : trim(cCesDen).empty())
        p.push_back("nome del cliente");
    if (!dFatDat) p.push_back("data della fattura");
    if (trim(nFatNum).empty()) p.push_back("numero della fattura");
    if (aFatRig.empty()) p.push_back("righe della fattura");
    return p;
}

std::string TFattXml::document() const
{
    const std::string format = lPri ? "FPR12" : "FPA12";
    const std::string recipient = trim(cDesCod).empty() ? std::string(lPri ? "0000000" : "999999") : trim(cDesCod);
    const Amounts a = amounts();
    const int priceDecimals = std::clamp(nPreDec.value_or(2), 2, 8);
    Writer w;
    w.declaration();
    w.open("p:FatturaElettronica",
           " versione=\"" + format + "\" xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\" xmlns:p=\"" + kNamespace +
               "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" + kNamespace +
               " Schema_del_file_xml_FatturaPA_versione_1.2.xsd\"");
    w.open("FatturaElettronicaHeader");
    w.open("DatiTrasmissione");
    w.open("IdTrasmittente");
    w.value("IdPaese", cPae);
    w.value("IdCodice", cTraCdf);
    w.close();
    w.value("ProgressivoInvio", cPrg);
    w.value("FormatoTrasmissione", format);
    w.value("CodiceDestinatario", recipient);
    w.optional("PECDestinatario", cDesPec);
    w.close();

    w.open("CedentePrestatore");
    w.open("DatiAnagrafici");
    w.open("IdFiscaleIVA");
    w.value("IdPaese", cPae);
    w.value("IdCodice", cCedIva);
    w.close();
    w.open("Anagrafica");
    if (!trim(cCedDen).empty()) w.value("Denominazione", cCedDen);
    else {
        w.value("Nome", cCedNom);
        w.value("Cognome", cCedCog);
    }
    w.close();
    w.value("RegimeFiscale", cReg);
    w.close();
    w.open("Sede");
    w.value("Indirizzo", cCedInd);
    w.value("CAP", cCedCap);
    w.value("Comune", cCedCom);
    w.optional("Provincia", province(cCedPro));
    w.value("Nazione", cPae);
    w.close();
    w.close();

    w.open("CessionarioCommittente");
    w.open("DatiAnagrafici");
    if (!trim(cCesIva).empty()) {
        w.open("IdFiscaleIVA");
        w.value("IdPaese", cCesPae);
        w.value("IdCodice", cCesIva);
        w.close();
        w.optional("CodiceFiscale", cCesCdf);
        w.open("Anagrafica");
        w.value("Denominazione", cCesDen);
        w.close();
    } else {
        w.value("CodiceFiscale", cCesCdf);
        w.open("Anagrafica");
        if (trim(cCesCdf).size() != 16) w.value("Denominazione", cCesDen);
        else {
            w.value("Nome", cCesNom);
            w.value("Cognome", cCesCog);
        }
        w.close();
    }
    w.close();
    w.open("Sede");
    w.value("Indirizzo", cCesInd);
    w.value("CAP", cCesCap);
    w.value("Comune", cCesCom);
    w.optional("Provincia", province(cCesPro));
    w.value("Nazione", cCesPae);
    w.close();
    w.close();

    if (!trim(cIntDen).empty()) {
        w.open("TerzoIntermediarioOSoggettoEmittente");
        w.open("DatiAnagrafici");
        w.open("IdFiscaleIVA");
        w.value("IdPaese", cIntPae);
        w.value("IdCodice", cIntIva);
        w.close();
        w.open("Anagrafica");
        w.value("Denominazione", cIntDen);
        w.close();
        w.close();
        w.close();
    }
    w.close(); // FatturaElettronicaHeader

    w.open("FatturaElettronicaBody");
    w.open("DatiGenerali");
    w.open("DatiGeneraliDocumento");
    w.value("TipoDocumento", cDoc);
    w.value("Divisa", cDiv);
    w.value("Data", iso(dFatDat));
    const std::optional<Decimal> asNumber = Decimal::parse(trim(nFatNum));
    w.value("Numero", asNumber ? asNumber->round(0).toString(0) : trim(nFatNum));
    if (lRit) {
        w.open("DatiRitenuta");
        w.value("TipoRitenuta", cRitTip);
        w.value("ImportoRitenuta", num(a.withholding));
        w.value("AliquotaRitenuta", num(nRitAli.abs()));
        w.value("CausalePagamento", "A");
        w.close();
    }
    if (lCas) {
        const Decimal rate = nCasIva.value_or(Decimal());
        w.open("DatiCassaPrevidenziale");
        w.value("TipoCassa", cCasTip);
        w.value("AlCassa", num(nCasAli));
        w.value("ImportoContributoCassa", num(a.contribution));
        w.value("ImponibileCassa", num(a.taxable));
        w.value("AliquotaIVA", num(rate));
        if (lRit) w.value("Ritenuta", "SI");
        if (rate.isZero()) w.value("Natura", cNat);
        w.close();
    }
    w.value("ImportoTotaleDocumento", num(a.total));
    // The reason in pieces of at most 200 characters.
    for (std::string rest = latinText(oneLine(cFatCau)); !rest.empty();) {
        const std::string piece = leftChars(rest, 200);
        w.value("Causale", piece);
        rest = trim(rest.substr(piece.size()));
    }
    w.close();
    for (const FattDdt& d : aDdt) {
        w.open("DatiDDT");
        w.value("NumeroDDT", d.number);
        w.value("DataDDT", iso(d.date));
        for (int l : d.lines) w.value("RiferimentoNumeroLinea", std::to_string(l));
        w.close();
    }
    w.close(); // DatiGenerali

    w.open("DatiBeniServizi");
    int n = 0;
    for (const FattLine& l : aFatRig) {
        w.open("DettaglioLinee");
        w.value("NumeroLinea", std::to_string(++n));
        w.value("Descrizione", leftChars(latinText(oneLine(l.description)), 1000));
        w.value("Quantita", num(l.quantity));
        w.value("PrezzoUnitario", num(l.price, priceDecimals));
        for (const Decimal& d : l.discounts)
            if (d > Decimal(0)) {
                w.open("ScontoMaggiorazione");
                w.value("Tipo", "SC");
                w.value("Percentuale", num(d));
                w.close();
            }
        w.value("PrezzoTotale", num(lineTotal(l)));
        w.value("AliquotaIVA", num(l.rate));
        if (lRit) w.value("Ritenuta", "SI");
        if (l.rate.isZero()) w.optional("Natura", l.nature.empty() ? cNat : l.nature);
        w.close();
    }
    for (const Summary& s : a.summaries) {
        w.open("DatiRiepilogo");
        w.value("AliquotaIVA", num(s.rate));
        if (s.rate.isZero()) w.optional("Natura", s.nature);
        w.value("ImponibileImporto", num(s.taxable));
        w.value("Imposta", num(s.tax));
        w.value("EsigibilitaIVA", cEsi);
        w.close();
    }
    w.close(); // DatiBeniServizi

    if (!trim(cModPag).empty()) {
        w.open("DatiPagamento");
        w.value("CondizioniPagamento", cConPag);
        w.open("DettaglioPagamento");
        w.value("ModalitaPagamento", cModPag);
        if (dScaPag) w.value("DataScadenzaPagamento", iso(dScaPag));
        w.value("ImportoPagamento", num(a.total));
        w.optional("IstitutoFinanziario", cBan);
        w.optional("IBAN", cIba);
        w.close();
        w.close();
    }
    for (const std::string& path : aAttach) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        w.open("Allegati");
        w.value("NomeAttachment", fs::path(path).filename().string());
        w.value("Attachment", base64(bytes.str()));
        w.close();
    }
    w.close(); // FatturaElettronicaBody
    w.close();
    return w.text();
}

std::string TFattXml::Export(const std::string& fileName) const
{
    const std::vector<std::string> p = problems();
    if (!p.empty()) {
        std::string m = "Dati mancanti o non validi per la fattura elettronica: ";
        for (size_t i = 0; i < p.size(); ++i) m += (i ? ", " : "") + p[i];
        return m + ".";
    }
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out << document();
    out.close();
    if (!out) return "Impossibile scrivere il file " + fileName + ".";
    return std::string();
}

// ---------------------------------------------------------------- the check

namespace {

std::string& schemaFolderSetting()
{
    static std::string folder = invoiceSchemaFolder(std::string());
    return folder;
}

std::mutex& xmlMutex()
{
    static std::mutex m;
    return m;
}

xmlExternalEntityLoader& defaultLoader()
{
    static xmlExternalEntityLoader loader = xmlGetExternalEntityLoader();
    return loader;
}

// The signature schema the invoice schema imports by its web address comes from the local copy;
// nothing else is ever fetched from the network.
xmlParserInputPtr localLoader(const char* url, const char* id, xmlParserCtxtPtr ctxt)
{
    const std::string u = url ? url : "";
    if (u == kDsigUrl) {
        const std::string local = (fs::path(schemaFolderSetting()) / kDsigFile).string();
        return xmlNewInputFromFile(ctxt, local.c_str());
    }
    if (u.rfind("http:", 0) == 0 || u.rfind("https:", 0) == 0 || u.rfind("ftp:", 0) == 0) return nullptr;
    return defaultLoader()(url, id, ctxt);
}

std::string lastErrorText(const char* fallback)
{
    const xmlError* e = xmlGetLastError();
    std::string m = e && e->message ? e->message : fallback;
    while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
    if (e && e->line > 0) m += " (riga " + std::to_string(e->line) + ")";
    return m;
}

struct Collected {
    std::string first;
};
void collectAdapter(void* data, xmlErrorPtr e)
{
    auto* c = static_cast<Collected*>(data);
    if (!c->first.empty() || !e || !e->message) return;
    c->first = e->message;
    while (!c->first.empty() && (c->first.back() == '\n' || c->first.back() == ' ')) c->first.pop_back();
    if (e->line > 0) c->first += " (riga " + std::to_string(e->line) + ")";
}

// The compiled schema, once per folder.
xmlSchemaPtr schemaOf(const std::string& folder, std::string* problem)
{
    static std::string loadedFrom;
    static xmlSchemaPtr schema = nullptr;
    if (schema && loadedFrom == folder) return schema;
    defaultLoader();
    xmlSetExternalEntityLoader(localLoader);
    const std::string path = (fs::path(folder) / kSchemaFile).string();
    xmlSchemaParserCtxtPtr pc = xmlSchemaNewParserCtxt(path.c_str());
    if (!pc) {
        *problem = "schema non leggibile: " + path;
        return nullptr;
    }
    Collected errors;
    xmlSchemaSetParserStructuredErrors(pc, collectAdapter, &errors);
    xmlSchemaPtr parsed = xmlSchemaParse(pc);
    xmlSchemaFreeParserCtxt(pc);
    if (!parsed) {
        *problem = "schema non valido (" + path + "): " + errors.first;
        return nullptr;
    }
    if (schema) xmlSchemaFree(schema);
    schema = parsed;
    loadedFrom = folder;
    return schema;
}

} // namespace

std::string invoiceSchemaFolder(const std::string& programDir)
{
    std::vector<fs::path> candidates;
    if (!programDir.empty()) {
        candidates.push_back(fs::path(programDir) / "data" / "fatturapa");
        candidates.push_back(fs::path(programDir) / ".." / "share" / "arvale" / "fatturapa");
    }
#ifdef ARV_FATTURAPA_DIR
    candidates.push_back(fs::path(ARV_FATTURAPA_DIR));
#endif
    std::error_code ec;
    for (const fs::path& p : candidates)
        if (fs::exists(p / kSchemaFile, ec) && fs::exists(p / kDsigFile, ec)) return p.lexically_normal().string();
    return std::string();
}

void setInvoiceSchemaFolder(std::string folder)
{
    std::lock_guard<std::mutex> lock(xmlMutex());
    schemaFolderSetting() = std::move(folder);
}

const std::string& currentInvoiceSchemaFolder() { return schemaFolderSetting(); }

std::optional<std::string> checkInvoiceFile(const std::string& path, bool* validated)
{
    std::lock_guard<std::mutex> lock(xmlMutex());
    if (validated) *validated = false;
    defaultLoader();
    xmlSetExternalEntityLoader(localLoader);
    xmlResetLastError();
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return "documento XML non leggibile: " + lastErrorText("errore di lettura");
    struct FreeDoc {
        xmlDocPtr d;
        ~FreeDoc() { xmlFreeDoc(d); }
    } freeDoc{doc};
    const std::string folder = schemaFolderSetting();
    if (folder.empty()) return std::nullopt;
    std::string problem;
    xmlSchemaPtr schema = schemaOf(folder, &problem);
    if (!schema) return problem;
    xmlSchemaValidCtxtPtr vc = xmlSchemaNewValidCtxt(schema);
    Collected errors;
    xmlSchemaSetValidStructuredErrors(vc, collectAdapter, &errors);
    const int rc = xmlSchemaValidateDoc(vc, doc);
    xmlSchemaFreeValidCtxt(vc);
    if (rc != 0) return "documento non conforme allo schema FatturaPA: " + (errors.first.empty() ? std::string("errore") : errors.first);
    if (validated) *validated = true;
    return std::nullopt;
}

// ---------------------------------------------------------------- the export of an invoice

std::optional<std::string> customerXmlProblem(const InvoiceCustomer& c)
{
    if (!c.company && c.vatNumber.empty() && c.taxCode.size() == 16 && c.firstName.empty()) return std::string(kMsgNaturalPersonName);
    std::vector<std::string> missing;
    if (c.address.empty()) missing.push_back("indirizzo");
    if (c.postCode.empty()) missing.push_back("CAP");
    if (c.town.empty()) missing.push_back("città");
    if (c.vatNumber.empty() && c.taxCode.empty()) missing.push_back("partita IVA o codice fiscale");
    if (!missing.empty()) {
        std::string m = "Dati del cliente " + c.name + " incompleti per la fattura elettronica: manca ";
        for (size_t i = 0; i < missing.size(); ++i) m += (i ? ", " : "") + missing[i];
        return m + ".";
    }
    if (!allDigits(c.postCode, 5)) return "Il CAP del cliente " + c.name + " deve essere di 5 cifre.";
    if (!c.sdiCode.empty() &&
        (c.sdiCode.size() != 7 ||
         !std::all_of(c.sdiCode.begin(), c.sdiCode.end(), [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)); })))
        return "Il codice destinatario (SDI) del cliente " + c.name + " deve essere di 7 lettere o cifre.";
    return std::nullopt;
}

std::string transmitterCode(const AgencyIdentity& a) { return a.taxCode.empty() ? a.vatNumber : a.taxCode; }

std::optional<std::string> agencyXmlProblem(const AgencyIdentity& a)
{
    std::vector<std::string> missing;
    if (a.name.empty() && (a.holderFirstName.empty() || a.holderSurname.empty())) missing.push_back("ragione sociale");
    if (a.vatNumber.empty()) missing.push_back("partita IVA");
    if (a.address.empty()) missing.push_back("indirizzo");
    if (!allDigits(a.postCode, 5)) missing.push_back("CAP di 5 cifre");
    if (a.town.empty()) missing.push_back("città");
    if (missing.empty()) return std::nullopt;
    std::string m = "Dati agenzia incompleti per la fattura elettronica (";
    for (size_t i = 0; i < missing.size(); ++i) m += (i ? ", " : "") + missing[i];
    return m + "): completarli da Servizio > Dati agenzia...";
}

TFattXml invoiceXml(const InvoiceData& inv, const InvoiceCustomer& c, const AgencyIdentity& a, const std::string& prg)
{
    TFattXml x;
    x.cNat = "N4";
    x.cPrg = prg;
    x.cTraCdf = transmitterCode(a);
    x.cDesCod = c.sdiCode.empty() ? std::string("0000000") : detail::upperAscii(c.sdiCode);
    x.cDesPec = c.pec;
    x.cCedIva = a.vatNumber;
    x.cCedDen = a.name;
    x.cCedNom = a.holderFirstName;
    x.cCedCog = a.holderSurname;
    x.cCedInd = a.address;
    x.cCedCap = a.postCode;
    x.cCedCom = a.town;
    x.cCedPro = a.province;
    x.cCesIva = c.vatNumber;
    x.cCesCdf = c.taxCode;
    x.cCesPae = "IT";
    x.cCesDen = c.name;
    x.cCesInd = c.address;
    x.cCesCap = c.postCode;
    x.cCesCom = c.town;
    x.cCesPro = c.province;
    x.cCesNom = c.firstName;
    // The surname: the name without the first name.
    std::string surname = c.name;
    if (!c.firstName.empty()) {
        const std::string u = Mask::upper(surname), f = Mask::upper(c.firstName);
        if (const size_t at = u.find(f); at != std::string::npos) surname.erase(at, c.firstName.size());
    }
    std::string collapsed;
    for (char ch : surname)
        if (!(ch == ' ' && (collapsed.empty() || collapsed.back() == ' '))) collapsed += ch;
    x.cCesCog = trim(collapsed);
    x.dFatDat = inv.date;
    x.nFatNum = std::to_string(inv.number);
    if (inv.rate < Decimal(0)) {
        x.lRit = true;
        x.nRitAli = inv.rate.abs();
    }
    // The description: the first line of the text that holds something.
    std::string first;
    std::istringstream lines(inv.text);
    for (std::string l; std::getline(lines, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (!trim(l).empty()) {
            first = trim(l);
            break;
        }
    }
    if (first.empty()) first = "Fattura n. " + std::to_string(inv.number);
    x.aFatRig.push_back(FattLine{leftChars(first, 79), Decimal(1), inv.amount,
                                 inv.rate > Decimal(0) ? inv.rate : Decimal(), std::string(), {}});
    x.cModPag = CODIPAG(trim(inv.payment));
    x.dScaPag = inv.date;
    if (inv.footer && !a.iban.empty()) {
        std::string iban;
        for (char ch : a.iban)
            if (ch != ' ') iban += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        x.cIba = iban;
        x.cBan = a.bankName;
    }
    return x;
}

std::string proposedXmlName(const std::string& folder, const AgencyIdentity& a, long long counter)
{
    return (fs::path(folder) / "FATTURE XML" / ("IT" + transmitterCode(a) + "_" + base36(counter) + ".xml")).string();
}

XmlExport exportInvoiceXml(Workspace& ws, uint32_t recno, const std::function<std::string(const std::string&)>& chooseFile)
{
    XmlExport out;
    auto refuse = [&out](std::string m) {
        out.message = std::move(m);
        return out;
    };
    InvoiceData inv;
    {
        OwnTable t(ws, "FATTBSA", true);
        t->goTo(recno);
        if (t->eof()) return refuse("Fattura non trovata.");
        inv = invoiceData(*t);
    }
    if (inv.number == 0) return refuse(kMsgProformaXml);
    const InvoiceCustomer customer = invoiceCustomer(ws, inv.customer);
    if (auto m = customerXmlProblem(customer)) return refuse(*m);
    const std::string iniPath = (fs::path(ws.folder()) / "ARV.INI").string();
    AgencyIdentity agency;
    agency.load(IniFile(iniPath));
    if (auto m = agencyXmlProblem(agency)) return refuse(*m);

    const long long before = IniFile(iniPath).getInt("Fattura elettronica", "ProgressivoInvio", 1);
    const std::string proposed = proposedXmlName(ws.folder(), agency, before);
    std::error_code ec;
    fs::create_directories(fs::path(proposed).parent_path(), ec);
    std::string chosen = chooseFile ? chooseFile(proposed) : proposed;
    if (trim(chosen).empty()) {
        out.cancelled = true;
        return out;
    }
    if (!fs::path(chosen).has_extension()) chosen += ".xml";

    // The counter and the file under the invoice table's lock: two exports never share a progressive.
    OwnTable lockOn(ws, "FATTBSA");
    lockOn->lock(false);
    Unlocker unlock{*lockOn};
    IniFile ini(iniPath);
    const long long counter = ini.getInt("Fattura elettronica", "ProgressivoInvio", 1);
    if (counter < 0 || counter >= 36LL * 36 * 36 * 36 * 36) return refuse("Progressivo di invio esaurito.");
    if (counter != before && chosen == proposed) chosen = proposedXmlName(ws.folder(), agency, counter);
    const TFattXml x = invoiceXml(inv, customer, agency, base36(counter));
    const fs::path target(chosen);
    const fs::path temp = target.parent_path() / (GETNEWFNAME() + ".xml");
    if (std::string problem = x.Export(temp.string()); !problem.empty()) {
        fs::remove(temp, ec);
        return refuse(problem);
    }
    bool validated = false;
    if (std::optional<std::string> bad = checkInvoiceFile(temp.string(), &validated)) {
        fs::remove(temp, ec);
        return refuse("La fattura elettronica non è stata salvata: " + *bad);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return refuse("Impossibile salvare il file " + chosen + ".");
    }
    ini.setInt("Fattura elettronica", "ProgressivoInvio", counter + 1);
    out.ok = true;
    out.path = chosen;
    out.progressive = base36(counter);
    out.validated = validated;
    return out;
}

} // namespace arv::accounting
