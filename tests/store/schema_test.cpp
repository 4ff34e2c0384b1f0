#include "store/schema/schema.h"

#include <gtest/gtest.h>

#include <iterator>

#include <map>
#include <set>

#include "store/schema/names.h"

using namespace arv::schema;

namespace {

struct Expected {
    const char* table;
    int fields;
    int recordLength;
};

// Field count and record length (deletion flag included) of every table, in processing order.
const Expected kExpected[] = {
    {"POLIZZE", 51, 971},  {"DATIAUTO", 99, 983}, {"RAMIELEM", 24, 385}, {"VITA", 22, 364},
    {"SINISTRI", 25, 375}, {"MOVICOMP", 30, 452}, {"MOVICONT", 11, 191}, {"FATTBSA", 8, 96},
    {"TITOLI", 8, 158},    {"NUMESINI", 5, 90},   {"PREVBSA", 204, 2428}, {"QUIETANZ", 22, 373},
    {"CLIENTI", 38, 644},  {"COMPAGN", 41, 440},  {"PRODUTT", 23, 432},  {"PROVVIG", 5, 97},
    {"RAMI", 1, 21},       {"GRUPPI", 1, 21},     {"MARKETNG", 1, 21},   {"TIPISIN", 1, 21},
    {"DESMVCOM", 1, 26},   {"DESMVCON", 1, 36},   {"VOCICON", 2, 71},    {"CATECON", 1, 36},
    {"GARANZIE", 1, 31},   {"CONVENZ", 1, 26},    {"PRODOTTI", 5, 206},  {"PROFESS", 1, 51},
    {"OPERATOR", 1, 21},   {"FINANZ", 14, 279},   {"QUESTADE", 47, 1935}, {"CASSA", 10, 142},
    {"COMUNI", 2, 45},
};

class MapRecord : public RecordView {
public:
    std::map<std::string, std::string, std::less<>> values;
    std::string_view raw(std::string_view f) const override
    {
        auto it = values.find(f);
        return it == values.end() ? std::string_view() : std::string_view(it->second);
    }
};

std::string pad(std::string s, size_t n)
{
    s.resize(n, ' ');
    return s;
}

} // namespace

TEST(Schema, TablesInProcessingOrderWithTheirLayout)
{
    ASSERT_EQ(tables().size(), 33u);
    for (size_t i = 0; i < tables().size(); ++i) {
        const TableDef& t = tables()[i];
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.name, kExpected[i].table);
        EXPECT_EQ(static_cast<int>(t.fields.size()), kExpected[i].fields);
        EXPECT_EQ(t.recordLength(), kExpected[i].recordLength);
        bool hasMemo = false;
        std::set<std::string> names;
        for (const FieldDef& f : t.fields) {
            EXPECT_LE(f.name.size(), 10u) << f.name;
            EXPECT_TRUE(names.insert(f.name).second) << "duplicate field " << f.name;
            EXPECT_NE(std::string("CNDLM").find(f.type), std::string::npos) << f.name;
            if (f.type == 'D') { EXPECT_EQ(f.width, 8); }
            if (f.type == 'L') { EXPECT_EQ(f.width, 1); }
            if (f.type == 'M') { EXPECT_EQ(f.width, 10); }
            if (f.type != 'N') { EXPECT_EQ(f.decimals, 0) << f.name; }
            hasMemo = hasMemo || f.type == 'M';
        }
        EXPECT_EQ(t.memo, hasMemo);
    }
}

TEST(Schema, SpotChecksOfFields)
{
    const TableDef* pol = findTable("polizze");
    ASSERT_NE(pol, nullptr);
    EXPECT_EQ(pol->fields[0], (FieldDef{"CODICE", 'C', 10, 0}));
    EXPECT_EQ(pol->fields[pol->fieldIndex("IMPORTO")], (FieldDef{"IMPORTO", 'N', 10, 2}));
    EXPECT_EQ(pol->fields[pol->fieldIndex("NOTE")].type, 'M');
    const TableDef* fat = findTable("FATTBSA");
    EXPECT_EQ(fat->fields[fat->fieldIndex("ALIQUOTA")], (FieldDef{"ALIQUOTA", 'N', 7, 3}));
    EXPECT_EQ(findTable("NOPE"), nullptr);
    EXPECT_EQ(pol->fieldIndex("NOPE"), -1);
}

