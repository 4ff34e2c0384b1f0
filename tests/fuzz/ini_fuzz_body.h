// One fuzz round over ARV.INI as another program or a person with a text editor may leave it (any
// code page, line ends, "~" breaks, very long lines, broken sections): every key is read the
// ways the program reads it, the e-mail and agency settings are loaded from it, and then one key
// is changed, as a dialog does. The change must read back and every other key must keep its
// value. arv::Error is the only complaint allowed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "common/agency.h"
#include "common/cp1252.h"
#include "common/error.h"
#include "common/ini.h"
#include "common/sendmail.h"
#include "fuzz/fuzz_support.h"

namespace arv::fuzz {

// Names are found ignoring case and the blanks around them.
inline bool iniSameName(const std::string& a, const std::string& b)
{
    auto norm = [](const std::string& s) {
        size_t f = s.find_first_not_of(" \t"), l = s.find_last_not_of(" \t");
        return f == std::string::npos ? std::string() : upperCp1252(utf8ToCp1252(s.substr(f, l - f + 1)));
    };
    return norm(a) == norm(b);
}

inline int iniFuzzOne(const uint8_t* data, size_t size)
{
    const std::string dir = scratchDir() + "/ini";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/ARV.INI";
    writeBytes(path, data, size);

    static const char* const kSection = "Quietanzamento";
    static const char* const kKey = "Avviso";
    const std::string typed = "Gentile cliente,\r\nla polizza è in scadenza.\nCordiali saluti";
    try {
        std::map<std::pair<std::string, std::string>, std::string> before;
        {
            IniFile ini(path);
            for (const std::string& s : ini.sections()) {
                for (const std::string& k : ini.keys(s)) {
                    const std::string v = ini.get(s, k);
                    ini.getInt(s, k);
                    ini.getDecimal(s, k);
                    ini.getFlag(s, k);
                    decodeLineBreaks(v, "\r\n");
                    before.emplace(std::make_pair(s, k), v);
                }
            }
            MailSettings::load(ini).message();
            AgencyIdentity agency;
            agency.load(ini);
            ini.set(kSection, kKey, typed);
        }
        IniFile again(path);
        if (decodeLineBreaks(again.get(kSection, kKey), "\r\n") != "Gentile cliente,\r\nla polizza è in scadenza.\r\nCordiali saluti")
            fail("ini", "a changed key does not read back");
        for (const auto& [name, value] : before) {
            if (iniSameName(name.first, kSection) && iniSameName(name.second, kKey)) continue;
            if (again.get(name.first, name.second, "<assente>") != value)
                fail("ini", "changing one key changed [" + name.first + "] " + name.second);
        }
    } catch (const arv::Error&) {
    }
    return 0;
}

} // namespace arv::fuzz
