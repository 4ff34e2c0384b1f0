// The dialogs of the lists and letters over the policies: "Elenco disdette" (DISDETTE), "Elenco
// riforma polizze" (RIFORMA), "Scadenza polizze per data" (SCADENZE), "Contratti nuovi" (NUOVI),
// "Avvisi di disdetta" (DISDETTE2) and the premium-due notices "Avvisi" (AVVISI, with the e-mail
// settings). The selections, the printouts and the sending are in lists.h and notices.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

namespace arv {
class FormDialog;
class MailSettingsGroup;
}

namespace arv::policies {

// The dialog NAME ("DISDETTE", "RIFORMA", "SCADENZE", "NUOVI", "DISDETTE2" or "AVVISI"), as its
// entry opens it; nullptr for another name.
std::unique_ptr<FormDialog> makeListDialog(const std::string& name, QWidget* parent = nullptr);
// The "Parametri" group of the dialog AVVISI (nullptr in the others).
MailSettingsGroup* noticeMailGroup(FormDialog& dialog);

// The entry functions.
void DISDETTE();
void RIFORMA();
void SCADENZE();
void NUOVI();
void DISDETTE2();
void AVVISI();

// Hands the entry functions to ADD.
void addListEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::policies
