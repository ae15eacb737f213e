#include "ZUSharedMovie.h"

#include <QImageReader>
#include <QLabel>

#include <algorithm>

namespace {
// A frame without a delay of its own is shown as briefly as a browser shows it.
const int kMinDelayMs = 20;
} // namespace

ZUSharedMovie* ZUSharedMovie::forFile(const QString& fileName)
{
    static QHash<QString, ZUSharedMovie*> movies;
    ZUSharedMovie*& movie = movies[fileName];
    if (!movie)
        movie = new ZUSharedMovie(fileName);
    return movie;
}

ZUSharedMovie::ZUSharedMovie(const QString& fileName)
{
    QImageReader reader(fileName);
    int end = 0;
    int shortest = 0;
    while (reader.canRead()) {
        const QImage image = reader.read();
        if (image.isNull())
            break;
        const int delay = qMax(reader.nextImageDelay(), kMinDelayMs);
        shortest = shortest ? qMin(shortest, delay) : delay;
        end += delay;
        m_frames.append(QPixmap::fromImage(image));
        m_ends.append(end);
    }
    // One tick per shortest frame: no frame is skipped while the interface keeps up.
    m_clock.setInterval(qMax(shortest, kMinDelayMs));
    connect(&m_clock, &QTimer::timeout, this, &ZUSharedMovie::step);
    m_time.start();
}

bool ZUSharedMovie::play(QLabel* label, const std::function<void()>& finished)
{
    if (!label || m_frames.isEmpty() || m_plays.contains(label))
        return false;
    label->setPixmap(m_frames.first());
    m_plays.insert(label, Play { label, m_time.elapsed(), 0, finished });
    if (!m_clock.isActive())
        m_clock.start();
    return true;
}

void ZUSharedMovie::stop(const QLabel* label)
{
    m_plays.remove(label);
    if (m_plays.isEmpty())
        m_clock.stop();
}

int ZUSharedMovie::frameAt(qint64 elapsedMs) const
{
    return int(std::upper_bound(m_ends.begin(), m_ends.end(), elapsedMs) - m_ends.begin());
}

void ZUSharedMovie::step()
{
    const qint64 now = m_time.elapsed();
    QVector<std::function<void()>> ended;
    for (auto it = m_plays.begin(); it != m_plays.end();) {
        Play& play = it.value();
        const int frame = frameAt(now - play.startMs);
        if (!play.label) {
            it = m_plays.erase(it);
        } else if (frame >= m_frames.size()) {
            if (play.finished)
                ended.append(play.finished);
            it = m_plays.erase(it);
        } else {
            if (frame != play.frame) {
                play.frame = frame;
                play.label->setPixmap(m_frames.at(frame));
            }
            ++it;
        }
    }
    if (m_plays.isEmpty())
        m_clock.stop();
    // Last, as a finished play may start another one.
    for (const std::function<void()>& finished : qAsConst(ended))
        finished();
}
