#include "ZUFreeAnswerSer.h"

#include "CodeTool.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

const char* const kColours[] = { "#54cf79", "#f9ce61", "#f98c50", "#8591e5", "#66d4ff" };
const int kLongestAnswer = 32;

QString tr(const char* text)
{
    return QCoreApplication::translate("ZUFreeActBar_left", text);
}

QString other()
{
    return tr("其他");
}

// Display name to the number of keypads that gave it.
QMap<QString, int> countByName(int type, const QMap<QString, FreeAnswer>& answers)
{
    QMap<QString, int> counts;
    for (const FreeAnswer& a : answers)
        ++counts[ZUFreeAnswerSer::displayName(type, a.answer)];
    return counts;
}

} // namespace

void ZUFreeAnswerSer::begin(int answerType)
{
    m_type = answerType;
    m_answers.clear();
}

QString ZUFreeAnswerSer::normalise(int answerType, const QString& text)
{
    // A digit answer is kept exactly as the keypad sent it ("3.5", "-2"); only what no keypad sends is refused.
    if (answerType == Digit) {
        const bool control
            = std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
        return text.trimmed().isEmpty() || text.size() > kLongestAnswer || control ? QString() : text;
    }
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > kLongestAnswer)
        return QString();
    for (const QChar c : t) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return QString();
    }
    return CodeTool::getInstance()->sortedDistinctChars(t);
}

bool ZUFreeAnswerSer::accept(const StudentInfo& info, const QMap<QString, QString>& snMap, const QString& now)
{
    const QString keypad = QString::number(info.keypadId);
    if (!snMap.contains(keypad) || info.data == QLatin1String("Rush"))
        return false;
    const QString answer = normalise(m_type, info.data);
    if (answer.isEmpty())
        return false;
    m_answers.insert(keypad, FreeAnswer { keypad, answer, now });
    return true;
}

QList<StuResultRow> ZUFreeAnswerSer::resultRows(int interactID, const QMap<QString, QString>& snMap) const
{
    QList<StuResultRow> rows;
    for (const FreeAnswer& a : m_answers)
        rows.append(resultRow(interactID, a.keypadId, snMap));
    return rows;
}

StuResultRow ZUFreeAnswerSer::resultRow(int interactID, const QString& keypadId,
                                        const QMap<QString, QString>& snMap) const
{
    const FreeAnswer a = m_answers.value(keypadId);
    StuResultRow row;
    row.interactID = interactID;
    row.dovaneID = snMap.value(a.keypadId);
    row.createDate = a.time;
    row.result = a.answer;
    return row;
}

QString ZUFreeAnswerSer::typeName(int answerType)
{
    switch (answerType) {
    case Single:
        return tr("单项选择");
    case Multiple:
        return tr("多项选择");
    case Digit:
        return tr("数字作答");
    case Rush:
        return tr("抢答");
    case Random:
        return tr("随机选人");
    case Vote:
        return tr("表决");
    case YesNo:
        return tr("是否");
    case Evaluate:
        return tr("评价");
    default:
        return QString();
    }
}

QString ZUFreeAnswerSer::displayName(int answerType, const QString& answer)
{
    static const QMap<QString, QString> vote { { "A", "同意" }, { "B", "不同意" }, { "C", "弃权" } };
    static const QMap<QString, QString> yesNo { { "A", "是" }, { "B", "否" } };
    static const QMap<QString, QString> evaluate {
        { "A", "优秀" }, { "B", "好" }, { "C", "一般" }, { "D", "较差" }, { "E", "差" }
    };
    const QMap<QString, QString>* words = nullptr;
    if (answerType == Vote)
        words = &vote;
    else if (answerType == YesNo)
        words = &yesNo;
    else if (answerType == Evaluate)
        words = &evaluate;
    if (!words)
        return answer;
    const auto it = words->constFind(answer);
    return it == words->constEnd() ? other() : *it;
}

QString ZUFreeAnswerSer::endNotice(int answerType)
{
    if (answerType < 0 || answerType > Evaluate)
        return QString();
    return isFeedback(answerType) ? tr("反馈结束") : tr("答题结束");
}

QString ZUFreeAnswerSer::answeredCaption(int answerType)
{
    if (answerType < 0 || answerType > Evaluate)
        return QString();
    return isFeedback(answerType) ? tr("已参与") : tr("已作答");
}

QString ZUFreeAnswerSer::unansweredCaption(int answerType)
{
    if (answerType < 0 || answerType > Evaluate)
        return QString();
    return isFeedback(answerType) ? tr("未参与") : tr("未作答");
}

FreeGraphBars ZUFreeAnswerSer::graphBars(const QMap<QString, StudentInfoRow>& studentMap) const
{
    int unanswered = 0;
    for (const StudentInfoRow& s : studentMap) {
        if (s.sn.isEmpty() || !m_answers.contains(s.sn))
            ++unanswered;
    }
    const QMap<QString, int> counts = countByName(m_type, m_answers);
    QVector<QPair<QString, int>> order;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        order.append({ it.key(), it.value() });
    std::stable_sort(order.begin(), order.end(),
                     [](const QPair<QString, int>& a, const QPair<QString, int>& b) { return a.second > b.second; });

    QVector<QPair<QString, int>> kept;
    int otherSum = 0;
    for (const auto& entry : qAsConst(order)) {
        if (entry.first != other() && kept.size() < 5)
            kept.append(entry);
        else
            otherSum += entry.second;
    }

    FreeGraphBars bars;
    auto add = [&bars](double value, const QColor& colour, const QString& name) {
        bars.values.append(value);
        bars.colours.append(colour);
        bars.names.append(name);
    };
    if (unanswered > 0)
        add(unanswered, QColor("#e7e7e7"), unansweredCaption(m_type));
    if (otherSum > 0)
        add(otherSum, QColor("#e281ba"), other());
    for (int i = kept.size() - 1; i >= 0; --i)
        add(kept.at(i).second, QColor(kColours[i]), kept.at(i).first);
    return bars;
}

FreeListRows ZUFreeAnswerSer::listRows(const QMap<QString, StudentInfoRow>& studentMap,
                                       const QMap<QString, QString>& snMap, bool anonymous, bool showUnanswered) const
{
    QStringList unanswered;
    for (const StudentInfoRow& s : studentMap) {
        if (s.sn.isEmpty() || !m_answers.contains(s.sn))
            unanswered.append(anonymous ? QString() : s.name);
    }
    QMap<QString, QStringList> byName;
    for (const QString& keypad : m_answers.keys()) {
        const QString name = studentMap.value(snMap.value(keypad)).name;
        byName[displayName(m_type, m_answers.value(keypad).answer)].prepend(anonymous ? QString() : name);
    }

    FreeListRows rows;
    if (!unanswered.isEmpty() && showUnanswered) {
        rows.options.append(unansweredCaption(m_type));
        rows.names.append(unanswered);
    }
    if (byName.contains(other())) {
        rows.options.append(other());
        rows.names.append(byName.take(other()));
    }
    QStringList keys = byName.keys();
    std::sort(keys.begin(), keys.end(), [&byName](const QString& a, const QString& b) {
        const int ca = byName.value(a).size();
        const int cb = byName.value(b).size();
        return ca != cb ? ca < cb : a > b;
    });
    for (const QString& key : qAsConst(keys)) {
        rows.options.append(key);
        rows.names.append(byName.value(key));
    }
    return rows;
}
