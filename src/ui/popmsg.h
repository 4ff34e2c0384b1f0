// The program's message windows: the single non-modal wait window and the modal boxes.
//
//   POPMSG("Elaborazione in corso...")       shows the wait window "Attendere"
//   POPMSG("Pagina", 0, "", true)            changes its text
//   POPMSG()                                  closes it
//   if (POPMSG("Confermi la cancellazione?", 4)) ...
//
// In every text ";" is a line break. A box hides the wait window while it is open and shows it
// again afterwards.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/msgtext.h"

class QMessageBox;
class QWidget;

namespace arv {

// Shows a message of KIND (0 the wait window, 1 to 6 the boxes, see MessageKind). Kinds 2, 4, 5
// and 6 give 1 for OK/Yes and 0 otherwise; kind 3 gives kAnswerYes, kAnswerNo or kAnswerCancel.
// UPDATE changes the text of the wait window already showing. PROGRESS (0 to 100, -1 none) shows a
// progress bar in the wait window; PRINTPROGRESS turns it into the print window with a page
// counter that each further call increases by one.
int POPMSG(const std::string& text, int kind = 0, const std::string& title = {}, bool update = false,
           int progress = -1, bool printProgress = false);

// Closes the wait window.
void POPMSG();

// The text of the wait window showing (empty when none).
std::string CURMSG();

// The title of the wait window showing (empty when none).
std::string currentMessageTitle();

// The page the print window shows (0 when it is not a print window).
int currentMessagePage();

// Hides the wait window without forgetting it, and shows it again.
void hideCurrentMessage();
void showCurrentMessage();

// The wait window itself (null when none), for pictures of the screens.
QWidget* currentMessageWindow();

// Builds the box of a modal kind without showing it.
std::unique_ptr<QMessageBox> createMessageBox(const std::string& text, MessageKind kind,
                                              const std::string& title = {}, QWidget* parent = nullptr);

// Replaces the modal boxes: the handler gets the kind, the text as shown and the title, and gives
// the answer (kAnswerOk, kAnswerCancel, kAnswerYes, kAnswerNo). For running without a user.
using MessageBoxHandler = std::function<int(MessageKind kind, const std::string& text, const std::string& title)>;
void setMessageBoxHandler(MessageBoxHandler handler);

} // namespace arv
