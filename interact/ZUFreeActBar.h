#pragma once

#include "Singleton.h"
#include "TeacherInfo.h"
#include "ZUFreeActSer.h"
#include "ZUTAVDialogBase.h"

#include <QEventLoop>
#include <QPropertyAnimation>

class QLabel;
class QMovie;
class ZUTAVPushbtn;

// The round floating button of free interactions. It owns the free-interaction state, opens the type menu,
// shows the start, running and end animations, and turns remote keys into quick starts.
class ZUFreeActBar : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUFreeActBar* getInstance() { return TavSingleton<ZUFreeActBar>::instance(); }

    void showFreeBar();
    int freeState() const { return m_ser.state(); }
    void setFreeState(int state) { m_ser.setState(state); }
    ZUFreeActSer* service() { return &m_ser; }
    bool isExpanded() const { return m_expanded; }

    void onCenterButton(bool remote);
    void showStartAnimation();
    void showEndAnimation();
    void quickStartAnswer();
    void quickStartFeedback();

public slots:
    void on_actCBtn_zurelease() { onCenterButton(false); }
    void on_actCBtn_zuenter() { }
    void on_actCBtn_zuleave() { }
    void __getTeacherData(TeacherInfo tdata);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private slots:
    void __end_anim() { m_loop.quit(); }
    void __gifStartFinish();
    void __gifEndFinish();
    void __actFrame(int frame);
    void __actAgain();

private:
    friend class TavSingleton<ZUFreeActBar>;
    ZUFreeActBar();

    void __freeMode(bool animate);
    void __nofreeMode();
    void runQuick(ZUFreeActSer::Quick quick, int menuFocus);
    QLabel* makeMovieLabel(const QString& file, QMovie** movie);
    void showOnly(QLabel* label);

    QEventLoop m_loop;
    QPropertyAnimation m_anim;
    ZUFreeActSer m_ser;
    bool m_expanded = true;
    QPoint m_lastGlobal;

    ZUTAVPushbtn* actCBtn = nullptr;
    QLabel* m_background = nullptr;
    QLabel* m_startLabel = nullptr;
    QLabel* m_actLabel = nullptr;
    QLabel* m_endLabel = nullptr;
    QMovie* m_startMovie = nullptr;
    QMovie* m_actMovie = nullptr;
    QMovie* m_endMovie = nullptr;
    // The answering animation turns once more when this is set at its first frame, else it rests there.
    bool m_actTurnDue = false;
};
