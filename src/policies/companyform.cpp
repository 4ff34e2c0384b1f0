#include "policies/companyform.h"

#include <cmath>

#include "common/files.h"
#include "common/mask.h"
#include "common/printjob.h"
#include "common/text.h"
#include "policies/sheets.h"
#include "store/keys.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

std::string fmt(const Decimal& v, const char* mask)
{
    return Mask(mask).formatNumber(v);
}

std::string dateText(const Date& d) { return d ? d.toDisplay() : std::string(); }

// The motor sheet and the insured's record, as the form prints them.
struct Motor {
    std::string vehicle, plate, make, model, bmClass, limits;
    Decimal horsePower;
};
struct Insured {
    std::string address, postCode, town, province, taxCode, sex;
    Date birth;
};

Motor motorOf(Workspace& ws, const std::string& code)
{
    Motor m;
    if (trim(code).empty()) return m;
    OwnTable t(ws, "DATIAUTO", true);
    t->ordAdd("DATIAUTO");
    if (!t->seek(sheetKey(trim(code)))) return m;
    m.vehicle = trim(t->text("VEICOLO"));
    m.plate = trim(t->text("TARGA"));
    m.make = trim(t->text("MARCA"));
    m.model = trim(t->text("MODELLO"));
    m.bmClass = trim(t->text("CLASSE"));
    m.limits = trim(t->text("MASSIMALI"));
    m.horsePower = t->number("CAVALLI");
    return m;
}

Insured insuredOf(Workspace& ws, const std::string& name)
{
    Insured c;
    OwnTable t(ws, "CLIENTI", true);
    t->ordAdd("CLIENTI");
    if (!t->seek(indexKey(name, 35, true))) return c;
    c.address = trim(t->text("INDIRIZZO"));
    c.postCode = trim(t->text("CAP"));
    c.town = trim(t->text("CITTA"));
    c.province = trim(t->text("PROVINCIA"));
    c.taxCode = trim(t->text("CODICEFISC"));
    c.sex = trim(t->text("SESSO"));
    c.birth = t->date("DATANASC");
    return c;
}

const char* const kRowTitles[kGuaranteeRows] = {"RESPONSABILITA' CIVILE AUTO", "FURTO Valore commerciale   ",
                                                "INCENDIO Valore commercial ", "INFORTUNI DEL GUIDATORE    ",
                                                "ASSISTENZA                 "};

std::string rowFigures(const GuaranteeRow& r)
{
    std::string s = r.capital == Decimal(1) ? std::string("Vedi(I)") : " " + fmt(r.capital, "@ZE 99.99");
    s += "  " + fmt(r.first, "@ZE 9,999.99");
    s += "   " + fmt(r.next, "@ZE 9,999.99");
    s += "  " + fmt(r.taxRate, "@ZE 99.99");
    s += " " + fmt(r.uncovered, "@ZE 99") + (r.uncovered.isZero() ? " " : "%");
    s += " " + fmt(r.deductible, "@ZE 9,999.99");
    return s;
}

} // namespace

std::optional<std::filesystem::path> companyTemplate(const std::filesystem::path& folder, const std::string& company,
                                                     bool replacement)
{
    const std::string name = trim(company);
    if (name.empty() || name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos)
        return std::nullopt;
    return findFileNoCase(folder, name + (replacement ? " SOST.INI" : " NUOVA.INI"));
}

FormTotals formTotals(const FormData& d)
{
    FormTotals t;
    auto tax = [](const GuaranteeRow& r) { return (r.first * r.taxRate / Decimal(100)).round(2); };
    t.taxableLiability = d.rows[kLiability].first;
    t.liabilityTax = tax(d.rows[kLiability]);
    for (int i = kTheft; i < kGuaranteeRows; ++i) {
        t.taxableOther = t.taxableOther + d.rows[static_cast<size_t>(i)].first;
        t.otherTax = t.otherTax + tax(d.rows[static_cast<size_t>(i)]);
    }
    t.health = d.health1;
    t.total = t.taxableLiability + t.taxableOther + t.health + t.liabilityTax + t.otherTax;
    return t;
}

