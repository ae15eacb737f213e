#pragma once

#include "TavWrite.h"

#include <QFile>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>

#include <atomic>

template<typename T> class TavSingleton;

// The record, beside the database file, of the writes the file could not take when they were made (another program
// held it, the disk was full) or that were still under way when the program ended. An entry is on the disk before
// add() returns, so that a kill or a power cut loses none of them, and the next start writes them into the file.
// Every entry names its lesson by id and UUID: one whose lesson the file found at start does not hold is never
// written into it. A damaged line, or one of another shape, is skipped and logged. While the program runs, the record
// holds room on the disk for its entries and writes them into it in place, so that it takes them when the disk is
// full too.
class TavSideRecord
{
public:
    static TavSideRecord* getInstance();
    // "TAVSqlite.db.pending" beside the database file.
    static QString path();

    // At start: the writes recorded and not settled, in the order they were recorded, a later one of the same key in
    // the place of the earlier. The record is written anew with just these, and room is reserved for more.
    QList<TavWrite> load();
    // Records the writes on the disk, each in an entry of its own; their seqs are added to their recorded lists.
    // False, with none of them recorded, when the record could not take them.
    bool add(QList<TavWrite>& writes);
    // The entries are in the database file now (or set aside): they are dropped from the record.
    bool settle(const QList<quint64>& seqs);
    // Entries recorded and not settled.
    int pendingCount() const;
    // Room for at least bytes more held on the disk, held now when it is not: false when the disk has not that much
    // or the record cannot be written. Quick when the room is there.
    bool holdRoom(qint64 bytes);
    // At the program's end: the record goes when nothing is left in it.
    void close();

    // Room held on the disk for the record while the program runs.
    static constexpr qint64 kRoomBytes = 8 * 1024 * 1024;
    // The least room taken when the disk has not the whole.
    static constexpr qint64 kLeastRoomBytes = 64 * 1024;

private:
    friend class TavSingleton<TavSideRecord>;
    TavSideRecord() = default;

    bool openForAppend();
    // Grows the file's held room to wanted bytes, or at least to least when the disk has not that much; the room
    // held before stays when neither can be had.
    bool makeRoom(qint64 wanted, qint64 least);
    void setEnd(qint64 end);
    bool append(const QByteArray& lines);
    void closeFile();
    void setAside(const QString& why);

    mutable QMutex m_mutex;
    QFile m_file;
    uchar* m_map = nullptr; // the whole file, written in place
    qint64 m_size = 0; // of the file and its map
    qint64 m_end = 0; // where the entries end and the room begins
    std::atomic<qint64> m_free { 0 }; // m_size - m_end, read without the mutex
    QSet<quint64> m_pending;
    quint64 m_nextSeq = 1;
};
