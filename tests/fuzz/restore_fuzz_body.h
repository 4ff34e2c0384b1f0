// One fuzz round of "Ripristino dati...": the input is the archive itself or, framed (see
// fuzz_support.h), the files an archive holds, packed here entry by entry under whatever names
// they carry. The working folder is a sound agency folder with a few records. A refused archive
// must say why and leave every table, memo file and ARV.INI as it was; an accepted one must leave
// a folder whose tables all check clean. Neither may leave a temporary file behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "common/error.h"
#include "common/tempnames.h"
#include "fuzz/fuzz_support.h"
#include "records/maintenance.h"
#include "store/check.h"
#include "store/files.h"
#include "store/schema/schema.h"
#include "store/table.h"
#include "store/upgrade.h"
#include "store/workspace.h"

namespace arv::fuzz {

// The agency folder every round starts from, made once by the program's own start-up check.
inline const std::string& restorePristine()
{
    static const std::string dir = [] {
        const std::string d = scratchDir() + "/restore-pristine";
        std::filesystem::remove_all(d);
        std::filesystem::create_directories(d);
        if (!store::AGGIORNADATABASE(d)) fail("restore", "the start-up check failed on an empty folder");
        writeBytes(d + "/ARV.INI", std::string("[E-mail]\r\nServer smtp=smtp.example.it\r\n"));
        store::Workspace ws(d);
        store::Table& cli = ws.open("CLIENTI");
        cli.append();
        cli.setText("CLIENTE", "BIANCHI MARIO");
        cli.commit();
        cli.unlock();
        store::Table& pol = ws.open("POLIZZE");
        pol.append();
        pol.setText("CODICE", "         1");
        pol.setText("POLIZZA", "P1");
        pol.setMemo("NOTE", "nota della polizza");
        pol.commit();
        pol.unlock();
        return d;
    }();
    return dir;
}

// The files a restore may replace, with their bytes.
inline std::map<std::string, std::string> restoreArchiveState(const std::string& folder)
{
    std::map<std::string, std::string> state;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        const std::string ext = e.path().extension().string();
        if (name == "ARV.INI" || (ext.size() == 4 && (ext.rfind(".DB", 0) == 0 || ext.rfind(".db", 0) == 0)))
            state[name] = readBytes(e.path().string());
    }
    return state;
}

inline int restoreFuzzOne(const uint8_t* data, size_t size)
{
    namespace fs = std::filesystem;
    const std::string& pristine = restorePristine();
    static const std::map<std::string, std::string> before = restoreArchiveState(pristine);
    const std::string root = scratchDir() + "/restore";
    const std::string folder = root + "/work", archive = root + "/backup.zip";
    // A refused archive leaves the folder as it was (checked below): it is made again only
    // after an accepted one.
    static bool changed = true;
    std::error_code ec;
    fs::remove(archive, ec);
    if (changed) {
        fs::remove_all(root, ec);
        fs::create_directories(root);
        fs::copy(pristine, folder, fs::copy_options::recursive);
        changed = false;
    }

    const std::string_view in(reinterpret_cast<const char*>(data), size);
    if (isFramed(in)) {
        if (!writeZipParts(archive, splitParts(in))) return 0;
    } else {
        writeBytes(archive, data, size);
    }

    records::ArchiveResult r;
    try {
        r = records::restoreArchives(folder, archive);
    } catch (const std::exception& e) {
        fail("restore", std::string("the restore let an error through: ") + e.what());
    }
    // (The write notes of this process stay for as long as it runs.)
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string()[0] == kTempPrefix && e.path().extension() != ".JRN")
            fail("restore", "a temporary file was left behind: " + e.path().filename().string());
    if (!r) {
        if (r.message.empty()) fail("restore", "a refused archive gave no message");
        if (restoreArchiveState(folder) != before) fail("restore", "a refused archive changed the folder: " + r.message);
        return 0;
    }
    changed = true;
    if (r.message != records::kMsgRestoreDone) fail("restore", "an accepted archive said: " + r.message);
    for (const auto& t : schema::tables()) {
        store::CheckReport c = store::checkTable(store::resolveFile(folder, t.name + ".DBF"));
        if (!c.ok()) fail("restore", "after an accepted archive " + t.name + ": " + c.problems.front());
    }
    return 0;
}

} // namespace arv::fuzz