std::string limitInMillions(const std::string& limitText)
{
    std::string digits;
    for (char c : trim(limitText)) {
        if (c == '.') continue;
        if (c < '0' || c > '9') break;
        digits += c;
    }
    if (digits.empty()) return std::string(6, ' ');
    const Decimal value = Decimal::parseOrZero(digits) / Decimal(1000000);
    const Mask m("@ZE 999.99");
    return m.fits(value) ? m.formatNumber(value) : std::string(6, ' ');
}

std::vector<FormItem> formItems(Workspace& ws, const EditValues& v, const FormData& d)
{
    const Motor motor = motorOf(ws, v.get("CODICE"));
    const std::string insuredName = trim(v.get("ASSICURATO"));
    const Insured client = insuredOf(ws, insuredName);
    const FormTotals t = formTotals(d);
    const Date coverage = v.date("COPERTURA");
    const std::string number = trim(v.get("POLIZZA"));
    const std::string replaces = trim(v.get("SOSTPOL"));
    std::vector<FormItem> items;
    auto add = [&items](std::string section, std::vector<std::string> lines) {
        items.push_back({std::move(section), std::move(lines)});
    };
    auto pad2 = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    std::string town = trim(client.postCode + " " + client.town);
    if (!client.province.empty()) town += " (" + client.province + ")";
    const std::string holder = trim(v.get("INTESTPRA"));

    add("Targa contrassegno", {motor.plate});
    add("Tipo veicolo contrassegno", {motor.vehicle + " HP " + trim(motor.horsePower.toString(0))});
    add("Scadenza contrassegno",
        {coverage ? pad2(coverage.day()) + "   " + pad2(coverage.month()) + "  " + std::to_string(coverage.year())
                  : std::string()});
    add("Numero polizza", {number});
    add("Contraente", {insuredName});
    add("Domicilio", {client.address});
    add("Comune", {town});
    add("Tipo veicolo contraente", {motor.vehicle});
    add("Targa", {motor.plate});
    add("Data effetto", {dateText(v.date("EFFETTO"))});
    add("Data copertura", {dateText(coverage)});
    add("Totale cassa", {fmt(t.total, "@ZE 9,999.99")});
    add("Agenzia", {"0786"});
    add("Sub", {"001"});
    add("Codice ramo", {d.branchCode});
    add("Codice rischio", {d.riskCode});
    add("Coassicurazione", {trim(v.get("COASSICUR")).empty() ? "NO" : "SI"});
    add("Codice cliente", {d.clientCode});
    add("Codice fiscale", {client.taxCode});
    add("Data nascita", {dateText(client.birth)});
    add("Sesso", {client.sex});
    add("Marca veicolo", {motor.make});
    add("Codice veicolo", {d.vehicleCode});
    add("Modello veicolo", {motor.model});
    add("Tipo veicolo", {motor.vehicle});
    add("Alimentazione", {d.fuel});
    add("Settore", {d.sector});
    add("Classe", {d.vehicleClass});
    add("Uso", {d.use});
    add("Intestatario PRA",
        {holder.empty() || Mask::upper(holder) == Mask::upper(insuredName) ? std::string(30, '*') : holder});
    add("Date polizza", {"Eff.Pol. " + dateText(v.date("EFFETTO")) + "  Scad.Pol. " + dateText(v.date("SCADENZA")) +
                         "  Scad.Rata " + dateText(coverage)});
    add("Responsabilita civile", {number});
    const std::string limit = limitInMillions(motor.limits);
    add("Massimale 1", {limit});
    add("Massimale 2", {limit});
    add("Massimale 3", {limit});
    add("Forma tariffaria", {"Bonus-Malus    C.Merito: " + motor.bmClass});
    std::vector<std::string> guarantees = {
        "GARANZIE OPERANTI         CAPITALI      RATA     RATA            SCOPERTO E",
        "                             /1000      FIRMA    SUCCESS.  TASSE FRANCHIGIA"};
    for (int i = 0; i < kGuaranteeRows; ++i) {
        const GuaranteeRow& r = d.rows[static_cast<size_t>(i)];
        if (r.first.isZero()) continue;
        guarantees.push_back(std::string(kRowTitles[i]) + rowFigures(r));
        if (i == kLiability && !trim(d.note).empty()) guarantees.push_back(trim(d.note));
    }
    add("Garanzie operanti", guarantees);
    add("Onere parafiscale",
        {"ONERE PARAFISCALE S.S.N.               " + fmt(d.health1, "@ZE 99.99") + " " + fmt(d.health2, "@ZE 99.99")});
    add("Vedi I", {d.rows[kAccident].capital == Decimal(1)
                       ? "(I) Capitali/1000: Morte/Inv.Perm./Spese sanit. Comb.5 " + trim(fmt(d.death, "@ZE 999.99")) +
                             "/" + trim(fmt(d.disability, "@ZE 999.99")) + "/" + trim(fmt(d.medical, "@ZE 999.99"))
                       : std::string()});
    add("Tipo polizza", {replaces.empty() ? "* Prima immatricolazione al P.R.A." : "* Sostituzione"});
    add("Sostituisce", {replaces.empty() ? std::string() : "La presente sostituisce polizza numero " + replaces});
    add("Conducente dichiarato",
        {"Conducente dichiarato: " + (trim(d.driver).empty() ? std::string("Il contraente") : trim(d.driver))});
    for (const char* copy : {"1", "2"}) {
        const std::string n = std::string(" ") + copy;
        add("Imponibile RCA" + n, {fmt(t.taxableLiability, "@ZE 9,999.99")});
        add("Imponibile altre" + n, {fmt(t.taxableOther, "@ZE 9,999.99")});
        add("SSN" + n, {fmt(t.health, "@ZE 9,999.99")});
        add("Tasse RCA" + n, {fmt(t.liabilityTax, "@ZE 9,999.99")});
        add("Tasse altre" + n, {fmt(t.otherTax, "@ZE 9,999.99")});
        add("Totale" + n, {fmt(t.total, "@ZE 9,999.99")});
    }
    add("Abbuono", {fmt(d.allowance, "@ZE 9,999.99")});
    return items;
}

