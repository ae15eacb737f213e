#pragma once

#include <QHash>
#include <QObject>
#include <QString>

template<typename T> class TavSingleton;

// Tells the teacher, in a notice that closes by itself, when a quiz that has been left could not go into the
// database file at once: why, and that its results are kept and go in by themselves. Once for a lesson's quizzes
// while the file refuses them, not at every try of the writer; again when they are no longer safe beyond the
// program's end (the side record could not take them either).
class ZUExamSaveNotice : public QObject
{
    Q_OBJECT
public:
    static ZUExamSaveNotice* getInstance();

private:
    friend class TavSingleton<ZUExamSaveNotice>;
    ZUExamSaveNotice();

    // The words for a quiz the file refused for cause; recorded tells whether the next start has it.
    static QString text(int cause, bool recorded);
    // How long the notice stays.
    static constexpr int kSeconds = 10;

    void onFailed(const QString& kind, int localRecordID, int round, int cause);
    void onWritten(const QString& kind, int localRecordID, int round);

    QHash<int, bool> m_told; // lesson to whether its quizzes were recorded when the teacher was told
    int m_toldOpening = -1; // the opening of the file the lessons are of
};
