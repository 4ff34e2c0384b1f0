// The dialog that edits the agency identity printed in letterheads, receipts and invoices.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "common/agency.h"

class QLineEdit;

namespace arv {

// The dialog edits the identity kept in ARV.INI, section "Agenzia".
using AgencyDetails = AgencyIdentity;

// One row of the dialog: its label, the member it edits and the longest value it takes.
struct AgencyFieldDef {
    const char* label;
    std::string AgencyDetails::*member;
    int maxLength;
    bool upper;
};
const std::vector<AgencyFieldDef>& agencyFields();

// Reading and writing the identity; SAVE gives false with a message when it cannot write.
struct AgencyStore {
    std::function<AgencyDetails()> load;
    std::function<bool(const AgencyDetails&, std::string* error)> save;
};

class AgencyDialog : public QDialog {
public:
    explicit AgencyDialog(const AgencyDetails& details, QWidget* parent = nullptr);

    AgencyDetails details() const;
    QLineEdit* field(const std::string AgencyDetails::*member) const;

private:
    std::vector<QLineEdit*> edits_;
    AgencyDetails original_;
};

// Opens the dialog over the stored identity and writes it back on "Conferma" (a failed write is
// told and the dialog stays open). True when it was saved.
bool editAgency(const AgencyStore& store, QWidget* parent = nullptr);
// The first fault of the identity's checked items ("Partita IVA non valida." ...), "" when sound.
std::string agencyProblem(const AgencyDetails& details);

} // namespace arv