PrintDocument printCompanyForm(const std::vector<FormItem>& items, const IniFile& tpl, bool preview)
{
    TPRINTER job("Stampa modulo", preview);
    const PrintFont font("Courier New", 12);
    job.startPage();
    const PageGeometry& g = job.geometry();
    const double width = g.printableWidth();
    const double height = g.printableHeight();
    const double line = g.lineHeight();
    double lastY = 0;
    bool any = false;
    for (const FormItem& item : items) {
        if (!tpl.has(item.section, "Riga")) continue;
        const double rowTenths = tpl.getDecimal(item.section, "Riga").toDouble();
        const double x = job.CMTR2PIX(tpl.getDecimal(item.section, "Colonna").toDouble() / 10, false);
        double y = rowTenths == 0 && any ? lastY + line : job.CMTR2PIX(rowTenths / 10, true);
        for (size_t i = 0; i < item.lines.size(); ++i, y += line) {
            lastY = y;
            any = true;
            const std::string text = rtrim(item.lines[i]);
            // Off the page: left out. Every item is cut at the page's right edge, whatever the
            // measure said, so a font printing wider than measured never runs off the paper.
            if (text.empty() || x < 0 || y < 0 || x >= width || y + line > height) continue;
            PageItem p;
            p.text = text;
            p.font = font;
            p.x = x;
            p.y = y;
            p.clipWidth = width - x;
            job.addItem(std::move(p));
        }
        if (item.lines.empty()) {
            lastY = y;
            any = true;
        }
    }
    job.endPage();
    PrintDocument doc = job.document();
    job.end();
    return doc;
}

// ---------------------------------------------------------------- DATIMODULO

namespace {

enum : int {
    kDBranch = 101, kDRisk, kDClient, kDVehicle, kDFuel, kDSector, kDClass, kDUse,
    kDGrid = 120, // 6 a row: capital, first, next, tax, uncovered, deductible
    kDNote = 160, kDHealth1, kDHealth2, kDDeath, kDDisability, kDMedical, kDDriver, kDAllowance,
};

const char* const kGridLabels[kGuaranteeRows] = {"R.C. Auto:", "Furto:", "Incendio:", "Infortuni:", "Assistenza:"};
const char* const kGridNames[6] = {"CAP", "RATA1", "RATA2", "TASSE", "SCOP", "FRAN"};

std::string gridName(int row, int col) { return std::string(kGridNames[col]) + std::to_string(row + 1); }

} // namespace

