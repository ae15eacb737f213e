#pragma once

#include "Singleton.h"

#include <QObject>
#include <QString>

class ZUBaseExamSer;

// The quiz being run: what the set-up dialog chose and the service that runs it. Screens and result views
// reach the paper and the answers through m_examSer; nothing clears it when a quiz ends, so the views of the
// last quiz keep working until the next one is set up.
class ZUExamMem : public QObject
{
    Q_OBJECT
public:
    static ZUExamMem* getInstance() { return TavSingleton<ZUExamMem>::instance(); }

    int m_examDuration = 0; // seconds
    int m_questionNum = 0;
    int m_allScores = 0;
    QString m_paperName;
    ZUBaseExamSer* m_examSer = nullptr; // not owned

private:
    friend class TavSingleton<ZUExamMem>;
    ZUExamMem() = default;
};
