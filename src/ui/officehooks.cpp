#include "ui/officehooks.h"

#include <QDesktopServices>
#include <QUrl>

#include "common/office.h"
#include "ui/popmsg.h"

namespace arv {

void installOfficeHooks()
{
    OfficeHooks& h = officeHooks();
    h.message = [](const std::string& text, bool update) { POPMSG(text, 0, std::string(), update); };
    h.closeMessage = [] { POPMSG(); };
    h.open = [](const std::string& file) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file)));
    };
}

} // namespace arv
