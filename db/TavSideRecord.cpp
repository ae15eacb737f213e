#include "TavSideRecord.h"

#include "Singleton.h"
#include "TAVDatabase.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QSaveFile>
#include <QtDebug>

#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const QByteArray kHeader = QByteArrayLiteral("TAV pending writes 1\n");

QByteArray checksum(const QByteArray& json)
{
    return QCryptographicHash::hash(json, QCryptographicHash::Md5).toHex();
}

// One line: the checksum of the JSON text, a space, the text.
QByteArray line(const QJsonObject& object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return checksum(json) + ' ' + json + '\n';
}

QJsonObject entryObject(const TavWrite& write, quint64 seq)
{
    QJsonObject object;
    object.insert(QStringLiteral("seq"), double(seq));
    object.insert(QStringLiteral("kind"), write.kind);
    object.insert(QStringLiteral("lesson"), write.localRecordID);
    object.insert(QStringLiteral("uuid"), write.lessonUUID);
    if (!write.key.isEmpty())
        object.insert(QStringLiteral("key"), write.key);
    if (write.round != -1)
        object.insert(QStringLiteral("round"), write.round);
    if (write.endsRound)
        object.insert(QStringLiteral("ends"), true);
    if (write.maybeWritten)
        object.insert(QStringLiteral("maybe"), true);
    object.insert(QStringLiteral("data"), write.data);
    return object;
}

// A whole number the record may hold: JSON numbers are doubles.
bool wholeNumber(const QJsonValue& value, double low, double high, double* number)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (d != double(qint64(d)) || d < low || d > high)
        return false;
    *number = d;
    return true;
}

bool readEntry(const QJsonObject& object, TavWrite* write, quint64* seq)
{
    double number = 0;
    if (!wholeNumber(object.value(QStringLiteral("seq")), 1, 9007199254740992.0, &number))
        return false;
    *seq = quint64(number);
    const QJsonValue kind = object.value(QStringLiteral("kind"));
    const QJsonValue uuid = object.value(QStringLiteral("uuid"));
    const QJsonValue key = object.value(QStringLiteral("key"));
    const QJsonValue ends = object.value(QStringLiteral("ends"));
    const QJsonValue maybe = object.value(QStringLiteral("maybe"));
    const QJsonValue data = object.value(QStringLiteral("data"));
    if (!kind.isString() || kind.toString().isEmpty() || !uuid.isString() || !data.isObject()
        || !(key.isUndefined() || key.isString()) || !(ends.isUndefined() || ends.isBool())
        || !(maybe.isUndefined() || maybe.isBool()))
        return false;
    write->kind = kind.toString();
    write->lessonUUID = uuid.toString();
    write->key = key.toString();
    write->endsRound = ends.toBool();
    write->maybeWritten = maybe.toBool();
    write->data = data.toObject();
    if (!wholeNumber(object.value(QStringLiteral("lesson")), 1, 2147483647.0, &number))
        return false;
    write->localRecordID = int(number);
    const QJsonValue round = object.value(QStringLiteral("round"));
    write->round = -1;
    if (!round.isUndefined()) {
        if (!wholeNumber(round, 1, 2147483647.0, &number))
            return false;
        write->round = int(number);
    }
    return true;
}

// The seqs a settling line names; false when it is not one.
bool readSettled(const QJsonObject& object, QList<quint64>* seqs)
{
    const QJsonValue settled = object.value(QStringLiteral("settle"));
    if (!settled.isArray() || object.size() != 1)
        return false;
    for (const QJsonValue& value : settled.toArray()) {
        double number = 0;
        if (!wholeNumber(value, 1, 9007199254740992.0, &number))
            return false;
        seqs->append(quint64(number));
    }
    return true;
}

void syncFolder(const QString& filePath)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(filePath).absolutePath()).constData(), O_RDONLY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The entries of a record read whole: they end where the room held for more begins.
QByteArray contentOf(const QByteArray& all)
{
    const int room = all.indexOf('\0');
    return room == -1 ? all : all.left(room);
}

} // namespace

TavSideRecord* TavSideRecord::getInstance()
{
    return TavSingleton<TavSideRecord>::instance();
}

QString TavSideRecord::path()
{
    return TAVDatabase::databasePath() + QStringLiteral(".pending");
}

