#include "records/numberblock.h"

#include "store/keys.h"

namespace arv::records {

std::optional<size_t> appendNumberBlock(store::Table& t, const std::string& company, size_t companyWidth,
                                        const NumberRange& range, size_t numberWidth,
                                        const std::function<void(store::Table&, const std::string&)>& set)
{
    const std::string companyKey = store::indexKey(company, companyWidth);
    for (uint64_t n = range.first; n <= range.last; ++n)
        if (t.seek(companyKey + store::indexKey(range.at(n), numberWidth))) return std::nullopt;
    size_t written = 0;
    t.setBulk(true);
    for (uint64_t n = range.first; n <= range.last; ++n) {
        t.append(true);
        set(t, range.at(n));
        t.commit();
        ++written;
    }
    t.setBulk(false);
    return written;
}

} // namespace arv::records
