// The dialogs of the statements: "Estratti conto rapporti" (SRAPPORTI) and "Estratti conto
// produttori" (SPRODUTT). What they print is decided in agreementstatements.h and producerstatements.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "reporting/agreementstatements.h"
#include "reporting/producerstatements.h"
#include "ui/formdialog.h"

namespace arv::reporting {

std::unique_ptr<FormDialog> makeAgreementDialog(QWidget* parent = nullptr);
AgreementChoice agreementChoice(const FormDialog& d);
std::unique_ptr<FormDialog> makeProducerDialog(QWidget* parent = nullptr);
ProducerChoice producerChoice(const FormDialog& d);

void SRAPPORTI();
void SPRODUTT();

void addStatementEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::reporting
