// The names a cursor's accessors take: a field name (t.text("DESCRIZIO")) and an index tag name
// (t.ordAdd("NUMPOL")). A name written in the code is checked when building against the names of
// the schema (store/schema/names.h): a misspelt one stops the build with an error that shows it,
// e.g. "in 'constexpr' expansion of FieldName("DESCRIZZO") ... call to non-'constexpr' function
// field_name_not_in_the_schema()". A name known only at run time (a loop over a table's fields,
// a name read from the settings, a file outside the schema) says so: FieldName::runtime(name); the
// table checks it when it is used, as it always did.
//
// Both are views, like std::string_view: a name built at run time must outlive its use. The empty
// name (the default) stands for none.
#pragma once

#include <ostream>
#include <string_view>

#include "store/schema/names.h"

namespace arv::store {

// Not defined on purpose: reaching one of these while building a name fails the build.
void field_name_not_in_the_schema();
void tag_name_not_in_the_schema();

class FieldName {
public:
    constexpr FieldName() = default; // none
    consteval FieldName(const char* name) : name_(name)
    {
        if (!schema::isFieldName(name_)) field_name_not_in_the_schema();
    }
    static constexpr FieldName runtime(std::string_view name) { return FieldName(name, Unchecked{}); }

    constexpr std::string_view view() const { return name_; }
    constexpr operator std::string_view() const { return name_; }
    constexpr bool empty() const { return name_.empty(); }
    friend constexpr bool operator==(FieldName a, std::string_view b) { return a.name_ == b; }
    friend std::ostream& operator<<(std::ostream& out, FieldName n) { return out << n.name_; }

private:
    struct Unchecked {};
    constexpr FieldName(std::string_view name, Unchecked) : name_(name) {}
    std::string_view name_;
};

// An index tag of the schema ("NUMPOL"); at run time also a tag with ".NTX" or a path to an index file.
class TagName {
public:
    constexpr TagName() = default; // none
    consteval TagName(const char* name) : name_(name)
    {
        if (!schema::isTagName(name_)) tag_name_not_in_the_schema();
    }
    static constexpr TagName runtime(std::string_view name) { return TagName(name, Unchecked{}); }

    constexpr std::string_view view() const { return name_; }
    constexpr operator std::string_view() const { return name_; }
    constexpr bool empty() const { return name_.empty(); }
    friend constexpr bool operator==(TagName a, std::string_view b) { return a.name_ == b; }
    friend std::ostream& operator<<(std::ostream& out, TagName n) { return out << n.name_; }

private:
    struct Unchecked {};
    constexpr TagName(std::string_view name, Unchecked) : name_(name) {}
    std::string_view name_;
};

} // namespace arv::store
