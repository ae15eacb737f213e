#pragma once

#include "TavWriteCause.h"
#include "ZUSeatGrid.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QVector>

class ZUHdApi;

// The seat sign-in of the class in use, without widgets: the seat grid of its students, who signed in during
// the sign-ins of the current lesson, the start and stop of a sign-in on the receiver, and what goes into the
// database: each sign-in, whole at its end, and the seat plan kept for the class. Both go to the program's
// writer, so that the screen never waits for the file: they go in at once or as soon as the file can take them.
class ZUStuSignSer : public QObject
{
    Q_OBJECT
public:
    enum StartResult { Started, NoReceiver, NotStarted };

    explicit ZUStuSignSer(QObject* parent = nullptr);

    // Columns that fit a window of this width.
    static int maxCols(int windowWidth);

    // Seats the class in use for a window of this width. The last sign-in of the same lesson shows again,
    // unless it was reset since. The class's plan is the one this run stored, or else the one read from the file
    // with a moment's wait for another program; when that cannot be read (readCause(), planKnown() false), the
    // class is seated automatically.
    void initSign(int windowWidth);
    TavWriteCause::Cause readCause() const { return m_readCause; }
    bool planKnown() const { return m_planKnown; }

    ZUSeatGrid& grid() { return m_grid; }
    const ZUSeatGrid& grid() const { return m_grid; }
    int maxCols() const { return m_maxCols; }
    bool isSigning() const { return m_signing; }
    int total() const { return m_total; }
    int signedCount() const { return m_signed.size(); }
    QString attendance() const { return m_attendance; }
    QString subjectName() const { return m_subject; }
    QMap<QString, QString> signedStudents() const { return m_signed; }

    // A new sign-in of the lesson: the receiver starts answering. Nothing is written until it ends.
    StartResult start();
    // Ends the running sign-in: the sign-in, ended, with the students signed so far goes to the writer. The
    // signed students stay marked for the next sign-in. False when none runs.
    bool stop();
    // Clears the signed marks (not the stored rows); the next opening of the lesson starts unsigned.
    void reset();
    // A keypad's key while a sign-in runs: every student holding that keypad signs once. The changed seats.
    QVector<QPoint> keyPressed(int keypadId);
    // Keeps the seat plan and the grid size of the class, at once for this run and through the writer in the
    // file. A plan that could not be read at the opening and that the teacher left as it was is not stored over
    // the one in the file: false then.
    bool saveSeats();

private:
    ZUHdApi* device() const;
    // A plan for the class, through the writer, and as the one this run knows.
    void keepPlan(int classID, int rows, int cols, const QMap<QString, SeatPos>& seats);

    ZUSeatGrid m_grid;
    QMap<QString, QString> m_signed;
    bool m_signing = false;
    int m_lastRecordId = -2; // the lesson shown at the previous opening; -2 matches none
    QString m_lastRecordUUID;
    bool m_resetDone = false;
    int m_total = 0;
    int m_maxCols = 1;
    QString m_attendance = QStringLiteral("0%");
    QString m_subject;

    // The running sign-in, written whole when it ends.
    QString m_signStart;
    QString m_signStation;
    int m_signLesson = -1;
    QString m_signLessonUUID;

    TavWriteCause::Cause m_readCause = TavWriteCause::None;
    bool m_planKnown = true;
    QHash<int, QMap<QString, SeatPos>> m_keptPlans; // by class: the plans this run handed to the writer
    int m_keptOpening = -1; // the opening of the file they belong to
    QMap<QString, SeatPos> m_openedPlan; // as seated at the opening
    int m_openedRows = 0;
    int m_openedCols = 0;
};
