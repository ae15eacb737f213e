#pragma once

#include <QWebPage>

// The lesson-preparation page runs the server's scripts inside the program's full-screen frame, so its
// dialogs must never lock the teacher out: at most one script dialog is up at a time, only a few come in a
// row (until the teacher uses the page again; a page loading itself anew does not count), and prompt() is
// never answered. Dialog texts are shown as plain text in the program's own message box.
class ZUMakePaperPage : public QWebPage
{
    Q_OBJECT
public:
    static constexpr int kDialogsInARow = 3;

    explicit ZUMakePaperPage(QObject* parent = nullptr);

    // The teacher opened or used the page: the dialogs that follow answer that.
    void resetDialogCount() { m_inARow = 0; }

protected:
    void javaScriptAlert(QWebFrame* frame, const QString& message) override;
    bool javaScriptConfirm(QWebFrame* frame, const QString& message) override;
    bool javaScriptPrompt(QWebFrame* frame, const QString& message, const QString& defaultValue,
                          QString* result) override;

private:
    // Shows the message box with the yes button (and no, for a question); false when the dialog is refused.
    bool showDialog(const QString& message, bool question, bool* yes);

    int m_inARow = 0;
    bool m_showing = false;
};
