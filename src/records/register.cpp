#include "records/register.h"

#include <algorithm>
#include <cctype>

#include "common/cp1252.h"
#include "common/files.h"
#include "common/mask.h"
#include "records/criteria.h"
#include "store/schema/schema.h"

namespace arv::records {

using namespace store;

namespace {

std::string rtrim(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string trim(const std::string& s)
{
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

const FieldDef* fieldDef(const Table* t, const std::string& name)
{
    if (!t || name.empty()) return nullptr;
    int i = t->file().fieldIndex(name);
    return i < 0 ? nullptr : &t->file().fields()[static_cast<size_t>(i)];
}

std::string numberText(const Mask& mask, const Decimal& v, const FieldDef* def)
{
    if (mask.picture().empty()) return v.toString(def ? def->decimals : 0);
    return trim(mask.formatNumber(v, def ? def->decimals : 0, def ? def->width : 0));
}

// A record buffer holding the typed values, for the keys of the duplicate test.
class ValuesView : public schema::RecordView {
public:
    ValuesView(const DbfFile& f, const std::vector<EditField>& fields, const EditValues& values) : file_(f)
    {
        f.blank(buffer_);
        for (size_t i = 0; i < fields.size(); ++i) {
            int k = f.fieldIndex(fields[i].field);
            if (k < 0) continue;
            const std::string& v = values.at(i);
            switch (f.fields()[static_cast<size_t>(k)].type) {
            case 'N': f.putNumber(buffer_, k, values.number(fields[i].field)); break;
            case 'D': f.putDate(buffer_, k, Date::fromDisplay(v)); break;
            case 'L': f.putLogical(buffer_, k, v == "T"); break;
            case 'M': break;
            default: f.putString(buffer_, k, utf8ToCp1252(fields[i].mask.empty() ? v : Mask(fields[i].mask).parseText(v)));
            }
        }
    }
    std::string_view raw(std::string_view field) const override
    {
        int i = file_.fieldIndex(field);
        return i < 0 ? std::string_view() : file_.raw(buffer_, i);
    }

private:
    const DbfFile& file_;
    std::string buffer_;
};

std::string duplicateKeyOf(const RegisterDesc& desc, const Table& t, const EditValues& v)
{
    const schema::TagDef* tag = schema::findTag(desc.duplicateTag);
    if (!tag) return std::string();
    return tag->key(ValuesView(t.file(), desc.fields, v));
}

} // namespace

const char* registerButtonCaption(int id)
{
    switch (id) {
    case kBtnClose: return "&Chiudi";
    case kBtnAdd: return "&Aggiungi";
    case kBtnModify: return "&Modifica";
    case kBtnDelete: return "&Elimina";
    case kBtnSearch: return "&Ricerca";
    case kBtnPrint: return "&Stampa ^";
    case kBtnEmail: return "Ema&il";
    case kBtnExcel: return "E&xcel";
    default: return "";
    }
}

bool registerButtonNeedsRecord(int id)
{
    return id == kBtnModify || id == kBtnDelete || id == kBtnPrint || id == kBtnEmail || id == kBtnExcel;
}

// ---------------------------------------------------------------- values

EditValues::EditValues(const std::vector<EditField>& fields)
{
    for (const EditField& f : fields) {
        names_.push_back(f.field);
        masks_.push_back(f.mask);
        texts_.emplace_back();
    }
}

std::string EditValues::get(std::string_view field) const
{
    for (size_t i = 0; i < names_.size(); ++i)
        if (sameName(names_[i], field)) return texts_[i];
    return std::string();
}

void EditValues::set(std::string_view field, std::string text)
{
    for (size_t i = 0; i < names_.size(); ++i)
        if (sameName(names_[i], field)) {
            texts_[i] = std::move(text);
            return;
        }
}

Decimal EditValues::number(std::string_view field) const
{
    for (size_t i = 0; i < names_.size(); ++i)
        if (sameName(names_[i], field)) {
            std::optional<Decimal> d = Mask(masks_[i]).parseNumber(texts_[i]);
            if (!d) d = Decimal::parse(trim(texts_[i]));
            return d.value_or(Decimal());
        }
    return Decimal();
}

Date EditValues::date(std::string_view field) const { return Date::fromDisplay(get(field)); }

bool EditValues::logical(std::string_view field) const { return get(field) == "T"; }

EditField editField(int id, std::string label, FieldName field, FieldKind kind, std::string mask, int page)
{
    EditField f;
    f.id = id;
    f.label = std::move(label);
    f.field = std::string(field);
    f.kind = kind;
    f.mask = std::move(mask);
    f.page = page;
    return f;
}

EditField textField(int id, std::string label, FieldName field, std::string mask, int page)
{
    return editField(id, std::move(label), field, FieldKind::Text, std::move(mask), page);
}

namespace {

EditField ofKind(FieldKind kind, EditField f)
{
    f.kind = kind;
    return f;
}

} // namespace

EditField numberField(int id, std::string label, FieldName field, std::string mask, int page)
{
    return ofKind(FieldKind::Number, textField(id, std::move(label), field, std::move(mask), page));
}

EditField dateField(int id, std::string label, FieldName field, int page)
{
    return ofKind(FieldKind::Date, textField(id, std::move(label), field, {}, page));
}

EditField logicalField(int id, std::string label, FieldName field, int page)
{
    return ofKind(FieldKind::Logical, textField(id, std::move(label), field, {}, page));
}

EditField memoField(int id, std::string label, FieldName field, int page)
{
    return ofKind(FieldKind::Memo, textField(id, std::move(label), field, {}, page));
}

EditField choiceField(int id, std::string label, FieldName field, std::function<std::vector<std::string>()> list,
                      bool typed, int page)
{
    EditField f = ofKind(FieldKind::Choice, textField(id, std::move(label), field, {}, page));
    f.list = std::move(list);
    f.typedChoice = typed;
    return f;
}

SearchField searchField(int id, std::string label, FieldName field, Match match, FieldKind kind)
{
    SearchField s;
    s.id = id;
    s.label = std::move(label);
    s.field = std::string(field);
    s.match = match;
    s.kind = kind;
    return s;
}

SearchField customSearch(int id, std::string label, FieldKind kind,
                         std::function<RecordPredicate(const std::vector<std::string>& typed)> condition)
{
    SearchField s;
    s.id = id;
    s.label = std::move(label);
    s.match = Match::Custom;
    s.kind = kind;
    s.condition = std::move(condition);
    return s;
}

bool requiredRule(const std::string& value, const EditValues&) { return value.find_first_not_of(' ') != std::string::npos; }

EditValues blankValues(const std::vector<EditField>& fields, const Table* table)
{
    EditValues v(fields);
    for (size_t i = 0; i < fields.size(); ++i) {
        const EditField& f = fields[i];
        switch (f.kind) {
        case FieldKind::Number: v.setAt(i, numberText(Mask(f.mask), Decimal(), fieldDef(table, f.field))); break;
        case FieldKind::Date: v.setAt(i, Date().toDisplay()); break;
        case FieldKind::Logical: v.setAt(i, "F"); break;
        default: break;
        }
    }
    return v;
}

EditValues recordValues(const std::vector<EditField>& fields, const Table& t)
{
    EditValues v(fields);
    for (size_t i = 0; i < fields.size(); ++i) {
        const EditField& f = fields[i];
        const FieldDef* def = f.stored ? fieldDef(&t, f.field) : nullptr;
        if (!def) continue;
        const FieldName name = FieldName::runtime(f.field);
        switch (f.kind) {
        case FieldKind::Number: v.setAt(i, numberText(Mask(f.mask), t.number(name), def)); break;
        case FieldKind::Date: v.setAt(i, t.date(name).toDisplay()); break;
        case FieldKind::Logical:
        case FieldKind::TriState: v.setAt(i, t.logical(name) ? "T" : "F"); break;
        case FieldKind::Memo: v.setAt(i, def->type == 'M' ? t.memo(name) : t.text(name)); break;
        default: v.setAt(i, t.text(name));
        }
    }
    return v;
}

void storeValues(const std::vector<EditField>& fields, const EditValues& values, Table& t)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        const EditField& f = fields[i];
        const FieldDef* def = f.stored ? fieldDef(&t, f.field) : nullptr;
        if (!def) continue;
        const std::string& text = values.at(i);
        const FieldName name = FieldName::runtime(f.field);
        switch (def->type) {
        case 'N': t.setNumber(name, values.number(f.field)); break;
        case 'D': t.setDate(name, Date::fromDisplay(text)); break;
        case 'L': t.setLogical(name, text == "T"); break;
        case 'M': t.setMemo(name, text); break;
        default: t.setText(name, f.mask.empty() ? text : Mask(f.mask).parseText(text));
        }
    }
}

std::optional<std::string> checkField(const EditField& f, const EditValues& values, size_t index, const Table* t)
{
    const std::string& text = values.at(index);
    if (f.kind == FieldKind::Date && Mask::parseDate(text).status == DateStatus::Invalid) return std::string(kMsgInvalidDate);
    if (f.kind == FieldKind::Number) {
        const FieldDef* def = fieldDef(t, f.field);
        if (auto m = recheckField(Mask(f.mask), ValueKind::Number, text, def ? def->width : 0, def ? def->decimals : 0))
            return m;
    }
    if (f.rule && !f.rule(text, values)) return std::string(kMsgInvalidField);
    return std::nullopt;
}

std::optional<FieldFailure> recheckValues(const std::vector<EditField>& fields, const EditValues& values,
                                          const Table* t)
{
    std::vector<size_t> order(fields.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return fields[a].page < fields[b].page; });
    for (size_t i : order) {
        const EditField& f = fields[i];
        if (f.enabled && !f.enabled(values)) continue;
        if (auto m = checkField(f, values, i, t)) return FieldFailure{i, *m};
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- columns and criteria

Column fieldColumn(std::string header, FieldName field, int width, std::string mask)
{
    Column c;
    c.header = std::move(header);
    c.width = width;
    c.value = [name = std::string(field), mask](const Table& t) -> std::string {
        const FieldDef* def = fieldDef(&t, name);
        if (!def) return std::string();
        const FieldName field = FieldName::runtime(name);
        switch (def->type) {
        case 'N': return numberText(Mask(mask), t.number(field), def);
        case 'D': return t.date(field).toDisplay();
        case 'L': return t.logical(field) ? "Sì" : "No";
        case 'M': return t.memo(field);
        default: return mask.empty() ? t.text(field) : rtrim(Mask(mask).formatText(t.text(field)));
        }
    };
    return c;
}

RecordPredicate buildCondition(const std::vector<SearchField>& fields, const std::vector<std::string>& typed)
{
    std::vector<RecordPredicate> all;
    for (size_t i = 0; i < fields.size() && i < typed.size(); ++i) {
        const SearchField& f = fields[i];
        const std::string& text = typed[i];
        const FieldName field = FieldName::runtime(f.field);
        if (f.match == Match::Flag) {
            if (text == "T" || text == "F") all.push_back(criteria::flag(field, text == "T"));
            continue;
        }
        if (f.match == Match::From || f.match == Match::To) {
            const bool from = f.match == Match::From;
            if (f.kind == FieldKind::Date) {
                ParsedDate d = Mask::parseDate(text);
                if (d.status != DateStatus::Valid) continue;
                all.push_back(from ? criteria::dateRange(field, d.date, std::nullopt)
                                   : criteria::dateRange(field, std::nullopt, d.date));
            } else {
                if (trim(text).empty()) continue;
                std::optional<Decimal> n = Mask(f.mask).parseNumber(text);
                if (!n) continue;
                all.push_back(from ? criteria::numberRange(field, n, std::nullopt)
                                   : criteria::numberRange(field, std::nullopt, n));
            }
            continue;
        }
        if (f.match == Match::Custom) {
            if (f.condition)
                if (RecordPredicate p = f.condition(typed)) all.push_back(std::move(p));
            continue;
        }
        if (trim(text).empty()) continue;
        switch (f.match) {
        case Match::Contains: all.push_back(criteria::contains(field, text)); break;
        case Match::Prefix: all.push_back(criteria::prefix(field, text)); break;
        case Match::PaddedExact: all.push_back(criteria::paddedExact(field, text)); break;
        default: all.push_back(criteria::equal(field, text));
        }
    }
    return criteria::allOf(std::move(all));
}

std::string registerTitle(const RegisterDesc& desc, Table& t, uint64_t rows)
{
    if (!desc.countingTitle) return desc.title;
    return desc.title + " - " + std::to_string(rows) + " di " + std::to_string(t.totRec());
}

void openRegisterTables(const RegisterDesc& desc, Workspace& ws)
{
    for (const auto& [name, alias] : desc.lookups) ws.open(name, alias, true);
    Table& t = ws.open(desc.table, desc.aliasName(), true);
    for (TagName o : desc.orders) t.ordAdd(o);
    if (!desc.orders.empty()) t.setOrder(1);
    if (desc.viewKey) clearSearch(desc, t);
    t.goTop();
}

void closeRegisterTables(const RegisterDesc& desc, Workspace& ws)
{
    ws.close(desc.aliasName());
    for (auto it = desc.lookups.rbegin(); it != desc.lookups.rend(); ++it) ws.close(it->second);
}

// ---------------------------------------------------------------- save

namespace {

std::optional<std::string> diskProblem(const Table& t)
{
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) return p.message;
    if (DiskCheck f = ISFULL(t.folder(), 8192); f.value) return f.message;
    return std::nullopt;
}

// Another live record with KEY in TAG; read through a cursor of its own.
bool otherHasKey(const Table& t, TagName tag, const std::string& key, uint32_t editing)
{
    std::unique_ptr<Table> c = Table::open(t.folder(), t.name(), "DUPTEST", OpenMode::Shared, true);
    c->ordAdd(tag);
    for (bool ok = c->seek(key); ok && !c->eof() && c->currentKey().compare(0, key.size(), key) == 0; c->skip(1))
        if (c->recno() != editing) return true;
    return false;
}

} // namespace

SaveResult saveRecord(const RegisterDesc& desc, Workspace& ws, bool inserting, const EditValues& before,
                      const EditValues& after)
{
    Table& t = ws[desc.aliasName()];
    if (!inserting && t.eof()) return SaveResult{SaveResult::CheckFailed, std::string()};
    if (desc.check)
        if (auto m = desc.check(ws, after, inserting)) return SaveResult{SaveResult::CheckFailed, *m};
    if (auto m = diskProblem(t)) return SaveResult{SaveResult::DiskProblem, *m};

    std::string key;
    if (!desc.duplicateTag.empty()) {
        key = duplicateKeyOf(desc, t, after);
        if (!inserting && key == duplicateKeyOf(desc, t, before)) key.clear();
    }
    const uint32_t editing = inserting ? 0 : t.recno();
    // Whatever goes wrong from here, no lock is left behind for the other workstations.
    Unlocker unlocker{t};
    if (desc.tableLock || !key.empty()) {
        t.lock(false);
        if (!key.empty() && otherHasKey(t, desc.duplicateTag, key, editing)) {
            t.unlock();
            if (editing) t.goTo(editing);
            return SaveResult{SaveResult::Duplicate, desc.duplicateMessage};
        }
    }
    if (inserting) {
        // With a duplicate test the table lock stays until the new keys are in the indexes, so
        // that no other workstation can test for the same key in between and insert it too.
        t.append(!key.empty());
    } else {
        t.goTo(editing);
        // A changed key keeps the table lock, which covers the record, until the new key is in
        // the indexes: a record lock would give the table lock back before that.
        if (key.empty()) t.lock(true);
        t.recall(); // deleted meanwhile by another workstation: it comes back
    }
    storeValues(desc.fields, after, t);
    t.commit();
    t.unlock();
    unlocker.armed = false;

    if (!inserting && !desc.renameField.empty()) {
        const std::string oldValue = rtrim(before.get(desc.renameField));
        const std::string newValue = rtrim(after.get(desc.renameField));
        if (oldValue != newValue && !desc.renames.empty()) {
            WaitHooks& h = waitHooks();
            if (h.show) h.show(kMsgUpdatingArchives, std::string());
            const uint32_t here = t.recno();
            // A table that cannot be changed does not stop the others: the record is saved and
            // the user is told which tables still hold the old value.
            std::vector<std::string> failed;
            try {
                renameCascade(ws, desc.renames, oldValue, newValue, &failed);
            } catch (...) {
                if (h.hide) h.hide();
                throw;
            }
            if (h.hide) h.hide();
            ws.select(desc.aliasName());
            t.goTo(here);
            if (!failed.empty()) {
                SaveResult r;
                r.message = renameFailedMessage(failed);
                if (desc.afterWrite) desc.afterWrite(ws, before, after, inserting);
                return r;
            }
        }
    }
    if (desc.afterWrite) desc.afterWrite(ws, before, after, inserting);
    return SaveResult{};
}

std::string renameFailedMessage(const std::vector<std::string>& failed)
{
    if (failed.empty()) return std::string();
    std::string list;
    for (const std::string& f : failed) list += (list.empty() ? "" : ", ") + f;
    return "Aggiornamento non completato negli archivi: " + list + ".;Il vecchio nome vi è rimasto.";
}

size_t renameCascade(Workspace& ws, const std::vector<RenameTarget>& targets, const std::string& oldValue,
                     const std::string& newValue, std::vector<std::string>* failed)
{
    const std::string from = rtrim(oldValue), to = rtrim(newValue);
    if (from == to || trim(from).empty()) return 0;
    size_t changed = 0;
    const int selected = ws.selected();
    for (const RenameTarget& target : targets) {
        if (failed) {
            try {
                changed += renameCascade(ws, {target}, from, to);
            } catch (...) {
                failed->push_back(target.table);
            }
            continue;
        }
        const std::string alias = ws.newAlias();
        Table& r = ws.open(target.table, alias, true);
        struct Closer {
            Workspace& ws;
            Table& r;
            std::string alias;
            ~Closer()
            {
                try {
                    r.unlock();
                    ws.close(alias);
                } catch (...) {
                }
            }
        } closer{ws, r, alias};
        r.lock(false);
        for (r.goTop(); !r.eof(); r.skip(1)) {
            if (target.when && !target.when(r)) continue;
            bool change = false;
            for (FieldName f : target.fields)
                if (r.fieldIndex(f) >= 0 && r.text(f) == from) {
                    r.setText(f, to);
                    change = true;
                }
            if (change) {
                r.commit();
                ++changed;
            }
        }
    }
    ws.select(selected);
    return changed;
}

// ---------------------------------------------------------------- search

bool applySearch(const RegisterDesc& desc, Table& t, const RecordPredicate& condition)
{
    if (!condition) return false;
    if (t.hasView()) t.clearView();
    Table::ViewOptions o;
    o.key = desc.viewKey;
    t.setView(condition, o);
    criteria::remember(desc.name, condition);
    return true;
}

void clearSearch(const RegisterDesc& desc, Table& t)
{
    if (t.hasView()) t.clearView();
    if (desc.viewKey) {
        Table::ViewOptions o;
        o.key = desc.viewKey;
        t.setView(RecordPredicate(), o);
        t.goTop();
    }
    criteria::remember(desc.name, RecordPredicate());
}

// ---------------------------------------------------------------- cell editor

std::optional<std::string> cellAppend(Table& t)
{
    if (auto m = diskProblem(t)) return m;
    t.append();
    t.commit();
    t.unlock();
    return std::nullopt;
}

bool cellStore(Table& t, uint32_t recno, FieldName field, const std::string& value, std::string* message)
{
    const std::string v = rtrim(value);
    if (trim(v).empty()) return false;
    t.goTo(recno);
    if (t.eof()) return false;
    if (t.text(field) == v && !t.deleted()) return true;
    if (DiskCheck p = ISPROTECTED(t.folder()); p.value) {
        if (message) *message = p.message;
        return false;
    }
    t.lock(true);
    t.recall();
    t.setText(field, v);
    t.commit();
    t.unlock();
    return true;
}

void cellDiscard(Table& t, uint32_t recno)
{
    t.goTo(recno);
    if (!t.eof() && !t.deleted()) t.del();
}

} // namespace arv::records
