#pragma once

// A class of students with keypads 1..n, an open lesson record, the settings the screens read, and the
// simulated receiver behind the keypad road.
#include "DbTestSupport.h"
#include "DialogAnswerer.h"
#include "Rf21xSimulator.h"
#include "StudentInfoRow.h"
#include "TAVMemInfo.h"
#include "TavWriteBehind.h"
#include "WindowInput.h"
#include "ZUHdManager.h"
#include "ZURf228Api.h"

#include <QElapsedTimer>

#include <QTemporaryDir>
#include <QtTest>

namespace InteractTestSupport {

const int kRecord = 7;
// How long a test waits for what the program does by itself (keypad delivery, a countdown's end, a slide): a
// bound that a machine under heavy load meets, never a measure of speed.
const int kEventBoundMs = 30000;
// The longest a test lets the interface thread stand still (ten times the second it may) and a click hold it
// (far over the tenth of a second it may, below the five seconds a write would wait for another program's
// lock): a hang or such a wait fails, a starved machine does not. The figures are bench-free-answers' to judge.
const int kStillBoundMs = 10000;
const int kClickBoundMs = 4000;
const QString kLessonUUID = QStringLiteral("{00000000-0000-4000-8000-000000000007}");

// Student i (from 1) is "S<i>" with dovaneID "D<i, two digits>" and keypad i; keypads above keypads stay unbound.
inline void useClass(int students, int keypads = -1)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->studentMap.clear();
    mem->studentList.clear();
    mem->snMap.clear();
    if (keypads < 0)
        keypads = students;
    for (int i = 1; i <= students; ++i) {
        StudentInfoRow s;
        s.dovaneID = QString("D%1").arg(i, 2, 10, QLatin1Char('0'));
        s.name = QString("S%1").arg(i);
        s.classID = 1;
        if (i <= keypads) {
            s.sn = QString::number(i);
            mem->snMap.insert(s.sn, s.dovaneID);
        }
        mem->studentMap.insert(s.dovaneID, s);
        mem->studentList.append(s);
    }
}

// A fresh database, an open lesson (kRecord) in it, a plugged receiver and default settings.
inline bool freshLesson(int students = 5)
{
    // The writer thread has ended its writes into the file before it is made anew (a journal goes by the path).
    TavWriteBehind::getInstance()->finish();
    if (!DbTestSupport::freshDatabase())
        return false;
    DbTestSupport::resetTeacherState();
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->currentRecord.localRecordID = kRecord;
    mem->currentRecord.UUID = kLessonUUID;
    mem->currentRecord.creator = "teacher01";
    mem->currentRecord.startTime = "2026-01-05 08:00:00";
    if (!DbTestSupport::runOutside("insert into TAV_ClassRecord (localRecordID, UUID, creator, classID, subjectID, "
                                   "startTime, status, classStatus, createDate) values (?, ?, ?, 1, 1, ?, 0, 1, ?)",
                                   { kRecord, kLessonUUID, mem->currentRecord.creator, mem->currentRecord.startTime,
                                     mem->currentRecord.startTime }))
        return false;
    mem->configMap = { { "TimeLimit", "30" },
                       { "AnswerMethod", "0" },
                       { "FeedbackType", "0" },
                       { "DoNotShowUnAnswer", "0" },
                       { "AnonymousFeedback", "0" } };
    useClass(students);
    Rf21xSimulator::instance()->reset();
    Rf21xSimulator::instance()->setAutoKeypads(0);
    DialogAnswerer::clear();
    return true;
}

// Opens the simulated receiver once per process; its control socket lives in a private folder.
inline bool openReceiver()
{
    static QTemporaryDir dir;
    qputenv("TAV_RF21X_SOCKET", dir.filePath("rf21x.sock").toUtf8());
    ZURf228Api::getInstance()->initDevice();
    return ZURf228Api::getInstance()->isConnected();
}

// Presses keys on the simulated keypads and waits until the keypad road has delivered every one of them.
inline bool press(const QList<QPair<int, QByteArray>>& keys)
{
    int arrived = 0;
    QObject guard;
    QObject::connect(ZUHdManager::getInstance(), &ZUHdManager::sendStudentData, &guard,
                     [&arrived](StudentInfo) { ++arrived; });
    for (const auto& key : keys) {
        if (!Rf21xSimulator::instance()->pushKey(key.first, key.second))
            return false;
    }
    const bool all = QTest::qWaitFor([&] { return arrived == keys.size(); }, kEventBoundMs);
    // The screens' own queued slots come after ours in the same pass.
    QCoreApplication::processEvents();
    return all;
}

// Every test that reads what a round stored waits for the writer thread first (an interaction's end included).
using DbTestSupport::writerIdle;

// Clicks the widget through the window system once it shows whole, clipped by none of its parents, and stands
// still (a panel's frame slides in inside a panel that is no window of its own).
inline bool clickShown(QWidget* widget)
{
    // Still: where it was a tenth of a second ago, longer than a frame of a slide.
    QPoint last(-1, -1);
    QElapsedTimer since;
    const auto shown = [widget, &last, &since] {
        if (!widget || !widget->isVisible())
            return false;
        const QPoint at = widget->mapToGlobal(QPoint());
        if (at != last || !since.isValid()) {
            last = at;
            since.start();
            return false;
        }
        if (since.elapsed() < 100)
            return false;
        for (const QWidget* w = widget; !w->isWindow(); w = w->parentWidget()) {
            const QRect inParent(widget->mapTo(w->parentWidget(), QPoint()), widget->size());
            if (!w->parentWidget()->rect().contains(inParent))
                return false;
        }
        return true;
    };
    return QTest::qWaitFor(shown, kEventBoundMs) && WindowInput::click(widget);
}

inline void remote(const QByteArray& key)
{
    emit ZUHdManager::getInstance()->sendTeacherData(TeacherInfo { QString::fromLatin1(key) });
    QCoreApplication::processEvents();
}

inline int count(const QString& sql, const QVariantList& values = {})
{
    return DbTestSupport::committedValue(sql, values).toInt();
}

inline QString text(const QString& sql, const QVariantList& values = {})
{
    return DbTestSupport::committedValue(sql, values).toString();
}

} // namespace InteractTestSupport
