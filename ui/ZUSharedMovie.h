#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include <functional>

class QLabel;

// A short animated picture that many labels play at once, each from its start to its end: decoded once for the
// process, and stepped by one clock for every label, so that the labels of a window change together in one
// repaint instead of each on its own timer. A label that is playing goes on where it is when told to play again.
class ZUSharedMovie : public QObject
{
    Q_OBJECT
public:
    // The one movie of a file, decoded on first use and kept for the process; GUI thread only.
    static ZUSharedMovie* forFile(const QString& fileName);

    bool isValid() const { return !m_frames.isEmpty(); }
    int frameCount() const { return m_frames.size(); }
    const QPixmap& frame(int index) const { return m_frames.at(index); }
    // How long one play lasts, in ms: the sum of the frames' delays.
    int duration() const { return m_ends.isEmpty() ? 0 : m_ends.last(); }

    // Shows the first frame on label and plays it to the end, then calls finished. False, and nothing changed, when
    // the label is playing already or the file had no frames.
    bool play(QLabel* label, const std::function<void()>& finished = {});
    // Ends a play without calling its finished; the label keeps the frame it shows.
    void stop(const QLabel* label);
    bool isPlaying(const QLabel* label) const { return m_plays.contains(label); }
    int playing() const { return m_plays.size(); }

private:
    explicit ZUSharedMovie(const QString& fileName);

    struct Play
    {
        QPointer<QLabel> label;
        qint64 startMs = 0;
        int frame = 0;
        std::function<void()> finished;
    };

    void step();
    int frameAt(qint64 elapsedMs) const;

    QVector<QPixmap> m_frames;
    QVector<int> m_ends; // when each frame gives way to the next, in ms from the start
    QHash<const QLabel*, Play> m_plays;
    QTimer m_clock;
    QElapsedTimer m_time;
};
