#pragma once

#include "StuResultRow.h"
#include "StudentInfo.h"
#include "StudentInfoRow.h"
#include "ZUFreeAnswerSer.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

// One accepted rush press.
struct RushPress
{
    QString keypadId;
    QString data;
    QString time;
};

// The presses of one rush-to-answer round: one per keypad of the class, in arrival order; the first wins.
class ZUFreeRushSer
{
public:
    enum Press { Ignored, Won, Joined };

    void begin();
    Press accept(const StudentInfo& info, const QMap<QString, QString>& snMap, const QString& now);

    const QList<RushPress>& presses() const { return m_presses; }
    bool hasWinner() const { return !m_presses.isEmpty(); }
    // Result "1" for the first press, "0" for every later one, in press order.
    QList<StuResultRow> resultRows(int interactID, const QMap<QString, QString>& snMap) const;
    // The result row of the press at index (0 is the winner's).
    StuResultRow resultRow(int index, int interactID, const QMap<QString, QString>& snMap) const;
    // Groups for the answer list, "未参与" first and "抢答成功" last; empty groups are left out.
    FreeListRows listRows(const QMap<QString, StudentInfoRow>& studentMap, const QMap<QString, QString>& snMap) const;

private:
    QList<RushPress> m_presses;
    QSet<QString> m_pressed;
};
