#include "AnswerKeyFile.h"
#include "Rf21xSimulator.h"

#include <QTemporaryDir>
#include <QtTest>

using Message = Rf21xSimulator::Message;

// The simulated receiver as the device layer meets it: what a start of answering does to the keypads'
// messages, and how the demo keypads answer and take new numbers.
class TestRf21xSimulator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void startDropsWhatKeypadsSentBefore_data();
    void startDropsWhatKeypadsSentBefore();
    void demoKeypadsAnswerInTheFormAsked_data();
    void demoKeypadsAnswerInTheFormAsked();
    void demoKeypadKeepsItsNewNumber();
    void teacherRemoteOnlyConfirmsItsNumber();
    void demoKeypadsAnswerTheServedPaper_data();
    void demoKeypadsAnswerTheServedPaper();
    void demoKeypadsFollowAQuestionByQuestionQuiz();

private:
    // Takes messages until count have come.
    QList<Message> take(int count);
    int start(int quizType, int count);
    QString numbersFile() const { return m_dir.filePath("rf21x.keypads"); }
    QString keyFile() const { return m_dir.filePath("served-key.json"); }
    // What each keypad answered to each quiz number of one start, after the start.
    QMap<int, QByteArrayList> answersTo(int quizType, int count, int keypads);

    QTemporaryDir m_dir;
    Rf21xSimulator* m_sim = Rf21xSimulator::instance();
    RF21X_DEVICE m_device = nullptr;
};

void TestRf21xSimulator::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_device = m_sim->createDevice(5);
}

void TestRf21xSimulator::init()
{
    m_sim->setNumbersFile(numbersFile());
    m_sim->setAnswerKeyFile(keyFile());
    QFile::remove(keyFile());
    m_sim->reset();
    QVERIFY(m_sim->open(m_device, "hid://", 1, 40));
    // The demo answers come at once; the order among them stays that of their moments.
    m_sim->setAutoAnswerDelay(0, 20);
}

QList<Message> TestRf21xSimulator::take(int count)
{
    QList<Message> taken;
    // Short of count when the deadline passed; the caller's comparison tells.
    (void)QTest::qWaitFor(
        [&] {
            Message message;
            while (taken.size() < count && m_sim->takeMessage(m_device, &message))
                taken << message;
            return taken.size() == count;
        },
        30000);
    return taken;
}

int TestRf21xSimulator::start(int quizType, int count)
{
    return m_sim->startQuiz(m_device, quizType, count, -1, 1);
}

QMap<int, QByteArrayList> TestRf21xSimulator::answersTo(int quizType, int count, int keypads)
{
    QMap<int, QByteArrayList> answers;
    if (!start(quizType, count))
        return answers;
    for (const Message& answer : take(keypads * qMax(1, count)))
        answers[answer.quizNumber] << answer.data;
    return answers;
}

// A receiver that starts answering forgets what keypads sent before; teacher keys and set-id replies stay.
void TestRf21xSimulator::startDropsWhatKeypadsSentBefore_data()
{
    QTest::addColumn<int>("startResult");
    QTest::addColumn<QList<int>>("kept"); // message types, in order
    QTest::newRow("start taken") << 1 << QList<int>({ 1, 3 });
    QTest::newRow("start refused") << 0 << QList<int>({ 2, 1, 2, 3, 2 });
}

void TestRf21xSimulator::startDropsWhatKeypadsSentBefore()
{
    QFETCH(int, startResult);
    QFETCH(QList<int>, kept);
    m_sim->setResult("startQuiz", startResult);
    QVERIFY(m_sim->pushKey(1, "A"));
    QVERIFY(m_sim->pushTeacherKey("ok"));
    QVERIFY(m_sim->pushRush(2));
    QVERIFY(m_sim->pushSetIdReply("Success"));
    QVERIFY(m_sim->pushKey(3, "B"));
    QCOMPARE(start(2, -1), startResult);
    QList<int> types;
    for (const Message& message : take(m_sim->pendingMessages()))
        types << message.type;
    QCOMPARE(types, kept);
    // What comes after the start is kept.
    QVERIFY(m_sim->pushKey(4, "C"));
    QCOMPARE(take(1).value(0).keypadId, 4);
}

