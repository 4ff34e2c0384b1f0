// Search conditions of the registers, built as predicates over the record: what the user typed is
// compared as a value, never put into an expression, so no character of it can change the search.
// Every comparison is made in capitals.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "common/decimal.h"
#include "store/table.h"

namespace arv::records::criteria {

using store::FieldName;
using store::RecordPredicate;

// The typed text (trimmed) anywhere in the field.
RecordPredicate contains(FieldName field, const std::string& typed);
// The field begins with the typed text (trimmed at the right); an empty text matches everything.
RecordPredicate prefix(FieldName field, const std::string& typed);
// The field, as stored in its width, equals the typed text padded with blanks to that width.
RecordPredicate paddedExact(FieldName field, const std::string& typed);
// The field without its trailing blanks equals the value (a value chosen from a list).
RecordPredicate equal(FieldName field, const std::string& value);
// Date and number bounds, each optional and inclusive.
RecordPredicate dateRange(FieldName field, std::optional<Date> from, std::optional<Date> to);
RecordPredicate numberRange(FieldName field, std::optional<Decimal> from, std::optional<Decimal> to);
// A logical field that is true (WANTED) or false.
RecordPredicate flag(FieldName field, bool wanted);
// All the conditions (empty ones left out); an empty predicate when there is none.
RecordPredicate allOf(std::vector<RecordPredicate> conditions);

// The condition of each register's last search, kept until the program ends so that the register's
// later operations (prints, e-mails to all listed records) work on the same records. An empty
// predicate means all records.
void remember(const std::string& registerName, RecordPredicate condition);
RecordPredicate remembered(const std::string& registerName);

} // namespace arv::records::criteria
