// Text and behaviour of the program's message windows, kept apart from the windows themselves so
// that the rules can be checked without a display.
#pragma once

#include <string>
#include <string_view>

namespace arv {

// Kinds of message window. Wait is the single non-modal "Attendere" window; the others are modal.
enum class MessageKind : int {
    Wait = 0,
    Info = 1,            // OK
    OkCancel = 2,        // question, true for OK
    YesNoCancel = 3,     // question, gives the button pressed
    YesNo = 4,           // question, true for Yes
    YesNoDefaultNo = 5,  // question, No is the default button
    StopOkCancel = 6,    // stop box, true for OK
};

// Answers of the Yes/No/Cancel box, numbered as the buttons of the system's message boxes so
// that stored or compared values keep their meaning.
enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

enum class MessageIcon { Information, Question, Stop };

// Buttons a box offers, left to right, and the one Enter presses.
enum class MessageButtons { Ok, OkCancel, YesNoCancel, YesNo };

struct MessageLayout {
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
    int defaultAnswer = kAnswerOk;
    bool beep = false;  // the 880 Hz warning beep before a question
};

inline constexpr const char* kWaitTitle = "Attendere";
inline constexpr const char* kBoxTitle = "Attenzione";

// The layout of a modal kind (Wait and unknown kinds give the information box).
MessageLayout messageLayout(MessageKind kind);

// The title shown: the given one, else "Attendere" for the wait window and "Attenzione" for the
// boxes.
std::string messageTitle(MessageKind kind, std::string_view given);

// Trims the text, turns the DOS letters à è é ì ò ù (bytes left over from old texts, which are not
// valid UTF-8) into the letters themselves and every ";" into a line break.
std::string messageText(std::string_view text);

// The DOS-to-Windows conversion alone: only bytes that are not part of a valid UTF-8 sequence are
// looked at, so accented letters already in UTF-8 pass untouched.
std::string oemToUtf8Letters(std::string_view text);

// The boolean a question kind gives for an answer (kind 3 keeps the answer itself).
int messageResult(MessageKind kind, int answer);

} // namespace arv
