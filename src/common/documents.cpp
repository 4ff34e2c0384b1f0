#include "common/documents.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace fs = std::filesystem;

namespace arv {

fs::path documentFolder(const fs::path& workFolder, const std::string& archive, const SettingLookup& setting)
{
    std::string value = setting ? setting(kDocumentsSection, archive) : std::string();
    auto first = value.find_first_not_of(' ');
    value = first == std::string::npos ? std::string() : value.substr(first, value.find_last_not_of(' ') - first + 1);
    if (value.empty()) return workFolder / archive;
    fs::path p(value);
    return p.is_absolute() ? p : workFolder / p;
}

bool ensureDocumentFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

std::string documentPrefix(std::string_view key)
{
    size_t first = key.find_first_not_of(' ');
    std::string k;
    if (first != std::string_view::npos) k = std::string(key.substr(first, key.find_last_not_of(' ') - first + 1));
    for (char& c : k) {
        if (c == '/') c = '_';
        else c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return k + "_";
}

fs::path documentPath(const fs::path& folder, std::string_view key, const fs::path& file)
{
    return folder / (documentPrefix(key) + file.filename().string());
}

static bool startsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::vector<fs::path> documentsOf(const fs::path& folder, std::string_view key)
{
    std::vector<fs::path> files;
    std::string prefix = documentPrefix(key);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fe;
        if (!it->is_regular_file(fe)) continue;
        std::string name = it->path().filename().string();
        if (startsWithNoCase(name, prefix) && name.size() > prefix.size()) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

fs::path freeDocumentPath(const fs::path& folder, std::string_view key, const fs::path& file)
{
    fs::path target = documentPath(folder, key, file);
    std::string stem = target.stem().string();
    std::string ext = target.extension().string();
    std::error_code ec;
    for (int n = 2;; ++n) {
        fs::path candidate = folder / (stem + " (" + std::to_string(n) + ")" + ext);
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

std::string documentReplaceQuestion(const std::string& storedName)
{
    return "Il documento " + storedName + " è già allegato.;;Sostituirlo con il nuovo file?;"
           "(No: conserva entrambi i documenti)";
}

// Copies through a temporary name in the target folder and renames at the end.
static bool copyReplacing(const fs::path& source, const fs::path& target)
{
    std::error_code ec;
    fs::path temp = target.parent_path() / ("\x7f" + target.filename().string() + ".tmp");
    fs::remove(temp, ec);
    if (!fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec)) {
        fs::remove(temp, ec);
        return false;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

AttachResult attachDocument(const fs::path& folder, std::string_view key, const fs::path& source, bool notify,
                            const std::function<ReplaceChoice(const fs::path& existing)>& ask)
{
    AttachResult result;
    std::error_code ec;
    if (source.empty()) return result;
    if (!fs::is_regular_file(source, ec)) {
        result.status = AttachStatus::Missing;
        result.message = kMsgDocumentMissing + source.string();
        return result;
    }
    fs::path target = documentPath(folder, key, source);
    if (!ensureDocumentFolder(folder)) {
        result.status = AttachStatus::CopyFailed;
        result.message = kMsgDocumentCopyFailed + source.string();
        return result;
    }
    if (fs::exists(target, ec)) {
        if (fs::equivalent(source, target, ec)) {
            // The user chose the stored file itself: it is already attached.
            result.status = AttachStatus::Done;
            result.stored = target;
            if (notify) result.message = kMsgDocumentAcquired;
            return result;
        }
        ReplaceChoice choice = ask ? ask(target) : ReplaceChoice::KeepBoth;
        if (choice == ReplaceChoice::Cancel) return result;
        if (choice == ReplaceChoice::KeepBoth) target = freeDocumentPath(folder, key, source);
    }
    if (!copyReplacing(source, target)) {
        result.status = AttachStatus::CopyFailed;
        result.message = kMsgDocumentCopyFailed + source.string();
        return result;
    }
    result.status = AttachStatus::Done;
    result.stored = target;
    if (notify) result.message = kMsgDocumentAcquired;
    return result;
}

std::string noApplicationMessage(const fs::path& file)
{
    std::string ext = file.extension().string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    return "Nessuna applicazione è associata ai file di tipo " + ext + ". Impossibile visualizzare il file.";
}

} // namespace arv
