#pragma once

#include <QString>

#include <functional>

class QWidget;

// Answers the shared message box, notice and input box in tests the way a teacher would: a single-shot
// timer waits until the box is on screen, reads what it shows and presses the button (or closes it).
// Arm the answer before the code under test opens the box; answers queue up in the order given.
//
//   DialogAnswerer::answerNextTipDlg(ZUTipDlg::Yes);
//   screen.closeLesson();                            // runs ZUTipDlg::exec() inside
//   QVERIFY(DialogAnswerer::waitUntilAnswered());
//   QCOMPARE(DialogAnswerer::lastText(), QString("是否退出本次课程?"));
namespace DialogAnswerer {

// Closes the box by the window system (close()) instead of pressing one of its buttons.
constexpr int CloseOtherwise = -1;

// ZUTipDlg shown modally or not: ZUTipDlg::Yes, No, Close, or CloseOtherwise.
void answerNextTipDlg(int button);
// ZUInputDlg: types the text into the line, then ZUInputDlg::Yes, No, Close, or CloseOtherwise.
void answerNextInput(const QString& text, int button);
// ZUTAVAutoMsg run modally (exec): ZUTAVAutoMsg::Confirm, Cancel, or CloseOtherwise.
void answerNextAutoMsg(int button);
// Any other modal window: called with QApplication::activeModalWidget() once one is up.
void answerNextModal(const std::function<void(QWidget*)>& answer);
// The answers armed after this wait until ready() holds, while the open box stays up; so a test can let
// something reach the program during a box (a remote key, a timer) before the box is answered.
void holdUntil(const std::function<bool()>& ready);

// How long an armed answer waits for its box before it is dropped as a failure (default 30000 ms).
void setTimeout(int ms);

// Spins the event loop until every armed answer is given or dropped; false if any is still pending.
bool waitUntilAnswered(int timeoutMs = 30000);
int pendingCount();
// Answers dropped because the box never showed or the wanted button was not offered.
int failures();
// Drops pending answers and forgets what was seen.
void clear();

// Title and text of the box answered last, and how many boxes were answered since clear().
QString lastTitle();
QString lastText();
int answeredCount();

} // namespace DialogAnswerer
