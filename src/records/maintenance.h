// Operations on the archives as a whole: packing and rebuilding every index, saving the
// archives to a ZIP file and restoring them from one, mailing them to another office, and the
// producer update that replaces a producer installation's archives with its share of the
// agency's. No window is shown here: waits go through the engine's wait hooks and every
// outcome comes back with the Italian message to show.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/date.h"
#include "records/zipfile.h"

namespace arv::records {

inline constexpr const char* kMsgMaintenanceConfirm = "La manutenzione potrebbe;richiedere del tempo.;Confermi l'operazione?";
inline constexpr const char* kMsgMaintenanceRunning = "Manutenzione degli archivi in corso...";
inline constexpr const char* kMsgMaintenanceFailed = "La manutenzione degli archivi non è stata completata.";
inline constexpr const char* kMsgCompressing = "Compressione in corso...";
inline constexpr const char* kMsgDecompressing = "Decompressione in corso...";
inline constexpr const char* kMsgSaveTitle = "Salvataggio dati";
inline constexpr const char* kMsgSaveDone = "Salvataggio completato.";
inline constexpr const char* kMsgRestoreConfirm = "Spegnere tutti i terminali.;;Continuo l'operazione?";
inline constexpr const char* kMsgRestoreTitle = "Ripristina dati da";
inline constexpr const char* kMsgRestoreDone = "Ripristino completato.";
inline constexpr const char* kMsgRestoreFailed = "Il ripristino non è riuscito.";
inline constexpr const char* kMsgArchivesPutBack = "Gli archivi sono stati riportati alla situazione precedente.";
inline constexpr const char* kZipFilter = "File ZIP (*.zip)|*.zip";
inline constexpr const char* kSendSubject = "Aggiornamento dati ARV";
inline constexpr const char* kSendBody =
    "Inviamo in allegato l'aggiornamento degli archivi di ARV.\r\n\r\nDistinti saluti.";
inline constexpr const char* kSendZipName = "DATI.ZIP";
inline constexpr const char* kMsgMailFailed = "Impossibile inviare l'email.";
inline constexpr const char* kMsgProducerConfirm = "Confermi l'aggiornamento degli archivi?";
inline constexpr const char* kMsgProducerFailed = "Impossibile aggiornare gli archivi.";
inline constexpr const char* kProducerSettingsFile = "ARV.DLL";

// The outcome of one operation: ok, or the message to show. An empty message with ok false
// means the operation stopped quietly.
using ArchiveResult = ZipResult;

// The tables in the order maintenance packs them (policies first: the claims order looks
// policies up through NUMPOL).
const std::vector<std::string>& maintenanceOrder();

// MANUTENZIONE without its question. With UPGRADE the folder is brought to the current schema
// and every index rebuilt (the start-up check, forced); otherwise every table is opened
// exclusively (waiting for the other workstations), packed into a new file that replaces the
// old one, and its indexes are built afresh. INTERACTIVE only picks the wait message. Every
// table is checked afterwards; a failure stops at that table and says so.
ArchiveResult maintainArchives(const std::string& folder, bool interactive = true, bool upgrade = false);

// Every archive file of the folder: the tables and memo files ("*.DB?", hidden and read-only
// ones too), never the temporary files. Full paths, sorted.
std::vector<std::string> archiveFiles(const std::string& folder);

// "Salvataggio archivi " + program + " del " + ddmmyy + ".zip".
std::string backupName(const std::string& programName, const Date& today);
// The name with ".zip" added when it has no extension.
std::string withZipExtension(const std::string& name);

// SALVA after the file dialog: the archive files plus the extra files (names in the folder,
// such as ARV.INI; one that does not exist is left out) into ZIPFILE.
ArchiveResult saveArchives(const std::string& folder, const std::string& zipFile,
                           const std::vector<std::string>& extraFiles = {});

// RICARICA after its question and file dialog. The archive is extracted into a staging folder
// and checked (every entry's CRC, every table's header and memo file, at least one table);
// only "*.DB?" files and ARV.INI are taken from it. Then every table is taken exclusively,
// the files are swapped in (the replaced ones kept aside), the folder is upgraded and every
// index rebuilt and checked, and USERS.NTX rebuilt when USERS.DBF exists. If anything fails
// after the swap, the replaced files are put back. Nothing in the folder changes before the
// archive has been found sound.
ArchiveResult restoreArchives(const std::string& folder, const std::string& zipFile);

// The mail sender: recipient, subject, body, attachment paths; true when delivered.
using MailSender = std::function<bool(const std::string& to, const std::string& subject, const std::string& body,
                                      const std::vector<std::string>& attachments)>;

// The sending settings of section "E-mail" of ARV.INI, as the send dialog edits them.
struct SendSettings {
    std::string connection = "Connessione fissa"; // "Connessione"
    std::string server;                           // "Server smtp"
    std::string sender;                           // "Mittente"
    std::string recipient;                        // "DestInvio"
    std::string user;                             // "Userid"
    std::string password;                         // "Password"
    std::string port;                             // "Porta"
    bool ssl = false;                             // "SSL" ("S"/"N")

    static SendSettings load(const std::string& iniPath);
    void save(const std::string& iniPath) const; // values trimmed
    // The first missing required value's message ("" when complete).
    std::string problem() const;
};

// The sender the program uses: one e-mail through SENDMAIL with the SMTP settings of section
// "E-mail" of the settings file INIPATH (read at each call).
MailSender settingsMailSender(const std::string& iniPath);

// INVIO after its dialog: every archive file into DATI.ZIP in a private temporary folder, one
// e-mail with it attached, and DATI.ZIP removed whatever happened.
ArchiveResult sendArchives(const std::string& folder, const std::string& recipient, const MailSender& send);

// The producer installation's settings: ARV.DLL, section "Parametri".
struct ProducerSettings {
    std::string agencyFolder; // "Percorso"
    std::string producer;     // "Produttore"
    static ProducerSettings load(const std::string& folder);
};

// AGGIORNA after its question: the agency's archives (all but USERS*) restricted to the
// producer are built in a staging folder (policies of the producer, their detail sheets and
// claims, the producer's movements with no agency commission, the producer's clients; no
// accounting movements, titles, commission rates or financings) and swapped in like a restore,
// then upgraded and rebuilt.
ArchiveResult updateProducerArchives(const std::string& folder, const ProducerSettings& settings);

} // namespace arv::records
