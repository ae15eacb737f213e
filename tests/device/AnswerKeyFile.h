#pragma once

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

// The demo paper P1001 as its right answers, one text per question, items separated by "|".
inline QStringList demoPaperAnswers()
{
    return { "B", "C", "A|D", "AC", "BCD", "AC|B" };
}

// Writes a key as the local web service does when it serves a paper of these answers at the time given.
inline bool writeAnswerKey(const QString& path, const QStringList& answers,
                           const QDateTime& served = QDateTime::currentDateTimeUtc())
{
    QJsonArray items;
    int mcsn = 0;
    for (int question = 1; question <= answers.size(); ++question) {
        for (const QString& answer : answers.at(question - 1).split('|')) {
            const bool digits = QRegularExpression("^[0-9]+$").match(answer).hasMatch();
            items.append(QJsonObject { { "mcsn", ++mcsn },
                                       { "question", question },
                                       { "answer", answer },
                                       { "form",
                                         digits                  ? "digits"
                                             : answer.size() > 1 ? "letters"
                                                                 : "letter" } });
        }
    }
    const QJsonObject key { { "paperID", "P1001" },
                            { "served", served.toUTC().toString(Qt::ISODateWithMs) },
                            { "items", items } };
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(key).toJson()) > 0;
}
