// The register of the pre-contractual questionnaires (QUESTADE): the list, its two forms with
// the policy and client pickers, the questionnaire of a policy (QUESTADE3) and the printing of the
// document. The rules and the writes are in questionnaire.h; this is the screen.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "records/register.h"

namespace arv {
class EditDialog;
}

namespace arv::sales {

// The "&Stampa" of the form opened for a policy: confirms, then prints.
inline constexpr int kBtnFormPrint = 203;

const records::RegisterDesc& questionnaireRegister();
// The forms as the screens show them: with the policy picker on "Polizza n.:" and the client
// picker on "Cliente:"; FORPOLICY adds "&Stampa".
const records::RegisterDesc& screenForm(std::string_view type, bool forPolicy = false);

// The entry function: the list, opened on its last record.
void QUESTADE();
// A new questionnaire for the policy NUMBER in the form its branch chooses, with the policy's data
// loaded; "&Stampa" saves it and prints the document. RUN shows the dialog (exec() by default).
void QUESTADE3(const std::string& number, const std::function<int(EditDialog&)>& run = {});
// STAMPAN on the cursor's questionnaire of TABLE, its message shown.
void printQuestionnaire(store::Workspace& ws, const store::Table& table);

// Hands the entry function to ADD.
void addQuestionnaireEntries(const std::function<void(const std::string& name, std::function<void()> entry)>& add);

} // namespace arv::sales
