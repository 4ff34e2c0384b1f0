#include "policies/sheetdialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "common/text.h"
#include "registry/clients.h"
#include "ui/docdialogs.h"
#include "ui/popmsg.h"

namespace arv::policies {

using namespace store;
using namespace records;

namespace {

constexpr const char* kMsgNotAClient = "Assicurato non presente nell'archivio clienti.";
constexpr const char* kMsgNoPolicy = "Polizza non trovata.";

RegisterDesc withDialogParts(SheetKind kind)
{
    RegisterDesc d = sheetDescription(kind);
    const std::string archive = sheetArchive(kind);
    d.editButtons = {
        {kSheetShow, "&Visualizza", "", true,
         [archive](Workspace&, const EditValues& v) { VISDOC(trim(v.get("POLIZZA")), archive); }},
        {kSheetAddDoc, "+", "Aggiungi documento", true,
         [archive](Workspace&, const EditValues& v) { NEWDOC(trim(v.get("POLIZZA")), archive); }},
    };
    if (kind == SheetKind::Motor) {
        DialogButton copy;
        copy.id = kSheetCopyInsured;
        copy.caption = "Copia dati assicurato";
        copy.fill = [](Workspace& ws, EditValues& v) {
            if (!drivingModeSet(v)) return;
            if (!copyInsuredToDriver(ws, v.get("ASSICURATO"), v)) POPMSG(kMsgNotAClient, 1);
        };
        // On the driver's page and, like the driver's fields, working only with a driving mode ticked.
        copy.page = 2;
        copy.enabled = drivingModeSet;
        d.editButtons.push_back(copy);
    }
    if (kind == SheetKind::Life)
        for (EditField& f : d.fields)
            if (f.id == kIdLifeInsured)
                f.pick = [](Workspace& ws, const EditValues& v) { return registry::pickClient(ws, v.get("ASSICURATO")); };
    return d;
}

} // namespace

const RegisterDesc& sheetDialogDescription(SheetKind kind)
{
    static const RegisterDesc motor = withDialogParts(SheetKind::Motor);
    static const RegisterDesc elementary = withDialogParts(SheetKind::Elementary);
    static const RegisterDesc life = withDialogParts(SheetKind::Life);
    return kind == SheetKind::Motor ? motor : kind == SheetKind::Elementary ? elementary : life;
}

std::unique_ptr<EditDialog> sheetDialog(SheetKind kind, const SheetPolicy& policy, const EditValues& values,
                                        bool exists, const Table* table, QWidget* parent)
{
    auto d = std::make_unique<EditDialog>(sheetDialogDescription(kind), values, !exists, table, parent);
    d->setWindowTitle(QString::fromStdString(sheetTitle(kind, policy.number)));
    if (kind == SheetKind::Motor) {
        // Three columns of fields on a page: the long texts and lists scroll within a narrower
        // box, so that the dialog fits a common screen.
        const QFontMetrics fm(d->font());
        const int most = fm.horizontalAdvance(QString(22, QLatin1Char('0'))) + 12;
        for (QLineEdit* e : d->findChildren<QLineEdit*>())
            if (e->minimumWidth() > most && e->maximumWidth() == QWIDGETSIZE_MAX) e->setMinimumWidth(most);
        for (QComboBox* c : d->findChildren<QComboBox*>()) c->setMinimumContentsLength(std::min(c->minimumContentsLength(), 18));
    }
    return d;
}

void runSheet(SheetKind kind, const std::string& code, const std::function<int(EditDialog&)>& run)
{
    Workspace& ws = workspace();
    const SheetPolicy policy = sheetPolicy(ws, code);
    if (!policy.found) {
        POPMSG(kMsgNoPolicy, 1);
        return;
    }
    bool exists = false;
    const EditValues before = loadSheet(ws, kind, policy, &exists);
    EditValues values = before;
    OwnTable table(ws, sheetTable(kind), true);
    bool reopened = false;
    for (;;) {
        std::unique_ptr<EditDialog> dialog =
            sheetDialog(kind, policy, values, exists, &*table, QApplication::activeWindow());
        dialog->setModified(reopened);
        // "Annulla" writes nothing, not even an empty sheet.
        if ((run ? run(*dialog) : dialog->exec()) != QDialog::Accepted) return;
        values = dialog->values();
        SaveResult r = saveSheet(ws, kind, policy.code, before, values);
        if (!r.message.empty()) POPMSG(r.message, 1);
        if (r) return;
        reopened = true;
    }
}

void DATIAUTO(const std::string& code) { runSheet(SheetKind::Motor, code); }
void RAMIELEM(const std::string& code) { runSheet(SheetKind::Elementary, code); }
void VITA(const std::string& code) { runSheet(SheetKind::Life, code); }

} // namespace arv::policies
