#pragma once

// A lesson's rounds from their opening up to the web service, for the tests that follow a round through the
// lesson's close (they link tav_toolbar and tav_net beside what InteractTestSupport.h needs).
#include "InteractTestSupport.h"
#include "TAVDatabase.h"
#include "Upload.h"
#include "ZUFreeActBar_left.h"
#include "ZUTAVAnswerList.h"
#include "ZUTAVAnswerListItem.h"
#include "ZUToolBarSer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace InteractTestSupport {

// Opens a lesson as the tool bar does; its localRecordID.
inline int openLesson()
{
    return DbTestSupport::openLessonOf(0, QStringLiteral("teacher01")).id;
}

// The teacher stops the answering round and marks the option right in its answer list; true once the mark is
// written.
inline bool markRightAnswer(const QString& option)
{
    ZUFreeActBar_left* panel = ZUFreeActBar_left::getInstance();
    panel->stopRound();
    panel->on_list_clicked();
    for (ZUTAVAnswerListItem* row : ZUTAVAnswerList::getInstance()->rows()) {
        if (row->optionText() == option)
            row->on_ZUTAVStatisticalTableItemDialog_clicked();
    }
    return writerIdle() && ZUTAVAnswerList::getInstance()->rightAnswer() == option;
}

// The results of an uploaded interaction, "D01:A D02:B ...".
inline QString resultsIn(const QJsonObject& interaction)
{
    QStringList results;
    for (const QJsonValue& r : interaction.value("TAVStuResult").toArray())
        results << r.toObject().value("dovaneID").toString() + ":" + r.toObject().value("result").toString();
    results.sort();
    return results.join(' ');
}

// The interactions of the lesson's upload document as it stands.
inline QJsonArray interactionsToUpload(int record)
{
    QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
    const QString document = Upload::getInstance()->getUploadData(db, record, true);
    TAVDatabase::getInstance()->closeDbCon(db);
    return QJsonDocument::fromJson(document.toUtf8())
        .object()
        .value("data")
        .toObject()
        .value("TAVInteractInfo")
        .toArray();
}

// The interactions the lesson goes up with once it is closed.
inline QJsonArray uploadedAfterTheLesson(int record)
{
    ZUToolBarSer::getInstance()->closeClassRecord(record, "lesson", QDateTime::currentDateTime());
    return interactionsToUpload(record);
}

} // namespace InteractTestSupport
