// The cash register's screen (CASSA): the list with the two balances under it, the payment dialog,
// and the dialogs of "Imposta" and "Stampa".
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "records/register.h"

namespace arv::accounting {

const records::RegisterDesc& cashRegister();

// The entry function.
void CASSA();
// Hands the entry function above to ADD under its name.
void addCashEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

// CASSAIMPOSTA: "Saldo iniziale:" with the current setting.
std::unique_ptr<QDialog> makeCashSettingDialog(QWidget* parent = nullptr);
// CASSADATA: "Data:" (today), required.
std::unique_ptr<QDialog> makeCashDateDialog(QWidget* parent = nullptr);

} // namespace arv::accounting
