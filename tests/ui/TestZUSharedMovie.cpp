#include "ZUSharedMovie.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>
#include <algorithm>

// The pencil of the quiz seats, as the build draws it: twelve frames played once.
static const QString kPencil = QStringLiteral(TAV_BIN_DIR "/Resources/images/teamExam/pencil.gif");

// An animation played on many labels: decoded once, each label from its first frame to its end, a playing label
// left to go on, and labels that go away forgotten.
class TestZUSharedMovie : public QObject
{
    Q_OBJECT

    ZUSharedMovie* m_movie = nullptr;

    static qint64 shownKey(const QLabel& label) { return label.pixmap(Qt::ReturnByValue).cacheKey(); }

private slots:
    void initTestCase()
    {
        m_movie = ZUSharedMovie::forFile(kPencil);
        QVERIFY(m_movie->isValid());
        QCOMPARE(m_movie->frameCount(), 12);
        QCOMPARE(m_movie->duration(), 11 * 70 + 150);
    }

    void eachFileIsDecodedOnce()
    {
        QCOMPARE(ZUSharedMovie::forFile(kPencil), m_movie);
        QLabel a, b;
        QVERIFY(m_movie->play(&a));
        QVERIFY(m_movie->play(&b));
        // Both show the one decoded picture, not copies of their own.
        QCOMPARE(shownKey(a), m_movie->frame(0).cacheKey());
        QCOMPARE(shownKey(b), shownKey(a));
        m_movie->stop(&a);
        m_movie->stop(&b);
        QCOMPARE(m_movie->playing(), 0);
    }

    void playsEveryFrameInOrderOnceThenEnds()
    {
        QLabel label;
        QVector<int> seen;
        int ended = 0;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_movie->play(&label, [&] { ++ended; }));
        while (ended == 0 && clock.elapsed() < 60000) {
            for (int i = 0; i < m_movie->frameCount(); ++i) {
                if (shownKey(label) == m_movie->frame(i).cacheKey() && (seen.isEmpty() || seen.last() != i))
                    seen << i;
            }
            QTest::qWait(5);
        }
        QVERIFY2(
            ended == 1,
            qPrintable(
                QString("ended %1 times in %2 ms, %3 frames seen").arg(ended).arg(clock.elapsed()).arg(seen.size())));
        // Never faster than the picture's own delays, and never backwards.
        QVERIFY(clock.elapsed() >= m_movie->duration());
        QCOMPARE(seen.first(), 0);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QVERIFY(!m_movie->isPlaying(&label));
        QTest::qWait(200);
        QCOMPARE(ended, 1);
    }

    void aPlayingLabelGoesOnWhereItIs()
    {
        QLabel label;
        int ended = 0;
        QVERIFY(m_movie->play(&label, [&] { ++ended; }));
        QTRY_VERIFY_WITH_TIMEOUT(shownKey(label) != m_movie->frame(0).cacheKey(), 30000);
        const qint64 shown = shownKey(label);
        QVERIFY(!m_movie->play(&label, [&] { ended += 10; }));
        QCOMPARE(shownKey(label), shown);
        QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 30000);
        // A play that has ended may start again.
        QVERIFY(m_movie->play(&label));
        QCOMPARE(shownKey(label), m_movie->frame(0).cacheKey());
        m_movie->stop(&label);
    }

    void stoppedOrGoneLabelsAreForgotten()
    {
        int ended = 0;
        QLabel kept;
        auto* gone = new QLabel;
        QVERIFY(m_movie->play(&kept, [&] { ++ended; }));
        QVERIFY(m_movie->play(gone, [&] { ++ended; }));
        m_movie->stop(&kept);
        delete gone;
        QTest::qWait(m_movie->duration() + 300);
        QCOMPARE(ended, 0);
        QCOMPARE(m_movie->playing(), 0);
    }

    void aFileWithoutFramesPlaysNothing()
    {
        ZUSharedMovie* none = ZUSharedMovie::forFile(QStringLiteral(TAV_BIN_DIR "/no-such-picture.gif"));
        QLabel label;
        QVERIFY(!none->isValid());
        QVERIFY(!none->play(&label));
        QVERIFY(!none->isPlaying(&label));
    }
};

QTEST_MAIN(TestZUSharedMovie)
#include "TestZUSharedMovie.moc"
