#include "common/office.h"

namespace arv {

OfficeHooks& officeHooks()
{
    static OfficeHooks hooks;
    return hooks;
}

} // namespace arv
