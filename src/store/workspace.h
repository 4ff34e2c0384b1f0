// Work areas: the numbered slots that hold the open tables of a workstation, addressed by alias.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/table.h"

namespace arv::store {

class Workspace {
public:
    explicit Workspace(std::string folder = ".");
    ~Workspace();

    const std::string& folder() const { return folder_; }
    void setFolder(std::string folder) { folder_ = std::move(folder); }

    // DBOPEN: opens the table in the lowest free area (or the current one when newArea is false
    // and it is free), selects it and returns it. A table held elsewhere is waited for, showing
    // "E' in corso un'operazione di sistema..." (shared) or "Spegnere tutti i terminali..."
    // (exclusive) through the wait hooks, until it opens. Other failures throw arv::Error.
    Table& open(const std::string& name, const std::string& alias = std::string(), bool shared = true,
                bool readOnly = false, bool newArea = true);
    // Opens without waiting: nullptr when the table is held elsewhere.
    Table* tryOpen(const std::string& name, const std::string& alias = std::string(), bool shared = true,
                   bool readOnly = false);

    // DBCLOSE: closes the alias (default the current area) and selects the area selected before.
    void close(const std::string& alias = std::string());
    // CLOSEALL: every area closed, area 1 selected, this workstation's view files removed.
    void closeAll();

    Table* find(const std::string& alias) const;
    Table& operator[](const std::string& alias) const; // throws when not open
    bool isOpen(const std::string& alias) const { return find(alias) != nullptr; }

    int selected() const { return selected_; }
    Table* current() const;
    // Selects by alias or area number; returns the area selected before.
    int select(const std::string& alias);
    int select(int area);

    // A function that closes the tables opened after this call (and only those): what a screen
    // that failed leaves behind, while the screens below it keep theirs.
    std::function<void()> closerOfNewTables();

    // GETNEWALIAS: "ALIAS" + the number of the next free area in three digits.
    std::string newAlias() const;

private:
    int freeArea() const;
    std::string folder_;
    std::vector<std::unique_ptr<Table>> areas_; // index = area - 1
    int selected_ = 1;
    std::vector<int> previous_;
};

// A table opened under an alias of its own for one lookup or one printout: closed again, and the
// area selected before selected again, when the object goes.
class OwnTable {
public:
    OwnTable(Workspace& ws, const std::string& name, bool readOnly = false)
        : ws_(ws), selected_(ws.selected()), alias_(ws.newAlias()), table_(ws.open(name, alias_, true, readOnly))
    {
    }
    ~OwnTable()
    {
        try {
            ws_.close(alias_);
            ws_.select(selected_);
        } catch (...) {
        }
    }
    OwnTable(const OwnTable&) = delete;
    OwnTable& operator=(const OwnTable&) = delete;

    Table& operator*() const { return table_; }
    Table* operator->() const { return &table_; }
    const std::string& alias() const { return alias_; }

private:
    Workspace& ws_;
    int selected_;
    std::string alias_;
    Table& table_;
};

// The work areas of this workstation's program (screens open their tables here).
Workspace& workspace();

// Makes the claims order find the insured name of a policy in FOLDER's policy table.
void installClaimLookup(const std::string& folder);

// NETUSED: true when the file exists and cannot be opened for exclusive use.
bool NETUSED(const std::string& path);

} // namespace arv::store
