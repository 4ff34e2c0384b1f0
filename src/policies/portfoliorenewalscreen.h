// The dialog "Rinnovi portafoglio" (RINNOVI) and its entry; the comparison and its printout are in
// portfoliorenewals.h.
#pragma once

#include <memory>

#include <QWidget>

#include "policies/portfoliorenewals.h"

namespace arv {
class FormDialog;
}

namespace arv::policies {

// "Periodo:" dal / al (both required), "Rapporto:", "Ramo:", "Produttore:".
std::unique_ptr<FormDialog> makePortfolioRenewalDialog(QWidget* parent = nullptr);
PortfolioRenewalCriteria portfolioRenewalCriteria(const FormDialog& dialog);

// The entry: the dialog, then the printout in the preview.
void RINNOVI();

} // namespace arv::policies
