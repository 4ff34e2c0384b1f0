#include "common/msgtext.h"

namespace arv {

MessageLayout messageLayout(MessageKind kind)
{
    switch (kind) {
    case MessageKind::OkCancel:
        return {MessageIcon::Question, MessageButtons::OkCancel, kAnswerOk, true};
    case MessageKind::YesNoCancel:
        return {MessageIcon::Question, MessageButtons::YesNoCancel, kAnswerYes, true};
    case MessageKind::YesNo:
        return {MessageIcon::Question, MessageButtons::YesNo, kAnswerYes, true};
    case MessageKind::YesNoDefaultNo:
        return {MessageIcon::Question, MessageButtons::YesNo, kAnswerNo, true};
    case MessageKind::StopOkCancel:
        return {MessageIcon::Stop, MessageButtons::OkCancel, kAnswerOk, true};
    case MessageKind::Wait:
    case MessageKind::Info:
    default:
        return {MessageIcon::Information, MessageButtons::Ok, kAnswerOk, false};
    }
}

std::string messageTitle(MessageKind kind, std::string_view given)
{
    if (!given.empty()) return std::string(given);
    return kind == MessageKind::Wait ? kWaitTitle : kBoxTitle;
}

// Length of the valid UTF-8 sequence starting at s[i], 0 when the byte does not start one.
static size_t utf8SequenceLength(std::string_view s, size_t i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    size_t n = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

std::string oemToUtf8Letters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = utf8SequenceLength(text, i);
        if (n > 0) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        switch (static_cast<unsigned char>(text[i])) {
        case 0x85: out += "à"; break;
        case 0x8A: out += "è"; break;
        case 0x82: out += "é"; break;
        case 0x8D: out += "ì"; break;
        case 0x95: out += "ò"; break;
        case 0x97: out += "ù"; break;
        default: out += text[i]; break;
        }
        ++i;
    }
    return out;
}

std::string messageText(std::string_view text)
{
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    std::string out = oemToUtf8Letters(text.substr(first, last - first + 1));
    for (char& c : out)
        if (c == ';') c = '\n';
    return out;
}

int messageResult(MessageKind kind, int answer)
{
    switch (kind) {
    case MessageKind::OkCancel:
    case MessageKind::StopOkCancel:
        return answer == kAnswerOk ? 1 : 0;
    case MessageKind::YesNo:
    case MessageKind::YesNoDefaultNo:
        return answer == kAnswerYes ? 1 : 0;
    case MessageKind::YesNoCancel:
        return answer;
    default:
        return 0;
    }
}

} // namespace arv
