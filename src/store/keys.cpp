#include "store/keys.h"

#include "common/cp1252.h"
#include "store/schema/schema.h"

namespace arv::store {

std::string indexKey(const std::string& utf8, size_t width, bool upper)
{
    std::string k = utf8ToCp1252(utf8);
    if (upper) k = schema::keyUpper(k);
    k.resize(width, ' ');
    return k;
}

} // namespace arv::store
