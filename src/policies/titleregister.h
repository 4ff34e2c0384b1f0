// The register of the numbered policy forms (TITOLI): the list, the dialog TITOLO with its client
// picker, the search RTITOLI, "&Stampa" and "&Genera" (dialog GENERA). The rules are in titles.h.
#pragma once

#include <memory>

#include <QDialog>

#include "records/register.h"

namespace arv::policies {

inline constexpr int kBtnGenerateTitles = 209;

const records::RegisterDesc& titlesRegister();

// The entry function.
void TITOLI();

// The dialog of "Genera", built for the screen and for pictures of it.
std::unique_ptr<QDialog> makeTitleGenerationDialog(QWidget* parent = nullptr);

} // namespace arv::policies