const std::vector<EditField>& formDataFields()
{
    static const std::vector<EditField> fields = [] {
        std::vector<EditField> f;
        auto text = [&f](int id, const char* label, const char* name, const char* mask, int width) {
            EditField e = textField(id, label, dialogOnly(name), mask);
            e.width = width;
            f.push_back(e);
        };
        text(kDBranch, "Codice ramo:", "CODRAMO", "999", 3);
        text(kDRisk, "Codice rischio:", "CODRISCHIO", "999", 3);
        text(kDClient, "Codice cliente:", "CODCLIENTE", "9999999", 7);
        text(kDVehicle, "Codice veicolo:", "CODVEICOLO", "9999999", 7);
        text(kDFuel, "Alimentazione:", "ALIMENTAZ", "@!", 10);
        text(kDSector, "Settore:", "SETTORE", "99", 2);
        text(kDClass, "Classe:", "CLASSE", "99", 2);
        text(kDUse, "Uso:", "USO", "99", 2);
        const char* masks[6] = {"@ZE 99.99", "@ZE 9,999.99", "@ZE 9,999.99", "@ZE 99.99", "@Z 99", "@ZE 9,999.99"};
        const char* heads[6] = {"Capitali", "Rata firma", "Rata succ.", "Tasse", "Scoperto e fran.", ""};
        for (int r = 0; r < kGuaranteeRows; ++r)
            for (int c = 0; c < 6; ++c) {
                EditField e = numberField(kDGrid + r * 6 + c, c == 0 ? kGridLabels[r] : "", dialogOnly(gridName(r, c)),
                                          masks[c]);
                if (r == 0) e.columnHeading = heads[c];
                e.sameRow = c > 0;
                e.group = "Garanzie";
                f.push_back(e);
            }
        text(kDNote, "Note:", "NOTEMOD", "", 70);
        EditField h1 = numberField(kDHealth1, "ONERE S.S.N.:", dialogOnly("SSN1"), "@ZE 99.99");
        EditField h2 = numberField(kDHealth2, "", dialogOnly("SSN2"), "@ZE 99.99");
        h2.sameRow = true;
        EditField death = numberField(kDDeath, "Infort.:", dialogOnly("MORTE"), "@ZE 999.99");
        EditField dis = numberField(kDDisability, "", dialogOnly("INVALID"), "@ZE 999.99");
        EditField med = numberField(kDMedical, "", dialogOnly("SPESEMED"), "@ZE 999.99");
        dis.sameRow = med.sameRow = true;
        f.insert(f.end(), {h1, h2, death, dis, med});
        text(kDDriver, "Conducente:", "CONDUCENTE", "", 35);
        f.push_back(numberField(kDAllowance, "Abbuono:", dialogOnly("ABBUONO"), "@ZE 9,999.99"));
        return f;
    }();
    return fields;
}

const RegisterDesc& formDataDescription()
{
    static const RegisterDesc d = [] {
        RegisterDesc r;
        r.name = "DATIMODULO";
        r.title = "Dati modulo";
        r.editName = "DATIMODULO";
        r.fields = formDataFields();
        return r;
    }();
    return d;
}

FormData formDataOf(const EditValues& v)
{
    FormData d;
    d.branchCode = trim(v.get("CODRAMO"));
    d.riskCode = trim(v.get("CODRISCHIO"));
    d.clientCode = trim(v.get("CODCLIENTE"));
    d.vehicleCode = trim(v.get("CODVEICOLO"));
    d.fuel = trim(v.get("ALIMENTAZ"));
    d.sector = trim(v.get("SETTORE"));
    d.vehicleClass = trim(v.get("CLASSE"));
    d.use = trim(v.get("USO"));
    for (int r = 0; r < kGuaranteeRows; ++r) {
        GuaranteeRow& g = d.rows[static_cast<size_t>(r)];
        g.capital = v.number(gridName(r, 0));
        g.first = v.number(gridName(r, 1));
        g.next = v.number(gridName(r, 2));
        g.taxRate = v.number(gridName(r, 3));
        g.uncovered = v.number(gridName(r, 4));
        g.deductible = v.number(gridName(r, 5));
    }
    d.note = v.get("NOTEMOD");
    d.health1 = v.number("SSN1");
    d.health2 = v.number("SSN2");
    d.death = v.number("MORTE");
    d.disability = v.number("INVALID");
    d.medical = v.number("SPESEMED");
    d.driver = v.get("CONDUCENTE");
    d.allowance = v.number("ABBUONO");
    return d;
}

} // namespace arv::policies
