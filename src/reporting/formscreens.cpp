#include "reporting/formscreens.h"

#include <filesystem>
#include <map>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/printjob.h"
#include "store/workspace.h"
#include "ui/popmsg.h"

namespace arv::reporting {

using namespace records;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

std::string iniPath() { return (std::filesystem::path(store::workspace().folder()) / "ARV.INI").string(); }

int run(QDialog& d)
{
    return formDialogRunner() ? formDialogRunner()(d) : d.exec();
}

} // namespace

std::function<int(QDialog&)>& formDialogRunner()
{
    static std::function<int(QDialog&)> runner;
    return runner;
}

FormChooser::FormChooser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MODULISTICA"));
    setWindowTitle(QStringLiteral("Modulistica"));
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    const std::vector<FormDesc>& forms = formDescriptions();
    const int half = static_cast<int>((forms.size() + 1) / 2);
    for (size_t i = 0; i < forms.size(); ++i) {
        auto* b = new QRadioButton(q(forms[i].choice), box);
        b->setObjectName(QStringLiteral("r%1").arg(101 + static_cast<int>(i)));
        grid->addWidget(b, static_cast<int>(i) % half, static_cast<int>(i) / half);
        buttons_.push_back(b);
    }
    if (!buttons_.empty()) buttons_.front()->setChecked(true);
    layout->addWidget(box);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = new QPushButton(QStringLiteral("&Conferma"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Annulla"), this);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

const FormDesc* FormChooser::chosen() const
{
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked()) return &formDescriptions()[i];
    return nullptr;
}

void FormChooser::choose(size_t index)
{
    if (index < buttons_.size()) buttons_[index]->setChecked(true);
}

const RegisterDesc& formDialogDescription(const FormDesc& form)
{
    static std::map<const FormDesc*, std::unique_ptr<RegisterDesc>> descs;
    std::unique_ptr<RegisterDesc>& d = descs[&form];
    if (!d) {
        d = std::make_unique<RegisterDesc>();
        d->name = form.name;
        d->title = form.title;
        d->editName = form.name;
        d->fields = form.fields;
        d->fieldLeft = [&form](int id, EditValues& v) {
            for (const EditField& f : form.fields)
                if (f.id == id) leaveField(store::workspace(), form, f.field, v);
        };
        d->editButtons = form.buttons;
        if (form.pdf) {
            DialogButton pdf;
            pdf.id = kFormPdfButton;
            pdf.caption = "&PDF";
            pdf.confirms = true;
            d->editButtons.push_back(pdf);
        }
        if (form.fax) {
            DialogButton fax;
            fax.id = kFormFaxButton;
            fax.caption = "&Fax";
            fax.confirms = true;
            d->editButtons.push_back(fax);
        }
    }
    return *d;
}

FormEditDialog::FormEditDialog(const FormDesc& form, const EditValues& values, QWidget* parent)
    : EditDialog(formDialogDescription(form), values, true, nullptr, parent)
{
    setWindowTitle(q(form.title));
}

void runForm(const FormDesc& form)
{
    store::Workspace& ws = store::workspace();
    const FormEnv env = FormEnv::load(iniPath());
    EditValues v = openingValues(ws, form, env);
    bool printed = false;
    for (;;) {
        FormEditDialog d(form, v);
        if (run(d) != QDialog::Accepted) break;
        v = d.values();
        if (form.check) {
            if (auto fail = form.check(v)) {
                POPMSG(fail->second, 1);
                continue;
            }
        }
        TPRINTER::Options o;
        if (d.confirmedBy() == kFormPdfButton) {
            if (!ISPDFPRINTER()) {
                POPMSG(missingPrinterMessage(PDFPRINTER()), 1);
                continue;
            }
            o.printer = PDFPRINTER();
        } else if (d.confirmedBy() == kFormFaxButton) {
            o.printer = "Fax";
        } else {
            o.preview = true;
        }
        printForm(ws, form, env, v, o);
        printed = true;
    }
    if (printed && form.closing)
        form.closing(env, v, [](const std::string& question) {
            return POPMSG(question, static_cast<int>(MessageKind::YesNo)) != 0;
        });
}

void MODULISTICA()
{
    size_t last = 0;
    for (;;) {
        FormChooser chooser;
        chooser.choose(last);
        if (run(chooser) != QDialog::Accepted) return;
        const FormDesc* form = chooser.chosen();
        if (!form) return;
        last = static_cast<size_t>(form - formDescriptions().data());
        runForm(*form);
    }
}

void addFormEntries(const std::function<void(const std::string&, std::function<void()>)>& add)
{
    add("MODULISTICA", [] { MODULISTICA(); });
}

} // namespace arv::reporting
