#include "AnswerKeyFile.h"
#include "Rf21xQuizFollower.h"

#include <QTemporaryDir>
#include <QtTest>

// Which items of the served paper a start of answering opens: the whole paper at once, or one question at a
// time followed in paper order, and nothing once the quiz is left.
class TestRf21xQuizFollower : public QObject
{
    Q_OBJECT

private slots:
    void startsOpenThePaperAsTheQuizGoes_data();
    void startsOpenThePaperAsTheQuizGoes();

private:
    QTemporaryDir m_dir;
};

// A script of steps: "S-1=1" a single-choice start without count opens question 1, "M2=6" a multiple-choice
// start of two items opens question 6, "M8=all" the whole paper, "=-" nothing of it; "D" a digit start;
// "stop" a stop; "serve" the paper served again.
void TestRf21xQuizFollower::startsOpenThePaperAsTheQuizGoes_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("question by question, forward") << "S-1=1 stop S-1=2 stop S2=3 stop M-1=4 stop M-1=5 stop M2=6";
    QTest::newRow("a question that fits again is the same one") << "S-1=1 stop S-1=2 stop S-1=2 stop S2=3";
    QTest::newRow("first what fits ahead") << "M-1=4 stop M-1=5 stop M-1=5";
    QTest::newRow("then back") << "S-1=1 S-1=2 S2=3 M-1=4 M-1=5 M2=6 S2=3 S-1=2";
    QTest::newRow("no question of that count or form") << "S5=- M3=- S-1=1 M2=6 S2=3";
    QTest::newRow("all at once, stopped and started again") << "M8=all stop M8=all stop";
    QTest::newRow("left after the last question") << "S-1=1 stop S-1=2 stop stop S-1=- M8=-";
    QTest::newRow("left and served again") << "M8=all stop stop M-1=- serve M-1=4 M8=all";
    QTest::newRow("digit answering is no quiz") << "S-1=1 D=- S-1=- M8=-";
}

void TestRf21xQuizFollower::startsOpenThePaperAsTheQuizGoes()
{
    QFETCH(QString, script);
    const QString path = m_dir.filePath("served-key.json");
    QDateTime served = QDateTime::currentDateTimeUtc();
    QVERIFY(writeAnswerKey(path, demoPaperAnswers(), served));
    Rf21xAnswerKey key = Rf21xAnswerKey::read(path);
    Rf21xQuizFollower follower;
    bool first = true;
    for (const QString& step : script.split(' ')) {
        if (step == "stop") {
            follower.stop();
            continue;
        }
        if (step == "serve") {
            served = served.addSecs(60);
            QVERIFY(writeAnswerKey(path, demoPaperAnswers(), served));
            key = Rf21xAnswerKey::read(path);
            first = true;
            continue;
        }
        const QString start = step.section('=', 0, 0);
        const int quizType = start.startsWith('S') ? 2 : start.startsWith('M') ? 3 : 4;
        const int count = start.mid(1).isEmpty() ? -1 : start.mid(1).toInt();
        bool newServing = false;
        const QList<Rf21xAnswerKey::Item> opened = follower.start(key, quizType, count, &newServing);
        QCOMPARE(newServing, first);
        first = false;
        QString seen = opened.isEmpty() ? "-" : QString::number(opened.first().question);
        if (opened.size() == key.items().size())
            seen = "all";
        for (const Rf21xAnswerKey::Item& item : opened)
            QVERIFY(seen == "all" || item.question == opened.first().question);
        QVERIFY2(seen == step.section('=', 1), qPrintable(step + " opened " + seen));
    }
}

QTEST_GUILESS_MAIN(TestRf21xQuizFollower)
#include "TestRf21xQuizFollower.moc"
