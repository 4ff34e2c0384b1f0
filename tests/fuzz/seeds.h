// The seed inputs of the fuzz targets, made by the program's own code: tables and memo files
// the engine writes, a backup the save writes, settings the dialogs write, a template the
// word-template code saves, and text the display masks show. tests/fuzz/make_seeds.cpp writes them
// into tests/fuzz/corpus/<target>/; the corpus tests run them as well.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/docx.h"
#include "common/ini.h"
#include "common/mask.h"
#include "fuzz/docx_fuzz_body.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/mask_fuzz_body.h"
#include "records/zipfile.h"
#include "store/dbf.h"
#include "store/schema/schema.h"
#include "store/table.h"

namespace arv::fuzz {

using Seeds = std::vector<std::pair<std::string, std::string>>; // file name, bytes

// A fresh folder of the seed maker.
inline std::string seedFolder(const std::string& name)
{
    const std::string dir = scratchDir() + "/seeds-" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline Seeds dbfSeeds()
{
    using namespace arv::store;
    const std::string dir = seedFolder("dbf");
    DbfFile::create(dir + "/T.DBF", {{"NOME", 'C', 12, 0},
                                     {"IMPORTO", 'N', 10, 2},
                                     {"DATA", 'D', 8, 0},
                                     {"ATTIVO", 'L', 1, 0},
                                     {"NOTE", 'M', 10, 0}});
    {
        auto t = Table::open(dir, "T", "T");
        const char* names[] = {"ROSSI", "Città", "BIANCHI"};
        for (int i = 0; i < 3; ++i) {
            t->append();
            t->setText(FieldName::runtime("NOME"), names[i]);
            t->setNumber(FieldName::runtime("IMPORTO"), Decimal::fromScaled(123450 * (i + 1), 2) * (i == 1 ? -1 : 1));
            t->setDate(FieldName::runtime("DATA"), Date::fromYmd(2026, 12, 6 + i));
            t->setLogical(FieldName::runtime("ATTIVO"), i != 1);
            if (i == 0) t->setMemo(FieldName::runtime("NOTE"), "nota del primo record");
            t->commit();
            t->unlock();
        }
        t->goTo(2);
        t->del();
    }
    DbfFile::create(dir + "/E.DBF", {{"CODICE", 'C', 10, 0}, {"VALORE", 'N', 5, 0}});
    Seeds s = {{"typed_fields.dbf", readBytes(dir + "/T.DBF")}, {"empty_two_fields.dbf", readBytes(dir + "/E.DBF")}};
    // A table of the agency's layout, as the start-up check creates it, with one record.
    const schema::TableDef* rami = schema::findTable("RAMI");
    DbfFile::create(dir + "/RAMI.DBF", rami->fields);
    {
        auto t = Table::open(dir, "RAMI", "RAMI");
        t->append();
        t->setText("RAMO", "AUTO RC");
        t->commit();
        t->unlock();
    }
    s.emplace_back("rami.dbf", readBytes(dir + "/RAMI.DBF"));
    return s;
}

inline Seeds memoSeeds()
{
    using namespace arv::store;
    const std::string dir = seedFolder("memo");
    DbfFile::create(dir + "/M.DBF", {{"NOTE", 'M', 10, 0}});
    Seeds s = {{"empty.dbt", readBytes(dir + "/M.DBT")}};
    {
        auto t = DbfFile::open(dir + "/M.DBF", OpenMode::Exclusive);
        std::string r;
        t->blank(r);
        for (const std::string& text : {std::string("prima nota"), std::string("seconda, con la città"),
                                        std::string(700, 'x'), std::string("ultima")})
            t->putMemo(r, 0, text);
    }
    s.emplace_back("four_memos.dbt", readBytes(dir + "/M.DBT"));
    return s;
}

// The files of a small backup: a table with its memo file, a lookup table and the settings.
inline Seeds restoreFiles()
{
    using namespace arv::store;
    const std::string dir = seedFolder("restorefiles");
    DbfFile::create(dir + "/RAMI.DBF", schema::findTable("RAMI")->fields);
    DbfFile::create(dir + "/NOTE.DBF", {{"CODICE", 'C', 10, 0}, {"NOTE", 'M', 10, 0}});
    {
        auto t = Table::open(dir, "RAMI", "RAMI");
        t->append();
        t->setText("RAMO", "INCENDIO");
        t->commit();
        t->unlock();
        auto n = Table::open(dir, "NOTE", "NOTE");
        n->append();
        n->setText(FieldName::runtime("CODICE"), "1");
        n->setMemo(FieldName::runtime("NOTE"), "nota salvata");
        n->commit();
        n->unlock();
    }
    IniFile(dir + "/ARV.INI").set("E-mail", "Server smtp", "smtp.example.it");
    Seeds s;
    for (const char* name : {"RAMI.DBF", "NOTE.DBF", "NOTE.DBT", "ARV.INI"}) s.emplace_back(name, readBytes(dir + "/" + name));
    return s;
}

inline Seeds restoreSeeds()
{
    const Seeds files = restoreFiles();
    const std::string dir = seedFolder("restore");
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : files) {
        writeBytes(dir + "/" + name, bytes);
        paths.push_back(dir + "/" + name);
    }
    records::ZIP(dir + "/backup.zip", paths);
    Seeds s = {{"backup.zip", readBytes(dir + "/backup.zip")}, {"backup_framed", joinParts(files)}};
    // An older layout of a table, which the restore converts, and names no restore may follow.
    std::vector<schema::FieldDef> older = schema::findTable("RAMI")->fields;
    older.back().width += 1;
    store::DbfFile::create(dir + "/OLD.DBF", older);
    s.emplace_back("older_layout_framed", joinParts({{"RAMI.DBF", readBytes(dir + "/OLD.DBF")}}));
    s.emplace_back("hostile_names_framed",
                   joinParts({{"RAMI.DBF", files[0].second}, {"../RAMI.DBF", files[0].second}, {"copia/rami.dbf", "x"}}));
    return s;
}

inline Seeds iniSeeds()
{
    const std::string dir = seedFolder("ini");
    IniFile ini(dir + "/ARV.INI");
    ini.setValues("E-mail", {{"Connessione", "Connessione fissa"}, {"Server smtp", "smtp.example.it"},
                             {"Porta", "465"}, {"SSL", "S"}, {"Mittente", "agenzia@example.it"}});
    ini.setValues("Agenzia", {{"Ragione sociale", "Agenzia Centrale"}, {"Città", "Forlì"}, {"Aliquota", "11,5"}});
    ini.set("Quietanzamento", "Avviso", "Gentile cliente,\nla polizza scade.\n~ fine");
    const std::string written = readBytes(dir + "/ARV.INI");
    // The same as a text editor may leave it: line feeds only, a byte-order mark, comments.
    std::string edited = "\xEF\xBB\xBF; modificato a mano\n";
    for (char c : written)
        if (c != '\r') edited += c;
    edited += "[Vuota]\n# commento finale\n";
    // A line longer than any buffer of a reader of fixed lines.
    ini.set("Agenzia", "Firma1", std::string(6000, 'x') + "~fine");
    return {{"written.ini", written}, {"edited.ini", edited}, {"long_line.ini", readBytes(dir + "/ARV.INI")}};
}

inline Seeds docxSeeds()
{
    const std::string dir = seedFolder("docx");
    const std::string ns = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";
    const std::string box = "<w:r><mc:AlternateContent><mc:Choice><w:drawing><w:txbxContent><w:p><w:r><w:t>&lt;logo&gt;"
                            "</w:t></w:r></w:p></w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent>"
                            "<w:p><w:r><w:t>&lt;logo&gt;</w:t></w:r></w:p></w:txbxContent></w:pict></mc:Fallback>"
                            "</mc:AlternateContent></w:r>";
    const Seeds parts = {
        {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                                "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
        {"word/document.xml",
         "<?xml version=\"1.0\"?><w:document " + ns + "><w:body>"
         "<w:p><w:r><w:t xml:space=\"preserve\">Spett. &lt;contraente&gt;, targa &lt;targa&gt;</w:t></w:r></w:p>"
         "<w:p><w:r><w:t>&lt;contr</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>aente&gt; &lt;scadenza&gt;</w:t></w:r>" +
             box + "</w:p><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId1\"/>"
                   "<w:footerReference w:type=\"default\" r:id=\"rId2\"/></w:sectPr></w:body></w:document>"},
        {"word/_rels/document.xml.rels",
         "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Target=\"header1.xml\"/><Relationship Id=\"rId2\" Target=\"footer1.xml\"/>"
         "</Relationships>"},
        {"word/header1.xml", "<?xml version=\"1.0\"?><w:hdr " + ns +
                                 "><w:p><w:r><w:t>&lt;agenzia&gt; - &lt;contraente&gt;</w:t></w:r></w:p></w:hdr>"},
        {"word/footer1.xml", "<?xml version=\"1.0\"?><w:ftr " + ns +
                                 "><w:p><w:r><w:pict><w:txbxContent><w:p><w:r><w:t>&lt;marchio&gt;</w:t></w:r></w:p>"
                                 "</w:txbxContent></w:pict></w:r></w:p></w:ftr>"}};
    // The package as the word-template code saves it, and its parts framed.
    writeZipParts(dir + "/parts.docx", parts);
    WordDocument::open(dir + "/parts.docx")->save(dir + "/saved.docx");
    return {{"template.docx", readBytes(dir + "/saved.docx")}, {"template_framed", joinParts(parts)}};
}

// For a few pictures of each kind, what the mask shows for a value: the first byte picks the
// kind and the picture (see mask_fuzz_body.h).
inline Seeds maskSeeds()
{
    Seeds s;
    const auto& pictures = maskPictures();
    auto add = [&](size_t pick, ValueKind kind, const std::string& typed) {
        const char first = static_cast<char>((pick << 2) | static_cast<unsigned>(kind));
        s.emplace_back("picture" + std::to_string(pick) + "_kind" + std::to_string(int(kind)), first + typed);
    };
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Mask m(pictures[i]);
        if (m.isNumeric() || !m.hasTemplate())
            add(i, ValueKind::Number, m.formatNumber(Decimal::fromScaled(-123456, 2), 2, 12));
        if (!m.isNumeric()) add(i, ValueKind::Text, m.formatText("Forlì ab12"));
    }
    add(0, ValueKind::Date, Mask::formatDate(Date::fromYmd(2026, 2, 28)));
    add(0, ValueKind::Logical, "S");
    // A picture of the input's own, after the list.
    s.emplace_back("own_picture", std::string(1, static_cast<char>(63 << 2 | 1)) + "@E 999,999.99 %\n1.234,5 %");
    return s;
}

// Every target's seeds, by target name.
inline std::map<std::string, Seeds> allSeeds()
{
    return {{"dbf", dbfSeeds()},   {"memo", memoSeeds()}, {"restore", restoreSeeds()},
            {"ini", iniSeeds()},   {"docx", docxSeeds()}, {"mask", maskSeeds()}};
}

} // namespace arv::fuzz
