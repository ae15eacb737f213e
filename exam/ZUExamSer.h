#pragma once

#include "PaperListItem.h"
#include "Singleton.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// The teacher's paper catalogue on the web service.
class ZUExamSer : public QObject
{
    Q_OBJECT
public:
    static ZUExamSer* getInstance() { return TavSingleton<ZUExamSer>::instance(); }

    static constexpr const char* kPaperListPath = "/tav/testPaper/findPaperList";
    static constexpr const char* kPaperPath = "/tav/testPaper/getPaperByPaperID";

    // The most papers taken from one reply. The catalogue asks seven a page; even a service that sent a subject's
    // whole catalogue at once (a few hundred papers over the years) stays far below it, while a broken one cannot
    // fill the memory and the list with its entries.
    static constexpr int kMaxListedPapers = 1000;

    // Appends the entries of one page that carry an id to papers, at most kMaxListedPapers (the rest is left out
    // with a log line); totalPage is written only on success. 0 or -1.
    int getPaperList(int page, int pageSize, int& totalPage, QList<PaperListItem>& papers);

    // Sends a paper request: "name=value&..." as given (values unescaped), "&sign=" and the signature of that
    // text. Gives the reply's "result"; false, logged as the paper requests log it, when the request failed,
    // the reply is not JSON or the service refused. Only the catalogue logs a failed request.
    static bool request(const char* path, const QList<QPair<QString, QString>>& params, QJsonObject& result,
                        bool logNetworkError);

private:
    friend class TavSingleton<ZUExamSer>;
    ZUExamSer() = default;
};
