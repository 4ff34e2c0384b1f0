#include "app/entries.h"

namespace arv {

void EntryRegistry::add(const std::string& name, EntryFunction function)
{
    entries_[name] = std::move(function);
}

bool EntryRegistry::has(const std::string& name) const
{
    return entries_.count(name) != 0;
}

void EntryRegistry::call(const std::string& name, const EntryArgs& args) const
{
    auto it = entries_.find(name);
    if (it == entries_.end() || !it->second) {
        if (unavailable_) unavailable_(name);
        return;
    }
    const EntryFunction& function = it->second;
    if (runner_) runner_(name, [&] { function(args); });
    else function(args);
}

} // namespace arv
