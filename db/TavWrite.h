#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// One write the program makes into the database file after the moment it was asked for: a kind and its data,
// tied to the lesson it belongs to by the lesson's id and UUID, so that it never goes into another file.
struct TavWrite
{
    QString kind;
    int localRecordID = -1;
    QString lessonUUID;
    QJsonObject data;
    // While it waits, a later write with the same key takes its place (a student's newer answer).
    QString key;
    // The round (free interaction) it belongs to, or -1: nothing else ends that round while the write waits.
    int round = -1;
    // Once written, the round has ended in the file and is no longer held open.
    bool endsRound = false;
    // Recorded while a try of it was under way: the file may hold it already.
    bool maybeWritten = false;
    // The entries of the side record that hold it (its own, and those of the writes it took the place of).
    QList<quint64> recorded;
};
