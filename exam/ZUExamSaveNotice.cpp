#include "ZUExamSaveNotice.h"

#include "Singleton.h"
#include "TAVDatabase.h"
#include "TavWriteBehind.h"
#include "TavWriteCause.h"
#include "TavWriteKinds.h"
#include "ZUTAVAutoMsg.h"

#include <QtDebug>

ZUExamSaveNotice* ZUExamSaveNotice::getInstance()
{
    return TavSingleton<ZUExamSaveNotice>::instance();
}

ZUExamSaveNotice::ZUExamSaveNotice()
{
    // The writer tells from its own thread; the notice comes in the interface thread.
    TavWriteBehind* writer = TavWriteBehind::getInstance();
    connect(writer, &TavWriteBehind::failed, this, &ZUExamSaveNotice::onFailed, Qt::QueuedConnection);
    connect(writer, &TavWriteBehind::written, this, &ZUExamSaveNotice::onWritten, Qt::QueuedConnection);
}

QString ZUExamSaveNotice::text(int cause, bool recorded)
{
    const auto why = TavWriteCause::Cause(cause);
    const QString kept = recorded
        ? tr("考试结果已保留，文件可以写入后会自动保存，无需重新考试。")
        : tr("考试结果只保留在运行中的程序里，也无法暂存到磁盘上；文件可以写入后会自动保存，在此之前请不要退出程序，"
             "否则结果将会丢失。");
    return tr("%1，本次考试的结果暂未写入数据库。\n%2\n%3。")
        .arg(TavWriteCause::text(why), kept, TavWriteCause::advice(why));
}

void ZUExamSaveNotice::onFailed(const QString& kind, int localRecordID, int, int cause)
{
    if (kind != TavWriteKinds::Quiz)
        return;
    // Lessons are told apart within one file: a file opened anew starts afresh.
    if (m_toldOpening != TAVDatabase::getInstance()->openings()) {
        m_told.clear();
        m_toldOpening = TAVDatabase::getInstance()->openings();
    }
    const bool recorded = TavWriteBehind::getInstance()->recordedAll();
    const auto told = m_told.constFind(localRecordID);
    if (told != m_told.constEnd() && (!*told || recorded))
        return;
    m_told.insert(localRecordID, recorded);
    qWarning().noquote() << QStringLiteral("****the quizzes of lesson %1 wait for the file (%2), %3")
                                .arg(localRecordID)
                                .arg(TavWriteCause::text(TavWriteCause::Cause(cause)))
                                .arg(recorded ? QStringLiteral("recorded beside it")
                                              : QStringLiteral("in memory only"));
    ZUTAVAutoMsg::getInstance()->showMessage(tr("信息提示"), text(cause, recorded), kSeconds, true);
}

void ZUExamSaveNotice::onWritten(const QString& kind, int localRecordID, int)
{
    if (kind == TavWriteKinds::Quiz && m_told.remove(localRecordID) > 0)
        qDebug() << "the quizzes of lesson" << localRecordID << "are in the file now";
}
