#pragma once

#include "ZUSeatGrid.h"

#include <QMap>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QVector>

class ZUHdApi;

// The seat sign-in of the class in use, without widgets: the seat grid of its students, who signed in during
// the sign-ins of the current lesson, the start and stop of a sign-in on the receiver and in the database, and
// the seat plan kept for the class.
class ZUStuSignSer : public QObject
{
    Q_OBJECT
public:
    enum StartResult { Started, NoReceiver, NotStarted };

    explicit ZUStuSignSer(QObject* parent = nullptr);

    // Columns that fit a window of this width.
    static int maxCols(int windowWidth);

    // Seats the class in use for a window of this width. The last sign-in of the same lesson shows again,
    // unless it was reset since.
    void initSign(int windowWidth);

    ZUSeatGrid& grid() { return m_grid; }
    const ZUSeatGrid& grid() const { return m_grid; }
    int maxCols() const { return m_maxCols; }
    bool isSigning() const { return m_signing; }
    int total() const { return m_total; }
    int signedCount() const { return m_signed.size(); }
    QString attendance() const { return m_attendance; }
    QString subjectName() const { return m_subject; }
    QMap<QString, QString> signedStudents() const { return m_signed; }

    // A new sign-in of the lesson: the receiver starts answering and the sign-in row is written. Without the
    // row nothing starts: the receiver stops again.
    StartResult start();
    // Stores the students signed so far under the running sign-in and ends it; false when they could not be
    // stored, and then nothing of the stop is: the signed students stay marked for the next sign-in.
    bool stop();
    // Clears the signed marks (not the stored rows); the next opening of the lesson starts unsigned.
    void reset();
    // A keypad's key while a sign-in runs: every student holding that keypad signs once. The changed seats.
    QVector<QPoint> keyPressed(int keypadId);
    // Keeps the seat plan and the grid size of the class; false when they could not be kept whole, and then the
    // plan kept before stays with its grid size.
    bool saveSeats();

private:
    ZUHdApi* device() const;

    ZUSeatGrid m_grid;
    QMap<QString, QString> m_signed;
    bool m_signing = false;
    int m_lastRecordId = -2; // the lesson shown at the previous opening; -2 matches none
    bool m_resetDone = false;
    int m_total = 0;
    int m_maxCols = 1;
    QString m_attendance = QStringLiteral("0%");
    QString m_subject;
};
