#pragma once

#include "Singleton.h"
#include "StudentInfoRow.h"
#include "ZUTAVDialogBase.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <QVector>

class QLabel;

// The centred name window: rolls the class's names, draws one student, and closes itself three seconds
// later. The rush panel uses it to announce its winner.
class ZUTAVRandomStu : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUTAVRandomStu* getInstance() { return TavSingleton<ZUTAVRandomStu>::instance(); }

    // Draws a student of the selected class and returns the dovaneID once the window has closed; empty, at
    // once, when the class has no students.
    QString pick();
    void showName(const QString& name);
    QString shownName() const;
    // Tests run the roll and the close on shorter clocks.
    void setIntervals(int rollMs, int closeMs);
    void seed(quint32 value) { m_random.seed(value); }

public slots:
    void timeout();
    void close_timeout();

private:
    friend class TavSingleton<ZUTAVRandomStu>;
    ZUTAVRandomStu();
    void startClosing();

    QLabel* m_name = nullptr;
    QEventLoop m_loop;
    QTimer m_rollTimer;
    int m_rollTicks = 0;
    QTimer m_closeTimer;
    int m_closeTicks = 0;
    QVector<StudentInfoRow> m_pool;
    int m_poolSize = 0;
    QString m_pickedId;
    QRandomGenerator m_random;
    int m_rollMs = 50;
    int m_closeMs = 1000;
};