void TestRf21xSimulator::demoKeypadsAnswerInTheFormAsked_data()
{
    QTest::addColumn<int>("quizType");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("cardKeys"); // what most answers are made of
    QTest::addColumn<bool>("bothForms"); // one letter and several
    QTest::newRow("single choice and the cards") << 2 << -1 << "^[A-D]$"
                                                 << "^[AB]$" << false;
    QTest::newRow("single choice, three items") << 2 << 3 << "^[A-D]$"
                                                << "" << false;
    QTest::newRow("multiple choice") << 3 << -1 << "^(?=..)A?B?C?D?$"
                                     << "" << false;
    QTest::newRow("all-at-once quiz of three") << 3 << 3 << "^(?=.)A?B?C?D?$"
                                               << "" << true;
    QTest::newRow("digits") << 4 << -1 << "^[0-9]{1,2}$"
                            << "" << false;
}

void TestRf21xSimulator::demoKeypadsAnswerInTheFormAsked()
{
    QFETCH(int, quizType);
    QFETCH(int, count);
    QFETCH(QString, form);
    QFETCH(QString, cardKeys);
    QFETCH(bool, bothForms);
    const int keypads = 200;
    m_sim->setAutoKeypads(keypads);
    QVERIFY(start(quizType, count));
    const int questions = qMax(1, count);
    QCOMPARE(m_sim->scheduledMessages(), keypads * questions);
    QMap<int, QSet<int>> questionsByKeypad;
    int onCardKeys = 0;
    QSet<bool> severalLetters;
    for (const Message& answer : take(keypads * questions)) {
        QCOMPARE(answer.type, int(Rf21xSimulator::KeypadMessage));
        QVERIFY2(QRegularExpression(form).match(QString::fromLatin1(answer.data)).hasMatch(), answer.data.constData());
        onCardKeys += QRegularExpression(cardKeys).match(QString::fromLatin1(answer.data)).hasMatch() ? 1 : 0;
        questionsByKeypad[answer.keypadId].insert(answer.quizNumber);
        severalLetters.insert(answer.data.size() > 1);
    }
    // Keypads 1 to N answer each question once.
    QCOMPARE(questionsByKeypad.size(), keypads);
    QCOMPARE(questionsByKeypad.firstKey(), 1);
    QCOMPARE(questionsByKeypad.last().size(), questions);
    if (!cardKeys.isEmpty())
        QVERIFY2(onCardKeys * 100 > keypads * 85, qPrintable(QString::number(onCardKeys)));
    if (quizType != 4)
        QCOMPARE(severalLetters.size() == 2, bothForms);
}

// A demo keypad given a number presses once answering starts again, before the others answer, and answers
// under that number from then on: after the demo keypads were stopped and started, and in the next run.
void TestRf21xSimulator::demoKeypadKeepsItsNewNumber()
{
    const int student = 2024080101;
    m_sim->setAutoKeypads(2);
    QVERIFY(m_sim->setKeypadId(m_device, student));
    const QList<Message> reply = take(1);
    QCOMPARE(reply.value(0).type, int(Rf21xSimulator::SetIdReply));
    QCOMPARE(reply.value(0).data, QByteArray("Success"));
    QCOMPARE(m_sim->scheduledMessages(), 0);

    // The binding screen stops and starts answering, then waits for the press.
    QVERIFY(m_sim->stopQuiz(m_device));
    QVERIFY(start(2, -1));
    const QList<Message> first = take(4);
    QCOMPARE(first.value(0).keypadId, student);
    QVERIFY(QRegularExpression("^[A-D]$").match(QString::fromLatin1(first.value(0).data)).hasMatch());
    QSet<int> answered;
    for (const Message& answer : first.mid(1))
        answered.insert(answer.keypadId);
    QCOMPARE(answered, QSet<int>({ 1, 2, student }));

    m_sim->setAutoKeypads(0);
    m_sim->setAutoKeypads(2);
    QVERIFY(start(3, 2));
    QCOMPARE(m_sim->scheduledMessages(), 6);
    QVERIFY(m_sim->stopQuiz(m_device));

    QFile numbers(numbersFile());
    QVERIFY(numbers.open(QIODevice::ReadOnly));
    QCOMPARE(numbers.readAll(), QByteArray("2024080101\n"));
    numbers.close();
    // The next run: the simulator starts afresh and finds the numbers kept.
    m_sim->reset();
    QVERIFY(!QFile::exists(numbersFile()));
    QVERIFY(numbers.open(QIODevice::WriteOnly));
    numbers.write("77\n");
    numbers.close();
    m_sim->setNumbersFile(m_dir.filePath("other.keypads"));
    m_sim->setNumbersFile(numbersFile());
    QVERIFY(m_sim->open(m_device, "hid://", 1, 40));
    m_sim->setAutoAnswerDelay(0, 20);
    m_sim->setAutoKeypads(2);
    QVERIFY(start(2, -1));
    answered.clear();
    for (const Message& answer : take(3))
        answered.insert(answer.keypadId);
    QCOMPARE(answered, QSet<int>({ 1, 2, 77 }));
}

