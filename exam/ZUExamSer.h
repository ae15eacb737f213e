#pragma once

#include "PaperListItem.h"
#include "Singleton.h"

#include <QByteArray>
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

    // Appends the entries of one page to papers; totalPage is written only on success. 0 or -1.
    int getPaperList(int page, int pageSize, int& totalPage, QList<PaperListItem>& papers);

    // "name=value&..." as given (values unescaped), followed by "&sign=" and the signature of that text.
    static QByteArray signedBody(const QList<QPair<QString, QString>>& params);

private:
    friend class TavSingleton<ZUExamSer>;
    ZUExamSer() = default;
};
