#include "common/sendmail.h"

#include "common/ini.h"
#include "common/text_util.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <sstream>

namespace arv {

namespace {

std::string base64(std::string_view data, bool wrap)
{
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(data.size() * 4 / 3 + data.size() / 38 + 8);
    size_t lineLen = 0;
    for (size_t i = 0; i < data.size(); i += 3) {
        const unsigned b0 = static_cast<unsigned char>(data[i]);
        const unsigned b1 = i + 1 < data.size() ? static_cast<unsigned char>(data[i + 1]) : 0;
        const unsigned b2 = i + 2 < data.size() ? static_cast<unsigned char>(data[i + 2]) : 0;
        const unsigned v = (b0 << 16) | (b1 << 8) | b2;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < data.size() ? table[(v >> 6) & 63] : '=';
        out += i + 2 < data.size() ? table[v & 63] : '=';
        lineLen += 4;
        if (wrap && lineLen >= 76) {
            out += "\r\n";
            lineLen = 0;
        }
    }
    if (wrap && lineLen > 0) out += "\r\n";
    return out;
}

// Header values never hold line breaks: a text with one could add headers of its own.
std::string oneLine(std::string_view s)
{
    std::string r;
    for (char c : s) r += (c == '\r' || c == '\n') ? ' ' : c;
    return std::string(detail::trim(r));
}

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// RFC 2047 encoded word for a header text that is not plain ASCII.
std::string headerText(std::string_view s)
{
    const std::string t = oneLine(s);
    if (isAscii(t)) return t;
    return "=?UTF-8?B?" + base64(t, false) + "?=";
}

std::string mailbox(const std::string& address, const std::string& displayName)
{
    const std::string addr = oneLine(address);
    std::string name = oneLine(displayName);
    if (name.empty()) return "<" + addr + ">";
    if (!isAscii(name)) return headerText(name) + " <" + addr + ">";
    std::string quoted;
    for (char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return "\"" + quoted + "\" <" + addr + ">";
}

std::string joinAddresses(const std::vector<std::string>& list)
{
    std::string out;
    for (const auto& a : list) {
        if (!out.empty()) out += ", ";
        out += "<" + a + ">";
    }
    return out;
}

std::string contentTypeOf(const std::filesystem::path& file)
{
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".pdf") return "application/pdf";
    if (ext == ".zip") return "application/zip";
    if (ext == ".txt") return "text/plain";
    if (ext == ".xml") return "application/xml";
    if (ext == ".png") return "image/png";
    if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
    return "application/octet-stream";
}

std::string percentEncoded(std::string_view s)
{
    static const char* hex = "0123456789ABCDEF";
    std::string r;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            r += ch;
        } else {
            r += '%';
            r += hex[c >> 4];
            r += hex[c & 15];
        }
    }
    return r;
}

std::string fileNameParameter(const std::string& name)
{
    const std::string n = oneLine(name);
    if (isAscii(n) && n.find('"') == std::string::npos) return "filename=\"" + n + "\"";
    return "filename*=UTF-8''" + percentEncoded(n);
}

std::string rfc2822Date()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S %z", &tm);
    return buf;
}

std::string randomToken()
{
    static std::mt19937_64 gen(std::random_device{}() ^
                               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    static std::mutex m;
    std::lock_guard lock(m);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%016llx%08llx", static_cast<unsigned long long>(gen()),
                  static_cast<unsigned long long>(gen() & 0xffffffffULL));
    return buf;
}

bool wantsHtml(const MailMessage& m)
{
    if (m.html) return *m.html;
    std::string lower = m.body;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("<html") != std::string::npos;
}

std::string bodyPart(const MailMessage& m)
{
    std::string part = "Content-Type: ";
    part += wantsHtml(m) ? "text/html" : "text/plain";
    part += "; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    part += base64(m.body, true);
    return part;
}

struct Upload {
    const std::string* data;
    size_t pos = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, up->data->size() - up->pos);
    std::copy_n(up->data->data() + up->pos, n, buffer);
    up->pos += n;
    return n;
}

void curlInitOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Shows the sending message for the time of one SENDMAIL, unless a wait window is showing.
class SendingMessage {
public:
    SendingMessage()
    {
        const SendMailHooks& h = sendMailHooks();
        if (h.show && !(h.waitShowing && h.waitShowing())) {
            h.show("Invio email in corso...");
            shown_ = true;
        }
    }
    ~SendingMessage()
    {
        if (shown_ && sendMailHooks().hide) sendMailHooks().hide();
    }
    SendingMessage(const SendingMessage&) = delete;
    SendingMessage& operator=(const SendingMessage&) = delete;

private:
    bool shown_ = false;
};

} // namespace

SendMailHooks& sendMailHooks()
{
    static SendMailHooks hooks;
    return hooks;
}

std::vector<std::string> mailAddresses(const std::string& list)
{
    std::vector<std::string> out;
    std::string item;
    auto flush = [&] {
        std::string a(detail::trim(item));
        item.clear();
        const auto lt = a.rfind('<');
        const auto gt = a.rfind('>');
        if (lt != std::string::npos && gt != std::string::npos && gt > lt) a = a.substr(lt + 1, gt - lt - 1);
        a = oneLine(a);
        if (!a.empty()) out.push_back(a);
    };
    bool quoted = false;
    for (char c : list) {
        if (c == '"') quoted = !quoted;
        if (!quoted && (c == ';' || c == ',')) {
            flush();
        } else {
            item += c;
        }
    }
    flush();
    return out;
}

std::optional<std::string> buildMailMessage(const MailMessage& m)
{
    std::vector<std::string> cc;
    for (const auto& c : m.cc)
        for (auto& a : mailAddresses(c)) cc.push_back(std::move(a));

    std::string msg;
    msg += "Date: " + rfc2822Date() + "\r\n";
    msg += "From: " + mailbox(m.sender, m.displayName) + "\r\n";
    msg += "To: " + joinAddresses(mailAddresses(m.to)) + "\r\n";
    if (!cc.empty()) msg += "Cc: " + joinAddresses(cc) + "\r\n";
    msg += "Subject: " + headerText(m.subject) + "\r\n";
    const auto at = m.sender.find('@');
    msg += "Message-ID: <" + randomToken() + (at == std::string::npos ? "@localhost" : oneLine(m.sender.substr(at))) +
           ">\r\n";
    if (m.receipt) msg += "Disposition-Notification-To: " + mailbox(m.sender, m.displayName) + "\r\n";
    msg += "MIME-Version: 1.0\r\n";
    if (m.attachments.empty()) {
        msg += bodyPart(m);
        return msg;
    }
    const std::string boundary = "=_arv_" + randomToken();
    msg += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    msg += "--" + boundary + "\r\n" + bodyPart(m);
    for (const std::string& path : m.attachments) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return std::nullopt;
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return std::nullopt;
        const std::filesystem::path p(path);
        const std::string name = p.filename().string();
        msg += "--" + boundary + "\r\n";
        msg += "Content-Type: " + contentTypeOf(p) + "\r\n";
        msg += "Content-Transfer-Encoding: base64\r\n";
        msg += "Content-Disposition: attachment; " + fileNameParameter(name) + "\r\n\r\n";
        msg += base64(data, true);
    }
    msg += "--" + boundary + "--\r\n";
    return msg;
}

