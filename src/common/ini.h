// Settings files in INI format: ARV.INI, ARV.DLL and the company form templates.
//
// The files are shared by every workstation of the agency, so:
//  - every read looks at the file as it is now (it is re-read when it changed on disk);
//  - every change re-reads the file, applies the change and writes it back at once, under a
//    short lock, so two workstations changing different keys keep each other's changes;
//  - the file is replaced atomically (new file beside it, flushed to disk, renamed over it).
//
// Sections and keys may contain blanks ("Server smtp") and are found ignoring case. The file
// is Windows-1252 text with CRLF line ends; names and values cross this interface as UTF-8.
// Sections, keys and comments the program does not know are kept as they are.
#pragma once

#include "common/decimal.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arv {

class IniFile {
public:
    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;
    IniFile(IniFile&&) noexcept;
    IniFile& operator=(IniFile&&) noexcept;

    const std::string& path() const { return path_; }
    bool exists() const;

    // The value of the key, or def when the section or key is missing (a key that is present
    // with an empty value gives the empty text).
    std::string get(std::string_view section, std::string_view key, std::string_view def = {}) const;
    bool has(std::string_view section, std::string_view key) const;
    // The leading integer of the value (blanks and a sign allowed); def when missing or when
    // the value does not begin with a number.
    int getInt(std::string_view section, std::string_view key, int def = 0) const;
    // A plain number, "." or "," as decimal separator; def when missing or unreadable.
    Decimal getDecimal(std::string_view section, std::string_view key, Decimal def = {}) const;
    // "S", "Si", "Sì", "Y", "Yes", "T", "True", "1" (any case) are true; "N", "No", "F",
    // "False", "0" false; def when missing, empty or anything else.
    bool getFlag(std::string_view section, std::string_view key, bool def = false) const;

    // Names as written in the file, in file order.
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    // Writes the value at once (the file is created when missing). Line breaks in the value
    // are stored as "~", the program's line-break mark, so a value can never break the file.
    // Section and key names must not be empty nor hold line breaks, '[' ']' in a section or
    // '=' in a key: std::invalid_argument.
    void set(std::string_view section, std::string_view key, std::string_view value);
    void setInt(std::string_view section, std::string_view key, long long value);
    // Written as a plain number ("11.5").
    void setDecimal(std::string_view section, std::string_view key, const Decimal& value);
    // Written as "S" or "N".
    void setFlag(std::string_view section, std::string_view key, bool value);
    // Several keys of one section in one write (a dialog confirming a group of settings).
    void setValues(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values);
    // Writes the value only when WHEN accepts the key's current value ("" when missing), both under
    // the file's change lock: a counter that must never go back is raised this way. True when written.
    bool setIf(std::string_view section, std::string_view key, std::string_view value,
               const std::function<bool(const std::string& current)>& when);
    // Removes the key; nothing happens when it is missing.
    void remove(std::string_view section, std::string_view key);

private:
    struct State;

    void refresh() const;
    void update(const std::vector<std::pair<std::string, std::string>>& values, std::string_view section,
                bool erase);
    // Applies ITEMS (Windows-1252 keys and values) to the loaded file and writes it; the change lock held.
    void store(const std::vector<std::pair<std::string, std::string>>& items, const std::string& section, bool erase);

    std::string path_;
    std::unique_ptr<State> state_;
};

// The "~" line-break convention of multi-line settings ("Quietanzamento"/"Avviso"):
// CRLF, LF and CR become "~" for storing; "~" becomes lineBreak when read back.
std::string encodeLineBreaks(std::string_view text);
std::string decodeLineBreaks(std::string_view text, std::string_view lineBreak = "\n");

} // namespace arv
