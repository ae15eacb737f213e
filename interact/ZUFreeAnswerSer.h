#pragma once

#include "StuResultRow.h"
#include "StudentInfo.h"
#include "StudentInfoRow.h"

#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// One keypad's answer in a free interaction.
struct FreeAnswer
{
    QString keypadId;
    QString answer;
    QString time;
};

// Rows of the answer list window: one option text and its names per row, bottom row first.
struct FreeListRows
{
    QVector<QString> options;
    QVector<QStringList> names;
};

// Bars of the answer graph, left to right.
struct FreeGraphBars
{
    QVector<double> values;
    QVector<QColor> colours;
    QVector<QString> names;
};

// The answers of one answering or feedback interaction: one per keypad of the class, in normal form, and what
// the graph and the list make of them. No widgets, so the panel's counting is tested on its own.
class ZUFreeAnswerSer
{
public:
    enum Type { Single = 0, Multiple = 1, Digit = 2, Rush = 3, Random = 4, Vote = 5, YesNo = 6, Evaluate = 7 };

    // Forgets the previous interaction's answers.
    void begin(int answerType);
    int answerType() const { return m_type; }

    // Takes one keypad message. False when it does not count: a keypad of no student of the class, a rush
    // press, or a text that is no answer of this type. A later answer of a keypad replaces its earlier one.
    bool accept(const StudentInfo& info, const QMap<QString, QString>& snMap, const QString& now);
    // The answer as stored: digits exactly as sent, letters as their sorted distinct set; empty when malformed
    // or longer than 32 characters.
    static QString normalise(int answerType, const QString& text);

    const QMap<QString, FreeAnswer>& answers() const { return m_answers; }
    int count() const { return m_answers.size(); }

    // One result row per answering keypad, in keypad order.
    QList<StuResultRow> resultRows(int interactID, const QMap<QString, QString>& snMap) const;
    // The result row of one answering keypad.
    StuResultRow resultRow(int interactID, const QString& keypadId, const QMap<QString, QString>& snMap) const;

    static bool isFeedback(int answerType) { return answerType >= Vote && answerType <= Evaluate; }
    static QString typeName(int answerType);
    static QString displayName(int answerType, const QString& answer);
    static QString endNotice(int answerType);
    static QString answeredCaption(int answerType);
    static QString unansweredCaption(int answerType);

    FreeGraphBars graphBars(const QMap<QString, StudentInfoRow>& studentMap) const;
    FreeListRows listRows(const QMap<QString, StudentInfoRow>& studentMap, const QMap<QString, QString>& snMap,
                          bool anonymous, bool showUnanswered) const;

private:
    int m_type = Single;
    QMap<QString, FreeAnswer> m_answers;
};