bool SENDMAIL(const MailMessage& m)
{
    const std::string server = oneLine(m.server);
    const std::string sender = oneLine(m.sender);
    std::vector<std::string> rcpt = mailAddresses(m.to);
    for (const auto& c : m.cc)
        for (auto& a : mailAddresses(c)) rcpt.push_back(std::move(a));
    if (server.empty() || sender.empty() || rcpt.empty()) return false;
    if (m.port < 0 || m.port > 65535) return false;

    const std::optional<std::string> message = buildMailMessage(m);
    if (!message) return false;

    SendingMessage showing;
    curlInitOnce();
    CURL* curl = curl_easy_init();
    if (!curl) return false;

    const bool auth = !m.user.empty() && !m.password.empty();
    const bool ssl = auth && m.ssl;
    const int port = m.port > 0 ? m.port : (ssl ? 465 : 25);
    const bool implicitTls = ssl && port == 465;
    const std::string url = std::string(implicitTls ? "smtps://" : "smtp://") + server + ":" + std::to_string(port);

    curl_slist* recipients = nullptr;
    for (const auto& r : rcpt) recipients = curl_slist_append(recipients, ("<" + r + ">").c_str());

    Upload upload{&*message, 0};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, ("<" + sender + ">").c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 300L);
    if (auth) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, m.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m.password.c_str());
    }
    if (ssl && !implicitTls) curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));

    const CURLcode rc = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return rc == CURLE_OK;
}

bool SENDMAIL(const std::string& sender, const std::string& server, const std::string& to, const std::string& subject,
              const std::string& body, const std::vector<std::string>& attachments, const std::string& displayName,
              const std::string& user, const std::string& password, const std::vector<std::string>& cc,
              std::optional<bool> html, int port, bool receipt, bool ssl)
{
    MailMessage m;
    m.sender = sender;
    m.server = server;
    m.to = to;
    m.subject = subject;
    m.body = body;
    m.attachments = attachments;
    m.displayName = displayName;
    m.user = user;
    m.password = password;
    m.cc = cc;
    m.html = html;
    m.port = port;
    m.receipt = receipt;
    m.ssl = ssl;
    return SENDMAIL(m);
}

// ---------------------------------------------------------------------------------------------
// Settings

MailSettings MailSettings::load(const IniFile& ini)
{
    MailSettings s;
    s.connection = ini.get(kMailSection, "Connessione", kFixedConnection);
    if (s.connection.empty()) s.connection = kFixedConnection;
    s.server = ini.get(kMailSection, "Server smtp");
    s.sender = ini.get(kMailSection, "Mittente");
    s.user = ini.get(kMailSection, "Userid");
    s.password = ini.get(kMailSection, "Password");
    // The dialog takes three digits; a port written in the file by hand may be any valid one.
    s.port = std::clamp(ini.getInt(kMailSection, "Porta", 0), 0, 65535);
    s.ssl = detail::upperAscii(detail::trim(ini.get(kMailSection, "SSL", "N"))) == "S";
    s.destInvio = ini.get(kMailSection, "DestInvio");
    s.promemoriaBonifico = ini.get(kMailSection, "Promemoria bonifico");
    s.copy = mailCopyAddress(ini);
    return s;
}

std::string mailCopyAddress(const IniFile& ini) { return std::string(detail::trim(ini.get(kMailSection, "Copia"))); }

void MailSettings::save(IniFile& ini) const
{
    auto t = [](const std::string& v) { return std::string(detail::trim(v)); };
    ini.setValues(kMailSection, {
                                    {"Connessione", t(connection).empty() ? kFixedConnection : t(connection)},
                                    {"Server smtp", t(server)},
                                    {"Mittente", t(sender)},
                                    {"Userid", t(user)},
                                    {"Password", t(password)},
                                    {"Porta", std::to_string(std::clamp(port, 0, 65535))},
                                    {"SSL", ssl ? "S" : "N"},
                                });
}

std::string MailSettings::problem() const
{
    if (detail::trim(server).empty()) return "Indicare il server smtp.";
    if (detail::trim(sender).empty()) return "Indicare l'indirizzo del mittente.";
    return {};
}

MailMessage MailSettings::message() const
{
    MailMessage m;
    m.server = std::string(detail::trim(server));
    m.sender = std::string(detail::trim(sender));
    m.user = std::string(detail::trim(user));
    m.password = std::string(detail::trim(password));
    m.port = port;
    m.ssl = ssl;
    return m;
}

} // namespace arv
