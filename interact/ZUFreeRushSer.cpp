#include "ZUFreeRushSer.h"

#include <QCoreApplication>

void ZUFreeRushSer::begin()
{
    m_presses.clear();
    m_pressed.clear();
}

ZUFreeRushSer::Press ZUFreeRushSer::accept(const StudentInfo& info, const QMap<QString, QString>& snMap,
                                           const QString& now)
{
    const QString keypad = QString::number(info.keypadId);
    if (!snMap.contains(keypad) || info.data != QLatin1String("Rush") || m_pressed.contains(keypad))
        return Ignored;
    m_pressed.insert(keypad);
    m_presses.append(RushPress { keypad, info.data, now });
    return m_presses.size() == 1 ? Won : Joined;
}

QList<StuResultRow> ZUFreeRushSer::resultRows(int interactID, const QMap<QString, QString>& snMap) const
{
    QList<StuResultRow> rows;
    for (int i = 0; i < m_presses.size(); ++i)
        rows.append(resultRow(i, interactID, snMap));
    return rows;
}

StuResultRow ZUFreeRushSer::resultRow(int index, int interactID, const QMap<QString, QString>& snMap) const
{
    const RushPress& press = m_presses.at(index);
    StuResultRow row;
    row.interactID = interactID;
    row.dovaneID = snMap.value(press.keypadId);
    row.createDate = press.time;
    row.result = index == 0 ? QStringLiteral("1") : QStringLiteral("0");
    return row;
}

FreeListRows ZUFreeRushSer::listRows(const QMap<QString, StudentInfoRow>& studentMap,
                                     const QMap<QString, QString>& snMap) const
{
    auto tr = [](const char* text) { return QCoreApplication::translate("ZUFreeActBar_left_rush", text); };
    QStringList joined;
    QSet<QString> pressedIds;
    for (int i = 0; i < m_presses.size(); ++i) {
        const QString id = snMap.value(m_presses.at(i).keypadId);
        pressedIds.insert(id);
        if (i > 0)
            joined.append(studentMap.value(id).name);
    }
    QStringList absent;
    for (const StudentInfoRow& s : studentMap) {
        if (!pressedIds.contains(s.dovaneID))
            absent.append(s.name);
    }
    FreeListRows rows;
    if (!absent.isEmpty()) {
        rows.options.append(tr("未参与"));
        rows.names.append(absent);
    }
    if (!joined.isEmpty()) {
        rows.options.append(tr("参与抢答"));
        rows.names.append(joined);
    }
    if (!m_presses.isEmpty()) {
        rows.options.append(tr("抢答成功"));
        rows.names.append(QStringList { studentMap.value(snMap.value(m_presses.first().keypadId)).name });
    }
    return rows;
}
