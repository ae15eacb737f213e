#pragma once

#include "ZUTAVDialogBase.h"

template<typename T> class TavSingleton;

namespace Ui {
class ZUInputBox;
}

// The program's one modal input box: a prompt and one line of text.
class ZUInputDlg : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    enum Button { Close = 1, Yes = 2, No = 4 };

    static ZUInputDlg* getInstance();

    void setText(const QString& text, const QString& title);
    void setButtons(int flags);
    void setButtonText(int which, const QString& text);
    void setInputText(const QString& text);
    QString inputText() const;

    // Returns Yes, No or Close; Close too when the box went away by any other means.
    int exec() override;
    void setVisible(bool visible) override;

    int resultCode() const { return m_result; }

public slots:
    void yesBtnIsClicked();
    void noBtnIsClicked();
    void closeBtnIsClicked();

private:
    friend class TavSingleton<ZUInputDlg>;
    ZUInputDlg();
    ~ZUInputDlg() override;

    void reset();
    void finish(int code);

    Ui::ZUInputBox* ui;
    int m_result = Close;
};