QList<TavWrite> TavSideRecord::load()
{
    QMutexLocker locker(&m_mutex);
    closeFile();
    m_pending.clear();
    m_nextSeq = 1;

    // An earlier version listed rounds it kept open here, by id alone: the list names no file, and a file made anew
    // gives the same ids to other rounds.
    const QString legacy = TAVDatabase::databasePath() + QStringLiteral(".unended");
    if (QFileInfo::exists(legacy)) {
        QFile old(legacy);
        if (old.open(QIODevice::ReadOnly))
            qWarning().noquote() << QStringLiteral("****an earlier version's list of rounds kept open is dropped: ")
                    + QString::fromUtf8(old.read(4096)).simplified();
        old.close();
        QFile::remove(legacy);
    }

    QList<TavWrite> writes;
    QHash<quint64, int> bySeq; // seq to the place of its write in writes
    QHash<QString, int> byKey;
    QList<int> settledPlaces;
    m_file.setFileName(path());
    if (m_file.exists()) {
        if (!m_file.open(QIODevice::ReadOnly)) {
            qWarning().noquote() << QStringLiteral("****the record of pending writes cannot be read: ")
                    + m_file.errorString();
            return writes;
        }
        const QByteArray all = contentOf(m_file.readAll());
        m_file.close();
        if (!all.startsWith(kHeader)) {
            setAside(QStringLiteral("it does not begin as the record does"));
        } else {
            const QList<QByteArray> lines = all.mid(kHeader.size()).split('\n');
            int skipped = 0;
            for (int i = 0; i < lines.size(); ++i) {
                const QByteArray& text = lines.at(i);
                if (text.isEmpty())
                    continue;
                const int space = text.indexOf(' ');
                const QByteArray json = space > 0 ? text.mid(space + 1) : QByteArray();
                const QJsonObject object = QJsonDocument::fromJson(json).object();
                QList<quint64> settled;
                TavWrite write;
                quint64 seq = 0;
                if (space <= 0 || checksum(json) != text.left(space)) {
                    ++skipped;
                    qWarning().noquote() << QStringLiteral("****a damaged line of the record of pending writes is "
                                                           "skipped: ")
                            + QString::fromUtf8(text.left(200));
                } else if (readSettled(object, &settled)) {
                    for (quint64 s : qAsConst(settled)) {
                        const int place = bySeq.value(s, -1);
                        if (place != -1)
                            writes[place].recorded.removeAll(s);
                        bySeq.remove(s);
                    }
                } else if (readEntry(object, &write, &seq) && !bySeq.contains(seq)) {
                    m_nextSeq = qMax(m_nextSeq, seq + 1);
                    write.recorded = { seq };
                    const int earlier = write.key.isEmpty() ? -1 : byKey.value(write.key, -1);
                    if (earlier != -1 && !writes.at(earlier).recorded.isEmpty()) {
                        write.recorded = writes.at(earlier).recorded + write.recorded;
                        writes[earlier] = write;
                        bySeq.insert(seq, earlier);
                    } else {
                        if (!write.key.isEmpty())
                            byKey.insert(write.key, writes.size());
                        bySeq.insert(seq, writes.size());
                        writes.append(write);
                    }
                } else {
                    ++skipped;
                    qWarning().noquote() << QStringLiteral("****a line of the record of pending writes that is not "
                                                           "one of its entries is skipped: ")
                            + QString::fromUtf8(json.left(200));
                }
            }
            if (skipped)
                qWarning() << "****the record of pending writes had" << skipped << "lines it could not use";
        }
    }
    // Settled in full: nothing of them is left to write.
    QList<TavWrite> kept;
    for (const TavWrite& write : qAsConst(writes)) {
        if (!write.recorded.isEmpty())
            kept.append(write);
    }

    // Written anew with what is left, each write in one entry under its newest seq.
    QByteArray content = kHeader;
    for (TavWrite& write : kept) {
        write.recorded = { write.recorded.last() };
        content += line(entryObject(write, write.recorded.last()));
        m_pending.insert(write.recorded.last());
    }
    QSaveFile fresh(path());
    const bool rewritten = fresh.open(QIODevice::WriteOnly) && fresh.write(content) == content.size() && fresh.commit();
    if (rewritten)
        syncFolder(path());
    else
        qWarning().noquote() << QStringLiteral("****the record of pending writes is not written anew: ")
                + fresh.errorString();
    // Not written anew (a full disk): the record as it was still says the same, and takes more after its end.
    if (!openForAppend() && !rewritten)
        qWarning() << "****the record of pending writes cannot take entries now";
    if (!kept.isEmpty())
        qWarning() << "****" << kept.size() << "writes recorded by an earlier run are to be written into the file";
    return kept;
}

bool TavSideRecord::openForAppend()
{
    closeFile();
    m_file.setFileName(path());
    if (!m_file.open(QIODevice::ReadWrite)) {
        qWarning().noquote() << QStringLiteral("****the record of pending writes cannot be opened: ")
                + m_file.errorString();
        return false;
    }
    QByteArray content = contentOf(m_file.readAll());
    if (!content.startsWith(kHeader))
        content = kHeader;
    // A line a kill cut short ends here: the next one begins on a line of its own.
    if (!content.endsWith('\n'))
        content += '\n';
    setEnd(0);
    // A disk short of the whole room gives what it has: a round's writes need far less.
    if (!makeRoom(qMax(kRoomBytes, qint64(content.size()) * 2), content.size() + kLeastRoomBytes)) {
        closeFile();
        return false;
    }
    std::memcpy(m_map, content.constData(), size_t(content.size()));
    setEnd(content.size());
    return ::msync(m_map, size_t(m_end), MS_SYNC) == 0;
}

