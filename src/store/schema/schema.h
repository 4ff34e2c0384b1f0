// The persistent data of the working folder: every table, its fields in file order and its
// index tags with their keys. Creation, upgrade, maintenance and the table engine all read it
// from here.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace arv::schema {

struct FieldDef {
    std::string name; // upper case, at most 10 characters
    char type;        // 'C', 'N', 'D', 'L', 'M'
    int width;
    int decimals;

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

// Read access to one record's stored field text, as the key functions see it: character fields
// blank-padded, numbers right-aligned in their width, dates "YYYYMMDD" or 8 blanks, logicals
// "T"/"F". An unknown field gives an empty view.
class RecordView {
public:
    virtual ~RecordView() = default;
    virtual std::string_view raw(std::string_view field) const = 0;
};

using KeyFunction = std::function<std::string(const RecordView&)>;

struct TagDef {
    std::string name;       // index file name without ".NTX"
    std::string table;
    std::string expression; // xBase expression stored in the index file
    int keySize;            // bytes of every key
    KeyFunction key;        // computes the key of a record (exactly keySize bytes)
};

struct TableDef {
    std::string name;
    std::string holds; // what the table holds, for messages and the check tool
    bool memo;         // has memo fields, hence a .DBT file
    std::vector<FieldDef> fields;
    std::vector<std::string> tags;

    int fieldIndex(std::string_view field) const; // -1 when absent
    int recordLength() const;                     // 1 (deletion flag) + widths
};

// All tables, in the order the start-up check processes them.
const std::vector<TableDef>& tables();
const TableDef* findTable(std::string_view name); // case-insensitive; nullptr when unknown

// All index tags.
const std::vector<TagDef>& tags();
const TagDef* findTag(std::string_view name);     // case-insensitive; nullptr when unknown
std::vector<const TagDef*> tagsOf(std::string_view table);

// The claims order needs the insured name of the claim's policy (looked up by policy number in
// the policies through their number order). The table engine installs the lookup; without one,
// or when no policy has the number, the name part is 35 blanks.
using ClaimInsuredLookup = std::function<std::string(std::string_view policyNumber)>;
void setClaimInsuredLookup(ClaimInsuredLookup lookup);
std::string claimInsured(std::string_view policyNumber); // always 35 bytes

// Upper case as the index keys use it: ASCII letters only, as every xBase engine's UPPER().
std::string keyUpper(std::string_view text);

} // namespace arv::schema
