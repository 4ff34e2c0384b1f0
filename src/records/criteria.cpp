#include "records/criteria.h"

#include <map>
#include <mutex>

#include "common/mask.h"
#include "common/text.h"

namespace arv::records::criteria {

using namespace store;

namespace {

} // namespace

// The predicates keep the field's name as text of their own: FIELD may be a name made at run time.
RecordPredicate contains(FieldName field, const std::string& typed)
{
    std::string wanted = Mask::upper(trim(typed));
    return [name = std::string(field), wanted](const Table& t) {
        return Mask::upper(t.text(FieldName::runtime(name))).find(wanted) != std::string::npos;
    };
}

RecordPredicate prefix(FieldName field, const std::string& typed)
{
    std::string wanted = Mask::upper(rtrim(typed));
    return [name = std::string(field), wanted](const Table& t) {
        return Mask::upper(t.text(FieldName::runtime(name))).compare(0, wanted.size(), wanted) == 0;
    };
}

RecordPredicate paddedExact(FieldName field, const std::string& typed)
{
    // Stored text is padded with blanks, and text() drops them: comparing without the trailing
    // blanks of both is comparing both padded to the field's width. Leading blanks count.
    std::string wanted = Mask::upper(rtrim(typed));
    return [name = std::string(field), wanted](const Table& t) {
        return Mask::upper(t.text(FieldName::runtime(name))) == wanted;
    };
}

RecordPredicate equal(FieldName field, const std::string& value)
{
    std::string wanted = Mask::upper(trim(value));
    return [name = std::string(field), wanted](const Table& t) {
        return Mask::upper(trim(t.text(FieldName::runtime(name)))) == wanted;
    };
}

RecordPredicate dateRange(FieldName field, std::optional<Date> from, std::optional<Date> to)
{
    if (!from && !to) return {};
    return [name = std::string(field), from, to](const Table& t) {
        Date d = t.date(FieldName::runtime(name));
        if (from && (d.isEmpty() || d < *from)) return false;
        if (to && (d.isEmpty() || *to < d)) return false;
        return true;
    };
}

RecordPredicate numberRange(FieldName field, std::optional<Decimal> from, std::optional<Decimal> to)
{
    if (!from && !to) return {};
    return [name = std::string(field), from, to](const Table& t) {
        Decimal v = t.number(FieldName::runtime(name));
        if (from && v < *from) return false;
        if (to && *to < v) return false;
        return true;
    };
}

RecordPredicate flag(FieldName field, bool wanted)
{
    return [name = std::string(field), wanted](const Table& t) { return t.logical(FieldName::runtime(name)) == wanted; };
}

RecordPredicate allOf(std::vector<RecordPredicate> conditions)
{
    std::erase_if(conditions, [](const RecordPredicate& p) { return !p; });
    if (conditions.empty()) return {};
    if (conditions.size() == 1) return conditions.front();
    return [conditions = std::move(conditions)](const Table& t) {
        for (const auto& c : conditions)
            if (!c(t)) return false;
        return true;
    };
}

namespace {
std::mutex gMutex;
std::map<std::string, RecordPredicate>& memory()
{
    static std::map<std::string, RecordPredicate> m;
    return m;
}
} // namespace

void remember(const std::string& registerName, RecordPredicate condition)
{
    std::lock_guard lock(gMutex);
    memory()[registerName] = std::move(condition);
}

RecordPredicate remembered(const std::string& registerName)
{
    std::lock_guard lock(gMutex);
    auto it = memory().find(registerName);
    return it == memory().end() ? RecordPredicate() : it->second;
}

} // namespace arv::records::criteria
