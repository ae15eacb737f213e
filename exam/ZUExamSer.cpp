#include "ZUExamSer.h"

#include "JsonHelper.h"
#include "TAVMemInfo.h"
#include "TAVNetEvent.h"

#include <QJsonArray>
#include <QtDebug>

bool ZUExamSer::request(const char* path, const QList<QPair<QString, QString>>& params, QJsonObject& result,
                        bool logNetworkError)
{
    QString text;
    for (const auto& param : params)
        text += (text.isEmpty() ? QString() : QStringLiteral("&")) + param.first + "=" + param.second;
    const QByteArray body = (text + "&sign=" + TAVNetEvent::sign(text)).toUtf8();
    qDebug() << "send request paper msg to server";
    QByteArray reply;
    const int code = TAVNetEvent::getInstance()->post(QString::fromLatin1(path), body, reply, -1);
    qDebug() << "the res code is: " << code;
    if (code != 200) {
        if (logNetworkError)
            qWarning() << "****the net work is error";
        return false;
    }
    qDebug().noquote() << "the reveive msg is: " + QString::fromUtf8(reply);
    const JsonReply parsed = JsonHelper::getInstance()->parseReply(reply);
    if (parsed.errorCode == QLatin1String("500")) {
        qDebug() << "parse content error";
        return false;
    }
    if (!parsed.success) {
        qWarning() << "****the flag is false";
        return false;
    }
    result = parsed.result;
    return true;
}

int ZUExamSer::getPaperList(int page, int pageSize, int& totalPage, QList<PaperListItem>& papers)
{
    qDebug() << "enter getPaperList";
    const TAVMemInfo* mem = TAVMemInfo::getInstance();
    QJsonObject result;
    if (!request(kPaperListPath,
                 { { "username", mem->currentTeacher.username },
                   { "subjectID", QString::number(mem->currentRecord.subjectID) },
                   { "page", QString::number(page) },
                   { "pageSize", QString::number(pageSize) },
                   { "version", mem->version } },
                 result, true))
        return -1;
    qDebug() << "the currentPage is :" << result.value("currentPage").toInt();
    totalPage = result.value("totalPage").toInt();
    qDebug() << "the totalIndex is :" << totalPage;
    const QJsonArray listed = result.value("paper").toArray();
    if (listed.size() > kMaxListedPapers)
        qWarning().noquote() << QString("****the paper list holds %1 papers, only the first %2 are taken")
                                    .arg(listed.size())
                                    .arg(kMaxListedPapers);
    for (int i = 0; i < qMin(int(listed.size()), kMaxListedPapers); ++i) {
        const QJsonObject paper = listed.at(i).toObject();
        // Only a paper with an id can be loaded.
        if (paper.value("paperID").toString().isEmpty()) {
            qWarning() << "****a paper without an id is left out of the list";
            continue;
        }
        papers.append({ paper.value("paperID").toString(), paper.value("paperName").toString(),
                        paper.value("allScores").toString(), paper.value("questionNumCount").toInt() });
    }
    return 0;
}
