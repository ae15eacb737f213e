#pragma once

#include "ZUTAVDialogBase.h"

template<typename T> class TavSingleton;

namespace Ui {
class ZUTAVMsgBox;
}

// The program's one modal message box. Use: setButtons, setText, exec, then act on the result.
class ZUTipDlg : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    enum Button { Close = 1, Yes = 2, No = 4 };

    static ZUTipDlg* getInstance();
    // Shows the text in a box of its own, modally, with the given buttons and icon, and returns the result as
    // exec() does: for a message that may come while the one box waits for its answer, whose exec() cannot run
    // inside itself.
    static int execApart(const QString& text, const QString& title, int flags, int icon);

    void setText(const QString& text, const QString& title);
    void setButtons(int flags, int icon);
    void setButtonText(int which, const QString& text);

    // Returns Yes, No or Close; Close too when the box went away by any other means.
    int exec() override;
    void setVisible(bool visible) override;

    int resultCode() const { return m_result; }

public slots:
    void yesBtnIsClicked();
    void noBtnIsClicked();
    void closeBtnIsClicked();

private:
    friend class TavSingleton<ZUTipDlg>;
    ZUTipDlg();
    ~ZUTipDlg() override;

    void reset();
    void finish(int code);

    Ui::ZUTAVMsgBox* ui;
    int m_result = Close;
};
