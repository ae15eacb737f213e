#include "ZUFreeActStore.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_InteractInfo.h"
#include "TAV_StuResult.h"
#include "TavStatement.h"
#include "ZUFreeActWriter.h"
#include "ZUHdApi.h"
#include "ZUHdManager.h"
#include "ZUTAVAutoMsg.h"
#include "ZUTipDlg.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QLabel>
#include <QSet>
#include <QSqlQuery>

namespace ZUFreeActStore {

namespace {

// The interaction begun last while it runs.
int& running()
{
    static int interactID = -1;
    return interactID;
}

// How long a write of the interface thread waits for a lock another program holds: a moment, the screen goes on.
const int kInterfaceBusyMs = 80;
const int kPoolBusyMs = 5000;

// A notice that closes by itself, not again while it is still on screen; false, with nothing shown, while the
// same box asks the teacher a question (its buttons would go).
bool notice(const QString& text)
{
    ZUTAVAutoMsg* box = ZUTAVAutoMsg::getInstance();
    if (box->isVisible() && !box->isCounting())
        return false;
    const QLabel* shown = box->findChild<QLabel*>(QStringLiteral("textLabel"));
    if (box->isVisible() && shown && shown->text() == text)
        return true;
    // Not modal: the class goes on answering.
    box->showMessage(QCoreApplication::translate("ZUFreeActBar_left", "错误"), text, 3, false);
    return true;
}

// The interactions whose failed writes the teacher has been told of.
QSet<int>& told()
{
    static QSet<int> ids;
    return ids;
}

void tellNotKept(int interactID)
{
    // Once per interaction: the writes go on being tried meanwhile.
    if (told().contains(interactID))
        return;
    if (notice(QCoreApplication::translate("ZUFreeActBar_left", "提交数据库失败")))
        told().insert(interactID);
}

// The lesson is over: a box may ask for the teacher's click now.
void tellAtQuit()
{
    if (finishAtQuit())
        return;
    ZUTipDlg* box = ZUTipDlg::getInstance();
    box->setButtons(2, 0);
    box->setText(QCoreApplication::translate("ZUFreeActBar_left", "本次互动未能保存，请联系管理员"),
                 QCoreApplication::translate("ZUFreeActBar_left", "错误"));
    box->exec();
}

ZUFreeActWriter* writer()
{
    static ZUFreeActWriter* const made = [] {
        ZUFreeActWriter* w = ZUFreeActWriter::getInstance();
        // Reported from the writer's thread, told in the interface thread.
        QObject::connect(w, &ZUFreeActWriter::keepFailed, w, tellNotKept, Qt::QueuedConnection);
        // At exit what waits goes in, for a bounded time, and the thread has closed its connection before the
        // database is closed.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, w, tellAtQuit);
        return w;
    }();
    return made;
}

// A pooled connection that takes the write lock at once, waiting only a moment for another program to let go,
// and that shows no box when its commit fails. Its writes are tried only once it holds the lock.
class ShortWrite
{
public:
    ShortWrite()
        : m_db(TAVDatabase::getInstance()->getDbCon())
    {
        if (!m_db.isValid())
            return;
        QSqlQuery query(m_db);
        query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kInterfaceBusyMs));
        // The borrow began a transaction that holds no lock yet: it gives way to one that holds the write lock.
        m_locked = query.exec(QStringLiteral("COMMIT")) && query.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!m_locked)
            qWarning().noquote() << QStringLiteral("****free interaction: ")
                    + TavStatement::errorText(query.lastError());
    }
    ~ShortWrite()
    {
        if (!m_db.isValid())
            return;
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(kPoolBusyMs));
        // After a commit nothing is left to roll back: this only gives the connection back.
        TAVDatabase::getInstance()->rollbackDbCon(m_db);
    }
    ShortWrite(const ShortWrite&) = delete;
    ShortWrite& operator=(const ShortWrite&) = delete;

    // Invalid unless the write lock is held.
    QSqlDatabase db() const { return m_locked ? m_db : QSqlDatabase(); }
    bool commit()
    {
        if (m_locked && m_db.commit())
            return true;
        qWarning().noquote() << QStringLiteral("****free interaction: ") + TavStatement::errorText(m_db.lastError());
        return false;
    }

