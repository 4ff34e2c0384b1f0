#include "app/errorhandler.h"

#include "common/cp1252.h"
#include "common/error.h"

namespace arv {

ErrorRecord errorRecord(const Error& error)
{
    ErrorRecord r;
    r.genCode = error.genCode();
    if (error.subCode() != SUB_NONE) r.subCode = error.subCode();
    r.osCode = error.osCode();
    if (!error.subsystem().empty()) r.subsystem = error.subsystem();
    if (!error.description().empty()) r.description = error.description();
    r.filename = error.filename();
    r.operation = error.operation();
    r.severity = error.severity();
    r.canDefault = error.canDefault();
    return r;
}

// File names are kept in UTF-8; the upper case follows the letters the tables know.
static std::string upperName(const std::string& name)
{
    return cp1252ToUtf8(upperCp1252(utf8ToCp1252(name)));
}

ErrorDecision DEFERROR(const ErrorRecord& e)
{
    const std::string file = upperName(e.filename);
    const int os = e.osCode;
    const int sub = e.subCode.value_or(-1);
    auto show = [](int rule, std::string text) {
        return ErrorDecision{rule, ErrorAction::ShowAndUnwind, std::move(text), {}};
    };

    if (os == OS_NOT_READY) return show(1, "Disco " + file + " non pronto.");
    if (os == OS_SECTOR_NOT_FOUND || os == OS_GEN_FAILURE) return show(2, "Disco " + file + " non formattato.");
    if (os == OS_WRITE_PROTECT) return show(3, "Disco " + file + " protetto da scrittura.");
    if (os == OS_DIRECTORY_FULL) return show(4, "Directory " + file + " piena.");
    if (sub == SUB_DISK_FULL) return show(5, "Spazio sul disco " + file + " insufficiente.");
    if (os == OS_ACCESS_DENIED) return show(6, "Impossibile accedere al file " + file + ".");
    if (os == OS_PATH_NOT_FOUND) return show(7, "Percorso " + file + " non trovato.");
    if (os == OS_FILE_NOT_FOUND) return show(8, "Impossibile aprire il file " + file + ".");
    if (sub == SUB_CORRUPT || e.genCode == EG_CORRUPTION) return show(9, "Il file " + file + " risulta corrotto.");
    if (e.genCode == EG_INTERNAL) return show(10, ERRORMESSAGE(e));
    if (e.genCode == EG_ZERODIV) return {11, ErrorAction::ReturnZero, {}, {}};
    if (e.genCode == EG_OPEN && (os == OS_SHARING_VIOLATION || os == OS_ACCESS_DENIED) && e.canDefault)
        return {12, ErrorAction::NetworkErrorFalse, {}, {}};
    if (e.genCode == EG_LOCK && e.canDefault) return {13, ErrorAction::NetworkErrorFalse, {}, {}};
    std::string report = ERRORMESSAGE(e);
    return {14, ErrorAction::Fatal, report + kMailQuestion, report};
}

std::string ERRORMESSAGE(const ErrorRecord& e)
{
    std::string text = e.severity > 1 ? "Error " : "Warning ";
    text += e.subsystem ? *e.subsystem : std::string("???");
    text += e.subCode ? "/" + std::to_string(*e.subCode) : std::string("/???");
    if (e.description) text += "  " + *e.description;
    if (!e.filename.empty()) text += ": " + e.filename;
    else if (!e.operation.empty()) text += ": " + e.operation;
    if (!e.function.empty()) text += ";Function: " + e.function + "  Line: " + std::to_string(e.line);
    return text;
}

static std::string replaceAll(std::string s, const std::string& what, const std::string& with)
{
    for (size_t pos = 0; (pos = s.find(what, pos)) != std::string::npos; pos += with.size())
        s.replace(pos, what.size(), with);
    return s;
}

std::string errorMailUrl(const std::string& executablePath, const std::string& description)
{
    std::string body = replaceAll(replaceAll(description, "&", "%26"), ";", "%0d%0a");
    return "mailto:?subject=Rapporto di errore&body=Applicazione: " + executablePath + "%0d%0a%0d%0a" + body;
}

} // namespace arv
