// The register of the company movements: the list, the movement dialog and the dialogs of its
// buttons ("Genera", "Rientro", "Corrispett", "Chiusura").
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "records/register.h"

class QTableWidget;

namespace arv::accounting {

const records::RegisterDesc& movementsRegister();

// The entry function: the register, opened on its last record; with INSERT the insertion dialog
// opens as soon as the list is shown, filled from policy NUMBER when one is given. True when a
// collection of NUMBER was saved before the register closed (always false without a number).
bool MOVICOMP(bool insert = false, const std::string& number = {});
// The values of a new movement on policy NUMBER (its company, agreement, insured, amounts...).
records::EditValues movementValuesFor(store::Workspace& ws, const std::string& number);
// Hands the entry function above to ADD under its name.
void addMovementEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);
// The pre-contractual questionnaire of a movement's policy ("Pr&econtratt.", QUESTADE3): set by the
// program; without it the button says that the function is not available.
void setQuestionnaireCaller(std::function<void(const std::string& policy)> call);
// "Modulistica" of the print menu: the agency's forms (MODULISTICA), set by the program.
void setMovementFormsCaller(std::function<void()> call);

// The dialogs of the buttons, built for the screens and for pictures of them.
std::unique_ptr<QDialog> makeGenerationDialog(QWidget* parent = nullptr);   // GENEINC
std::unique_ptr<QDialog> makeReturnDialog(QWidget* parent = nullptr);       // RIENTRO
std::unique_ptr<QDialog> makeFeesDialog(QWidget* parent = nullptr);         // CORRISPETTIVI
std::unique_ptr<QDialog> makeClosingDialog(QWidget* parent = nullptr);      // CHIUSURA

// The list of the movements chosen by a return or a closing, each with its selection mark
// (all selected at first; a click on the mark's column toggles it). "Conferma" is enabled only
// when the list is not empty.
class MovementSelection : public QDialog {
public:
    MovementSelection(const std::string& name, const std::string& title, const std::vector<uint32_t>& recnos,
                      QWidget* parent = nullptr);
    std::vector<uint32_t> selected() const;
    QTableWidget* list() const { return list_; }

private:
    std::vector<uint32_t> recnos_;
    QTableWidget* list_ = nullptr;
};

} // namespace arv::accounting
