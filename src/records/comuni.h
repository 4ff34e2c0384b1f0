// The municipalities table (COMUNI: cadastral code and name) that the tax-code decoding reads,
// filled from the reference lists of municipalities and foreign states (UTF-8 CSV files with a
// header row; "Fonte: ISTAT; Ministero dell'Interno, ANPR").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace arv::records {

inline constexpr const char* kComuniAttuali = "comuni_attuali.csv";
inline constexpr const char* kComuniStorico = "belfiore_comuni_storico.csv";
inline constexpr const char* kStatiEsteri = "belfiore_stati_esteri.csv";

struct Comune {
    std::string code; // "A001", "Z100"
    std::string name; // UTF-8, as the table stores it (upper case)
};

// The fields of one CSV line (double quotes around a field, "" inside them for a quote).
std::vector<std::string> csvFields(const std::string& line);

// The municipalities of the CSV folder: those in force, then the ceased ones whose code is not in
// force any more, then the foreign states. One entry per code, names upper-cased. Empty when the
// folder holds none of the files.
std::vector<Comune> readComuni(const std::string& csvFolder);

// Fills the COMUNI table of FOLDER from the CSV folder when it is empty (a table just created):
// gives the records written, 0 when the table already held some or the files are missing.
size_t fillComuni(const std::string& folder, const std::string& csvFolder);

// Brings an existing COMUNI table up to the CSV folder: names of known codes are corrected and
// new codes added; codes that the files do not know are kept. The table is used alone meanwhile.
// Gives the records changed or added; throws arv::Error when the table cannot be opened.
size_t refreshComuni(const std::string& folder, const std::string& csvFolder);

// Where the CSV files are: a "comuni" data folder beside the program (PROGRAMDIR/data/comuni or
// PROGRAMDIR/../share/arvale/comuni), else the one of the source tree the program was built
// from. "" when none holds the files.
std::string comuniDataFolder(const std::string& programDir);

} // namespace arv::records
