// The register of the claim-number series (NUMESINI): the list, the dialog NUMESINI2, the search
// RNUMESINI, the printout and "Genera" (dialog GENERANUM). The rules are in numbering.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "records/register.h"

namespace arv::claims {

inline constexpr int kBtnGenerate = 209;

const records::RegisterDesc& seriesRegister();

// The entry function.
void NUMESINI();

// The dialog of "Genera", built for the screen and for pictures of it.
std::unique_ptr<QDialog> makeNumberGenerationDialog(QWidget* parent = nullptr);

// The settings file of the working folder.
std::string settingsPath();

} // namespace arv::claims
