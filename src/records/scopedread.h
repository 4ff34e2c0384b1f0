// Reading the records of one key range of an index, as the dated statistics do: one scope per
// period, the figures summed in memory.
//
//   uint64_t read = readScope(movements, "MOVIDATA", from.dtos(), to.dtos(), [&](const ScopedRecord& r) {
//       if (isCollection(r.text("DESCRIZIO"))) total += r.number("IMPORTO");
//   });
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/date.h"
#include "common/decimal.h"
#include "store/table.h"

namespace arv::records {

// One record of a scoped read, decoded by the table file's own field codec.
class ScopedRecord {
public:
    ScopedRecord(const store::DbfFile& file, const std::string& record, uint32_t recno)
        : file_(file), record_(record), recno_(recno)
    {
    }
    std::string text(store::FieldName field) const; // UTF-8, trailing blanks removed
    Decimal number(store::FieldName field) const;
    Date date(store::FieldName field) const;
    bool logical(store::FieldName field) const;
    uint32_t recno() const { return recno_; }

private:
    int index(store::FieldName field) const;
    const store::DbfFile& file_;
    const std::string& record_;
    uint32_t recno_;
};

// Visits, once each, the live records of TABLE whose key in the index TAG lies between TOP and
// BOTTOM (each compared on its own length, as a scope). The index gives the record numbers under
// one short read lock; the records are then read in file order, a block at a time, without a lock
// that would hold up the other workstations. A record deleted, or moved out of the range, after
// the index was read is passed over; a record appended meanwhile is not seen; none is seen twice.
// TABLE's order and scope are left as they were, the cursor does not move. Gives the records read.
uint64_t readScope(store::Table& table, store::TagName tag, const std::string& top, const std::string& bottom,
                   const std::function<void(const ScopedRecord&)>& visit);

// The same over the dates FROM to TO of an index on one date (MOVIDATA, MOVICONT); nothing is read
// when FROM comes after TO or either is empty.
uint64_t readDates(store::Table& table, store::TagName tag, Date from, Date to,
                   const std::function<void(const ScopedRecord&)>& visit);

} // namespace arv::records