private:
    QSqlDatabase m_db;
    bool m_locked = false;
};

} // namespace

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

InteractInfoRow newRow(int answerType, const QString& answer)
{
    InteractInfoRow row;
    row.localRecordID = TAVMemInfo::getInstance()->currentRecord.localRecordID;
    row.answerType = answerType;
    row.answer = answer;
    row.startTime = now();
    row.createDate = row.startTime;
    ZUHdApi* device = ZUHdManager::getInstance()->currentApi();
    row.stationSn = device ? device->serialNumber() : QString();
    return row;
}

int beginInteraction(InteractInfoRow* row)
{
    writer();
    int id = -1;
    {
        ShortWrite write;
        if (write.db().isValid()) {
            TAV_InteractInfo::getInstance()->clearPendingAnswers(write.db(), row->localRecordID);
            id = TAV_InteractInfo::getInstance()->insertInteractInfo(write.db(), row);
            if (id != -1 && !write.commit())
                id = -1;
        }
    }
    row->interactID = id;
    running() = id;
    if (id == -1) {
        qWarning() << "****free interaction not stored, type" << row->answerType;
        notice(QCoreApplication::translate("ZUFreeActBar_left", "提交数据库失败"));
    } else {
        // A file made anew gives its ids again.
        told().remove(id);
        TAV_InteractInfo::getInstance()->holdOpen(id);
    }
    return id;
}

void keepResult(const StuResultRow& result)
{
    if (result.interactID == -1 || result.interactID != running())
        return;
    writer()->keep(result);
}

void finishInteraction(const InteractInfoRow& row, const QList<StuResultRow>& results)
{
    if (row.interactID == running())
        running() = -1;
    if (row.interactID != -1)
        writer()->end(row.interactID, results, now());
    else
        writer()->endWhole(row, results, now());
}

bool finishInteraction(int interactID, const QList<StuResultRow>& results)
{
    if (interactID != -1) {
        InteractInfoRow row;
        row.interactID = interactID;
        finishInteraction(row, results);
        return true;
    }
    qWarning() << "****free interaction without its row: its" << results.size() << "results are not kept";
    return false;
}

void storePick(InteractInfoRow* row, const QString& dovaneID)
{
    writer();
    StuResultRow result;
    result.dovaneID = dovaneID;
    result.createDate = row->createDate;
    {
        ShortWrite write;
        QSqlDatabase db = write.db();
        bool stored = db.isValid() && TAV_InteractInfo::getInstance()->insertInteractInfo(db, row) != -1;
        if (stored) {
            // A pick has no duration: it ends when it starts, however long the file kept the store waiting.
            TAV_InteractInfo::getInstance()->closeOpenInteractions(db, row->startTime);
            result.interactID = row->interactID;
            stored = TAV_StuResult::getInstance()->insertStuResult(db, result);
        }
        // Both rows or neither.
        if (stored && write.commit())
            return;
    }
    // The file is busy or full: the writer keeps the pick and writes it, ended as it started, once it can.
    row->interactID = -1;
    result.interactID = -1;
    writer()->endWhole(*row, { result }, row->startTime);
}

void setAnswer(int interactID, const QString& answer)
{
    if (interactID != -1)
        writer()->setAnswer(interactID, answer);
}

bool finishAtQuit()
{
    ZUFreeActWriter* w = writer();
    const bool written = w->stop();
    if (!written) {
        for (const QString& line : w->describeUnwritten())
            qWarning().noquote() << "****" + line;
        // Their rows stay open in the file: no later start ends and uploads them without these results.
        QList<int> open = w->unwritten();
        open.removeAll(-1);
        if (!open.isEmpty() && !TAV_InteractInfo::getInstance()->holdOpenForGood(open))
            qWarning() << "****free interactions" << open << "may be uploaded without the results above";
    }
    return written;
}

} // namespace ZUFreeActStore
