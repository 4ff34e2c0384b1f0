#include "records/scopedread.h"

#include <algorithm>

#include "common/cp1252.h"
#include "common/error.h"
#include "common/text.h"
#include "store/dbf.h"

namespace arv::records {

using namespace store;

int ScopedRecord::index(FieldName field) const
{
    const int i = file_.fieldIndex(field);
    if (i < 0) throw std::runtime_error(file_.path() + ": campo " + std::string(field) + " inesistente");
    return i;
}

std::string ScopedRecord::text(FieldName field) const
{
    return cp1252ToUtf8(rtrim(file_.getString(record_, index(field))));
}
Decimal ScopedRecord::number(FieldName field) const { return file_.getNumber(record_, index(field)); }
Date ScopedRecord::date(FieldName field) const { return file_.getDate(record_, index(field)); }
bool ScopedRecord::logical(FieldName field) const { return file_.getLogical(record_, index(field)); }

uint64_t readScope(Table& table, TagName tag, const std::string& top, const std::string& bottom,
                   const std::function<void(const ScopedRecord&)>& visit)
{
    const schema::TagDef* def = schema::findTag(tag);
    if (!def) throw std::runtime_error("Indice " + std::string(tag) + " sconosciuto");
    const int orderBefore = table.order();
    bool attached = false;
    for (const std::string& name : table.ordList()) attached = attached || name == def->name;
    if (!attached) table.ordAdd(tag);
    table.setOrder(tag);
    std::vector<uint32_t> recnos;
    table.setScope(top, bottom);
    try {
        auto batch = table.readBatch();
        table.scanOrder([&](const NtxEntry& e) {
            recnos.push_back(e.recno);
            return true;
        });
    } catch (...) {
        table.clearScope();
        table.setOrder(orderBefore);
        throw;
    }
    table.clearScope();
    table.setOrder(orderBefore);

    std::sort(recnos.begin(), recnos.end());
    DbfFile& file = table.file();
    const size_t length = static_cast<size_t>(file.recordLength());
    const uint32_t perBlock = std::max<uint32_t>(1, 64 * 1024 / static_cast<uint32_t>(length));
    auto inRange = [&](const std::string& key) {
        return key.compare(0, top.size(), top) >= 0 && key.compare(0, bottom.size(), bottom) <= 0;
    };
    std::string block, record;
    uint32_t first = 0, count = 0;
    uint64_t read = 0;
    for (uint32_t r : recnos) {
        if (r < first || r >= first + count) {
            first = r;
            count = file.readBlock(r, perBlock, block);
            if (count == 0) break;
        }
        record.assign(block, static_cast<size_t>(r - first) * length, length);
        ++read;
        if (record[0] == '*' || !inRange(def->key(DbfRecordView(file, record)))) continue;
        visit(ScopedRecord(file, record, r));
    }
    return read;
}

uint64_t readDates(Table& table, TagName tag, Date from, Date to, const std::function<void(const ScopedRecord&)>& visit)
{
    if (!from || !to || from > to) return 0;
    return readScope(table, tag, from.dtos(), to.dtos(), visit);
}

} // namespace arv::records