TEST(Schema, EveryTagBelongsToItsTable)
{
    EXPECT_EQ(tags().size(), 41u);
    std::set<std::string> seen;
    for (const TableDef& t : tables()) {
        ASSERT_FALSE(t.tags.empty()) << t.name;
        for (const std::string& n : t.tags) {
            const TagDef* tag = findTag(n);
            ASSERT_NE(tag, nullptr) << n;
            EXPECT_EQ(tag->table, t.name);
            EXPECT_TRUE(seen.insert(n).second);
        }
    }
    EXPECT_EQ(seen.size(), tags().size());
    EXPECT_EQ(tagsOf("MOVICOMP").size(), 3u);
    EXPECT_EQ(tagsOf("SINISTRI")[1]->name, "SINPOL");
}

// The names the build checks the code's field and tag names against are the schema's, all of them
// and no other: a field or tag added to the tables without its name here (or the reverse) shows.
TEST(Schema, NamesCheckedWhenBuildingAreTheSchemas)
{
    std::set<std::string> fields, tags;
    for (const auto& t : tables()) {
        for (const auto& f : t.fields) fields.insert(f.name);
        tags.insert(t.tags.begin(), t.tags.end());
    }
    for (const auto& t : arv::schema::tags()) tags.insert(t.name);
    const auto inStep = [](const std::set<std::string>& schema, const std::set<std::string>& listed, const char* list) {
        for (const auto& n : schema) EXPECT_TRUE(listed.count(n)) << n << " is missing from " << list;
        for (const auto& n : listed) EXPECT_TRUE(schema.count(n)) << n << " is in " << list << " but not in the schema";
    };
    inStep(fields, {std::begin(kFieldNames), std::end(kFieldNames)}, "kFieldNames");
    inStep(tags, {std::begin(kTagNames), std::end(kTagNames)}, "kTagNames");
}

TEST(Schema, KeysHaveTheirDeclaredSizeAndForm)
{
    MapRecord r;
    r.values["ASSICURATO"] = pad("Rossi Mario", 35);
    r.values["COMPAGNIA"] = pad("Alfa", 35);
    r.values["POLIZZA"] = pad("123/A", 25);
    r.values["CLIENTE"] = pad("d'Angelo Sara", 35);
    r.values["DATA"] = "20240315";
    r.values["FINEPER"] = "        ";
    r.values["NUMERO"] = "   42";
    for (const TagDef& t : tags()) {
        MapRecord full = r;
        if (const TableDef* td = findTable(t.table))
            for (const FieldDef& f : td->fields)
                if (!full.values.count(f.name)) full.values[f.name] = std::string(static_cast<size_t>(f.width), ' ');
        EXPECT_EQ(static_cast<int>(t.key(full).size()), t.keySize) << t.name;
    }
    EXPECT_EQ(findTag("CLIENTI")->key(r), pad("D'ANGELO SARA", 35));
    EXPECT_EQ(findTag("CLIENTI")->expression, "UPPER(CLIENTE)");
    EXPECT_EQ(findTag("POLIZZE")->key(r), pad("Rossi Mario", 35) + pad("Alfa", 35) + pad("123/A", 25));
    EXPECT_EQ(findTag("MOVIPERI")->key(r), "20240315");
    r.values["FINEPER"] = "20240401";
    EXPECT_EQ(findTag("MOVIPERI")->key(r), "20240401");
    EXPECT_EQ(findTag("FATTBSA")->key(r), "2024   42");
    r.values["DATA"] = "        ";
    EXPECT_EQ(findTag("FATTBSA")->key(r), "   0   42");
}

TEST(Schema, ClaimsOrderUsesTheInsuredOfThePolicy)
{
    MapRecord r;
    r.values["POLIZZA"] = pad("P1", 25);
    r.values["DATA"] = "20240101";
    EXPECT_EQ(findTag("SINISTRI")->key(r), std::string(35, ' ') + "20240101");
    setClaimInsuredLookup([](std::string_view n) { return n.substr(0, 2) == "P1" ? std::string("Bianchi Anna") : std::string(); });
    EXPECT_EQ(findTag("SINISTRI")->key(r), pad("Bianchi Anna", 35) + "20240101");
    setClaimInsuredLookup(nullptr);
}
