#pragma once

#include "ZUTAVDialogBase.h"

#include <QTimer>

template<typename T> class TavSingleton;
class ZURichText;

namespace Ui {
class ZUTAVAutoMsg;
}

// The one notice window: closes itself after a count of seconds, or asks confirm/cancel when run modally.
class ZUTAVAutoMsg : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    enum Result { Confirm = 0, Cancel = 1 };

    static ZUTAVAutoMsg* getInstance();

    // Texts are shown as they are (a server's or a keypad's text included); the program's own formatted
    // prompts come as ZURichText.
    void showMessage(const QString& title, const QString& text, int seconds, bool imageVisible);
    void showMessage(const QString& title, const ZURichText& text, int seconds, bool imageVisible);

    void setTitle(const QString& text);
    void setContent(const QString& text);
    void setContent(const ZURichText& text);
    void setImageVisible(bool visible);
    void showConfirmButton();
    void showCancelButton();

    // Confirm or Cancel; Cancel unless the confirm button closed the notice.
    int result() const { return m_result; }
    int exec() override;

    int remainingSeconds() const { return m_countdown; }
    bool isCounting() const { return m_timer.isActive(); }

public slots:
    void timeout();
    void on_confirmBtn_clicked();
    void on_cancelBtn_clicked();

protected:
    void hideEvent(QHideEvent* e) override;

private:
    friend class TavSingleton<ZUTAVAutoMsg>;
    ZUTAVAutoMsg();
    ~ZUTAVAutoMsg() override;

    void reset();
    void showCounting(const QString& title, int seconds, bool imageVisible);
    void startCountdown(int seconds);
    void fitContent();

    Ui::ZUTAVAutoMsg* ui;
    QTimer m_timer;
    int m_countdown = 0;
    int m_result = Cancel;
    bool m_keepContentOnHide = false;
};