bool TavSideRecord::makeRoom(qint64 wanted, qint64 least)
{
    if (m_map && m_size >= least)
        return true;
    // Blocks held for the record, zero-filled: entries written into them need no new room on a full disk, and
    // writing into a mapped file is no growing of it.
    qint64 size = wanted;
    int error = ::posix_fallocate(m_file.handle(), 0, size);
    if (error != 0 && least < wanted) {
        size = least;
        error = ::posix_fallocate(m_file.handle(), 0, size);
    }
    if (error != 0) {
        qWarning() << "****the record of pending writes has no room on the disk:" << strerror(error);
        return false;
    }
    void* map = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, m_file.handle(), 0);
    if (map == MAP_FAILED) {
        qWarning() << "****the record of pending writes cannot be mapped:" << strerror(errno);
        return false;
    }
    if (m_map)
        ::munmap(m_map, size_t(m_size));
    m_map = static_cast<uchar*>(map);
    m_size = size;
    setEnd(m_end);
    syncFolder(path());
    return true;
}

void TavSideRecord::setEnd(qint64 end)
{
    m_end = end;
    m_free = m_map ? m_size - m_end : 0;
}

bool TavSideRecord::holdRoom(qint64 bytes)
{
    if (m_free.load() >= bytes)
        return true;
    QMutexLocker locker(&m_mutex);
    if (!m_map && !openForAppend())
        return false;
    return makeRoom(qMax(m_size * 2, m_end + bytes), m_end + bytes);
}

bool TavSideRecord::append(const QByteArray& lines)
{
    if (!m_map && !openForAppend())
        return false;
    if (!makeRoom((m_end + lines.size()) * 2, m_end + lines.size()))
        return false;
    std::memcpy(m_map + m_end, lines.constData(), size_t(lines.size()));
    // From the page where the lines begin: msync takes whole pages.
    const qint64 page = ::sysconf(_SC_PAGESIZE);
    const qint64 from = m_end / page * page;
    if (::msync(m_map + from, size_t(m_end + lines.size() - from), MS_SYNC) != 0) {
        qWarning() << "****the record of pending writes could not take an entry:" << strerror(errno);
        std::memset(m_map + m_end, 0, size_t(lines.size()));
        return false;
    }
    setEnd(m_end + lines.size());
    return true;
}

void TavSideRecord::closeFile()
{
    if (m_map)
        ::munmap(m_map, size_t(m_size));
    m_map = nullptr;
    m_size = 0;
    setEnd(0);
    m_file.close();
}

bool TavSideRecord::add(QList<TavWrite>& writes)
{
    if (writes.isEmpty())
        return true;
    QMutexLocker locker(&m_mutex);
    QByteArray lines;
    const quint64 first = m_nextSeq;
    for (int i = 0; i < writes.size(); ++i)
        lines += line(entryObject(writes.at(i), first + quint64(i)));
    m_nextSeq += quint64(writes.size());
    if (!append(lines))
        return false;
    for (int i = 0; i < writes.size(); ++i) {
        writes[i].recorded.append(first + quint64(i));
        m_pending.insert(first + quint64(i));
    }
    return true;
}

bool TavSideRecord::settle(const QList<quint64>& seqs)
{
    QMutexLocker locker(&m_mutex);
    QJsonArray settled;
    for (quint64 seq : seqs) {
        if (m_pending.contains(seq))
            settled.append(double(seq));
    }
    if (settled.isEmpty())
        return true;
    if (!append(line(QJsonObject { { QStringLiteral("settle"), settled } })))
        return false;
    for (const QJsonValue& seq : qAsConst(settled))
        m_pending.remove(quint64(seq.toDouble()));
    return true;
}

int TavSideRecord::pendingCount() const
{
    QMutexLocker locker(&m_mutex);
    return m_pending.size();
}

void TavSideRecord::close()
{
    QMutexLocker locker(&m_mutex);
    closeFile();
    if (m_pending.isEmpty() && QFileInfo(path()).isFile())
        QFile::remove(path());
}

void TavSideRecord::setAside(const QString& why)
{
    const QString aside = path() + QStringLiteral(".set-aside-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    const bool moved = QFile::rename(path(), aside);
    qWarning().noquote() << QStringLiteral("****the record of pending writes is set aside, ") + why
            + (moved ? QStringLiteral(": kept as ") + aside : QStringLiteral(": it could not be moved, it is removed"));
    if (!moved)
        QFile::remove(path());
}
