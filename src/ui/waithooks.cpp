#include "ui/waithooks.h"

#include <QApplication>

#include <memory>
#include <vector>

#include "ui/popmsg.h"

namespace arv {

namespace {

struct SavedMessage {
    bool present = false;
    std::string text;
    std::string title;
};

} // namespace

WaitHookFunctions popmsgWaitHooks(std::function<bool()> writeProtected)
{
    // The callers' messages, innermost last: each show() saves the one it covers.
    auto saved = std::make_shared<std::vector<SavedMessage>>();
    WaitHookFunctions f;
    f.show = [saved](const std::string& text, const std::string& title) {
        SavedMessage s;
        if (currentMessageWindow()) {
            s.present = true;
            s.text = CURMSG();
            s.title = currentMessageTitle();
        }
        saved->push_back(s);
        POPMSG(text, 0, title, s.present);
    };
    f.hide = [saved] {
        if (saved->empty()) {
            POPMSG();
            return;
        }
        SavedMessage s = saved->back();
        saved->pop_back();
        if (s.present) POPMSG(s.text, 0, s.title, true);
        else POPMSG();
    };
    f.idle = [] { QApplication::processEvents(QEventLoop::AllEvents, 50); };
    f.confirm = [](const std::string& question) { return POPMSG(question, 4) != 0; };
    f.beep = [] { QApplication::beep(); };
    f.writeProtected = writeProtected ? std::move(writeProtected) : std::function<bool()>([] { return false; });
    return f;
}

} // namespace arv
