#include "policies/policyregister.h"

#include "ui/popmsg.h"

namespace arv::policies {

std::string POLIZZE(bool, const std::string& number, const std::string&)
{
    POPMSG("Funzione non ancora disponibile.", 1);
    return number.empty() ? std::string(25, ' ') : number;
}

} // namespace arv::policies
