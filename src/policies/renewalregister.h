// The renewal worklist (QUIETANZ): the list of the policies due for renewal, "Aggiungi" (QUIETANZ20),
// the row dialog (QUIETANZ21), the search (RQUIETANZ), the notice text (AVVPUB) and the e-mails
// (the compose dialog). The rules and the writes are in renewals.h; this is the screen.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "records/register.h"

namespace arv {
class EditDialog;
}

namespace arv::policies {

// Buttons of the list besides the pattern's.
enum RenewalButton : int {
    kBtnCancellation = 209,
    kBtnCollection = 210,
    kBtnNotice = 211,
    kBtnReminder = 212,
    kBtnQuote = 213,
    kBtnIssue = 214,
};

const records::RegisterDesc& renewalsRegister();

// The dialogs of "Aggiungi" (QUIETANZ20) and of the notice text (AVVPUB, TITLE "Avviso" or
// "Sollecito", on TEXT), built for the screen and for pictures of them.
std::unique_ptr<EditDialog> makeSelectionDialog(QWidget* parent = nullptr);
std::unique_ptr<EditDialog> makeNoticeTextDialog(const std::string& text, const std::string& title,
                                                 QWidget* parent = nullptr);

// The entry function.
void QUIETANZ();

// The screens the print menu hands over to ("MODULISTICA"): set by the program.
void setRenewalEntryCaller(std::function<void(const std::string& entry)> call);

// Hands the entry function to ADD.
void addRenewalEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::policies