void TestRf21xSimulator::teacherRemoteOnlyConfirmsItsNumber()
{
    m_sim->setAutoKeypads(2);
    QVERIFY(m_sim->setKeypadId(m_device, 0));
    QCOMPARE(take(1).value(0).data, QByteArray("Success"));
    QVERIFY(start(2, -1));
    QCOMPARE(m_sim->scheduledMessages(), 2);
    QVERIFY(!QFile::exists(numbersFile()));
}

// The all-at-once quiz on the paper the local web service served: one letter for an item that asks for one,
// most items right for half of the class or more, one or two mostly wrong. A key served before the receiver
// came up, or a quiz that was left, is answered as without the key.
void TestRf21xSimulator::demoKeypadsAnswerTheServedPaper_data()
{
    QTest::addColumn<int>("servedSecondsAgo");
    QTest::addColumn<bool>("leftBefore");
    QTest::addColumn<bool>("keyed");
    QTest::newRow("served now") << 0 << false << true;
    QTest::newRow("served before the receiver came up") << 60 << false << false;
    QTest::newRow("quiz left") << 0 << true << false;
}

void TestRf21xSimulator::demoKeypadsAnswerTheServedPaper()
{
    QFETCH(int, servedSecondsAgo);
    QFETCH(bool, leftBefore);
    QFETCH(bool, keyed);
    const QStringList key { "B", "C", "A", "D", "AC", "BCD", "AC", "B" };
    QVERIFY(writeAnswerKey(keyFile(), demoPaperAnswers(), QDateTime::currentDateTimeUtc().addSecs(-servedSecondsAgo)));
    const int keypads = 10;
    m_sim->setAutoKeypads(keypads);
    if (leftBefore) {
        QCOMPARE(answersTo(3, 8, keypads).size(), 8);
        QVERIFY(m_sim->stopQuiz(m_device));
        QVERIFY(m_sim->stopQuiz(m_device));
    }
    const QMap<int, QByteArrayList> answers = answersTo(3, 8, keypads);
    QCOMPARE(answers.size(), 8);
    int severalOnOneLetterItems = 0;
    int mostlyRight = 0;
    for (int item = 1; item <= 8; ++item) {
        const QByteArray right = key.at(item - 1).toLatin1();
        for (const QByteArray& given : answers.value(item))
            severalOnOneLetterItems += right.size() == 1 && given.size() > 1 ? 1 : 0;
        mostlyRight += answers.value(item).count(right) >= keypads / 2 ? 1 : 0;
    }
    QCOMPARE(severalOnOneLetterItems == 0, keyed);
    if (keyed)
        QVERIFY2(mostlyRight >= 6 && mostlyRight < 8, qPrintable(QString::number(mostlyRight)));
}

// Question by question, each start gets the answers of the question it opens: a question of two one-letter
// items gets one letter for each, numbered by its items.
void TestRf21xSimulator::demoKeypadsFollowAQuestionByQuestionQuiz()
{
    QVERIFY(writeAnswerKey(keyFile(), { "B", "A|D", "AC|B", "C|D|A" }));
    const int keypads = 40;
    m_sim->setAutoKeypads(keypads);
    const QList<QPair<int, int>> starts { { 2, -1 }, { 2, 2 }, { 3, 2 }, { 2, 3 } };
    for (const auto& started : starts) {
        const QMap<int, QByteArrayList> answers = answersTo(started.first, started.second, keypads);
        QCOMPARE(answers.keys().size(), qMax(1, started.second));
        for (int item : answers.keys()) {
            // Only the first item of the third question asks for several letters.
            const bool several = started.first == 3 && item == 1;
            for (const QByteArray& given : answers.value(item))
                QVERIFY2(several || given.size() == 1, given.constData());
        }
        QVERIFY(m_sim->stopQuiz(m_device));
    }
}

QTEST_GUILESS_MAIN(TestRf21xSimulator)
#include "TestRf21xSimulator.moc"
