// The entry functions of the program's screens, reached by name from the menu bar and the toolbar.
// A screen plugs itself in with add(); a name nobody has added yet tells the user that the function
// is not available.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace arv {

inline constexpr const char* kMsgNotAvailable = "Funzione non ancora disponibile.";

// The arguments a few entries take: PRIMANOTA's daily flag, SALVA's extra files.
struct EntryArgs {
    bool flag = false;
    std::vector<std::string> files;

    bool operator==(const EntryArgs&) const = default;
};

using EntryFunction = std::function<void(const EntryArgs&)>;

class EntryRegistry {
public:
    // Runs BODY as one screen (inside the recovery block of the error handler).
    using Runner = std::function<void(const std::string& name, const std::function<void()>& body)>;

    void add(const std::string& name, EntryFunction function);
    bool has(const std::string& name) const;

    // Calls the entry through the runner; without an entry the "not available" handler is told.
    void call(const std::string& name, const EntryArgs& args = {}) const;

    void setRunner(Runner runner) { runner_ = std::move(runner); }
    void setUnavailableHandler(std::function<void(const std::string& name)> handler)
    {
        unavailable_ = std::move(handler);
    }

private:
    std::map<std::string, EntryFunction> entries_;
    Runner runner_;
    std::function<void(const std::string&)> unavailable_;
};

} // namespace arv
