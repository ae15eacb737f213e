#include "ZUExamSer.h"

#include "JsonHelper.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"

#include <QJsonArray>
#include <QtDebug>

QByteArray ZUExamSer::signedBody(const QList<QPair<QString, QString>>& params)
{
    QString text;
    for (const auto& param : params)
        text += (text.isEmpty() ? QString() : QStringLiteral("&")) + param.first + "=" + param.second;
    return (text + "&sign=" + TAVNetEvent::sign(text)).toUtf8();
}

int ZUExamSer::getPaperList(int page, int pageSize, int& totalPage, QList<PaperListItem>& papers)
{
    qDebug() << "enter getPaperList";
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    const QByteArray body = signedBody({ { "username", mem->currentTeacher.username },
                                         { "subjectID", QString::number(mem->currentRecord.subjectID) },
                                         { "page", QString::number(page) },
                                         { "pageSize", QString::number(pageSize) },
                                         { "version", mem->version } });
    qDebug() << "send request paper msg to server";
    QByteArray reply;
    const int code = TAVNetEvent::getInstance()->post(QString::fromLatin1(kPaperListPath), body, reply, -1);
    qDebug() << "the res code is: " << code;
    if (code != 200) {
        qWarning() << "****the net work is error";
        return -1;
    }
    qDebug().noquote() << "the reveive msg is: " + QString::fromUtf8(reply);
    const JsonReply parsed = JsonHelper::getInstance()->parseReply(reply);
    if (parsed.errorCode == QLatin1String("500")) {
        qDebug() << "parse content error";
        return -1;
    }
    if (!parsed.success) {
        qWarning() << "****the flag is false";
        return -1;
    }
    qDebug() << "the currentPage is :" << parsed.result.value("currentPage").toInt();
    totalPage = parsed.result.value("totalPage").toInt();
    qDebug() << "the totalIndex is :" << totalPage;
    for (const QJsonValue& value : parsed.result.value("paper").toArray()) {
        const QJsonObject paper = value.toObject();
        papers.append({ paper.value("paperID").toString(), paper.value("paperName").toString(),
                        paper.value("allScores").toString(), paper.value("questionNumCount").toInt() });
    }
    return 0;
}
