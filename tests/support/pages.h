// The text of a printout, page after page, as the page model dumps it.
#pragma once

#include <string>

#include "common/pagemodel.h"

namespace arv::test {

inline std::string pagesText(const PrintDocument& doc)
{
    std::string out;
    for (const Page& p : doc.pages) out += dumpPage(doc, p);
    return out;
}

} // namespace arv::test
