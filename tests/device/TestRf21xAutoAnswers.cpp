#include "AnswerKeyFile.h"
#include "Rf21xAutoAnswers.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// How the demo keypads' answers spread: a favourite most agree on, the keys the feedback cards read, a share
// right though the key is not known, and with the key of a quiz's paper most items partly right and some
// mostly wrong. The form of each answer without the key is tested through the simulator.
class TestRf21xAutoAnswers : public QObject
{
    Q_OBJECT

private slots:
    void mostKeypadsAgreeButNotAll_data();
    void mostKeypadsAgreeButNotAll();
    void singleChoiceKeepsToTheCardKeys();
    void keyedItemsAreSometimesMostlyRight_data();
    void keyedItemsAreSometimesMostlyRight();
    void quizOnAKeyIsPartlyRight_data();
    void quizOnAKeyIsPartlyRight();
    void quizStartedAgainIsAnsweredAlike();

private:
    // answers[start][question] lists what each keypad answered.
    QList<QList<QByteArrayList>> answer(int quizType, int count, int starts, int keypads);

    QRandomGenerator m_random { 20240801 };
};

QList<QList<QByteArrayList>> TestRf21xAutoAnswers::answer(int quizType, int count, int starts, int keypads)
{
    Rf21xAutoAnswers answers(&m_random);
    QList<QList<QByteArrayList>> all;
    for (int start = 0; start < starts; ++start) {
        answers.plan(quizType, count);
        QList<QByteArrayList> questions;
        for (int question = 1; question <= answers.questions(); ++question) {
            QByteArrayList given;
            for (int keypad = 0; keypad < keypads; ++keypad)
                given << answers.answer(question);
            questions << given;
        }
        all << questions;
    }
    return all;
}

// Each question has an answer that most keypads give, and some give other answers.
void TestRf21xAutoAnswers::mostKeypadsAgreeButNotAll_data()
{
    QTest::addColumn<int>("quizType");
    QTest::addColumn<int>("count");
    QTest::newRow("single choice") << 2 << -1;
    QTest::newRow("single choice, three items") << 2 << 3;
    QTest::newRow("multiple choice") << 3 << -1;
    QTest::newRow("digits") << 4 << -1;
}

void TestRf21xAutoAnswers::mostKeypadsAgreeButNotAll()
{
    QFETCH(int, quizType);
    QFETCH(int, count);
    const int keypads = 100;
    for (const QList<QByteArrayList>& start : answer(quizType, count, 30, keypads)) {
        for (const QByteArrayList& given : start) {
            QMap<QByteArray, int> counts;
            for (const QByteArray& one : given)
                ++counts[one];
            const int most = *std::max_element(counts.cbegin(), counts.cend());
            QVERIFY2(most >= keypads * 4 / 10 && most < keypads * 9 / 10, qPrintable(QString::number(most)));
            QVERIFY(counts.size() >= 3);
        }
    }
}

// Yes/no reads A and B, a vote A to C, an evaluation A to E: little of what keypads send is "其他" on any card.
void TestRf21xAutoAnswers::singleChoiceKeepsToTheCardKeys()
{
    QMap<QByteArray, int> counts;
    QMap<QByteArray, int> favourites;
    int total = 0;
    for (const QList<QByteArrayList>& start : answer(2, -1, 300, 10)) {
        QMap<QByteArray, int> own;
        for (const QByteArray& one : start.first()) {
            ++counts[one];
            ++own[one];
            ++total;
        }
        ++favourites[own.key(*std::max_element(own.cbegin(), own.cend()))];
    }
    const auto share = [&](const QByteArray& letter) { return counts.value(letter) * 100.0 / total; };
    QVERIFY2(share("C") + share("D") < 12, qPrintable(QString::number(share("C") + share("D"))));
    QVERIFY2(share("D") < 5, qPrintable(QString::number(share("D"))));
    QVERIFY(share("C") > 0);
    // Either key of the yes/no card is the favourite of many starts.
    QVERIFY(favourites.value("A") > 100 && favourites.value("B") > 100);
}

// The key is not known, yet for an item asked with one letter or several, some starts get it mostly right
// and the share right over many starts is not far from a class that guesses.
void TestRf21xAutoAnswers::keyedItemsAreSometimesMostlyRight_data()
{
    QTest::addColumn<int>("quizType");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("minMeanPercent");
    QTest::newRow("single choice, one letter") << 2 << -1 << QByteArray("B") << 20;
    QTest::newRow("single choice, item of three") << 2 << 3 << QByteArray("C") << 18;
    QTest::newRow("multiple choice") << 3 << -1 << QByteArray("AC") << 5;
    QTest::newRow("all-at-once quiz, one letter") << 3 << 8 << QByteArray("D") << 12;
}

void TestRf21xAutoAnswers::keyedItemsAreSometimesMostlyRight()
{
    QFETCH(int, quizType);
    QFETCH(int, count);
    QFETCH(QByteArray, key);
    QFETCH(int, minMeanPercent);
    const int keypads = 10;
    const int starts = 400;
    int right = 0;
    int mostlyRight = 0;
    for (const QList<QByteArrayList>& start : answer(quizType, count, starts, keypads)) {
        const int own = int(start.last().count(key));
        right += own;
        mostlyRight += own * 10 >= keypads * 4 ? 1 : 0;
    }
    QVERIFY2(right * 100 >= minMeanPercent * keypads * starts, qPrintable(QString::number(right)));
    QVERIFY2(mostlyRight >= starts / 20, qPrintable(QString::number(mostlyRight)));
}

void TestRf21xAutoAnswers::quizOnAKeyIsPartlyRight_data()
{
    QTest::addColumn<QStringList>("paper");
    QTest::addColumn<QStringList>("forms"); // of each item's answers
    QTest::newRow("demo paper") << demoPaperAnswers()
                                << QStringList { "^[A-D]$",         "^[A-D]$",         "^[A-D]$",         "^[A-D]$",
                                                 "^(?=.)A?B?C?D?$", "^(?=.)A?B?C?D?$", "^(?=.)A?B?C?D?$", "^[A-D]$" };
    QTest::newRow("numbers and letters") << QStringList { "12", "7|B", "305", "E", "A|BD" }
                                         << QStringList { "^[1-9][0-9]$",    "^[0-9]$", "^[A-D]$",
                                                          "^[1-9][0-9]{2}$", "^[A-E]$", "^[A-D]$",
                                                          "^(?=.)A?B?C?D?$" };
}

// Over many servings of a paper to a class of ten: each item is answered in its own form, most items are
// right for 40 to 80 % of the class, a few are mostly wrong, and none is right or wrong for everyone often.
void TestRf21xAutoAnswers::quizOnAKeyIsPartlyRight()
{
    QFETCH(QStringList, paper);
    QFETCH(QStringList, forms);
    QTemporaryDir dir;
    QVERIFY(writeAnswerKey(dir.filePath("key.json"), paper));
    const QList<Rf21xAnswerKey::Item> items = Rf21xAnswerKey::read(dir.filePath("key.json")).items();
    QCOMPARE(items.size(), forms.size());
    const int keypads = 10;
    const int servings = 300;
    Rf21xAutoAnswers answers(&m_random);
    int partly = 0;
    int mostlyWrong = 0;
    int everyone = 0;
    int right = 0;
    for (int serving = 0; serving < servings; ++serving) {
        answers.learnKey(items);
        answers.plan(items, keypads);
        QCOMPARE(answers.questions(), items.size());
        int servingMostlyWrong = 0;
        for (int i = 0; i < items.size(); ++i) {
            int own = 0;
            for (int keypad = 0; keypad < keypads; ++keypad) {
                const QByteArray given = answers.answer(i + 1);
                QVERIFY2(QRegularExpression(forms.at(i)).match(QString::fromLatin1(given)).hasMatch(),
                         given.constData());
                own += given == items.at(i).answer ? 1 : 0;
            }
            right += own;
            partly += own >= 4 && own <= 8 ? 1 : 0;
            servingMostlyWrong += own <= 3 ? 1 : 0;
            everyone += own == 0 || own == keypads ? 1 : 0;
        }
        QVERIFY2(servingMostlyWrong >= 1 && servingMostlyWrong * 2 < items.size(),
                 qPrintable(QString::number(servingMostlyWrong)));
        mostlyWrong += servingMostlyWrong;
    }
    const int total = servings * items.size();
    QVERIFY2(partly * 100 >= total * 65, qPrintable(QString::number(partly)));
    QVERIFY2(mostlyWrong * 100 <= total * 35, qPrintable(QString::number(mostlyWrong)));
    QVERIFY2(everyone * 100 <= total * 10, qPrintable(QString::number(everyone)));
    QVERIFY2(right * 100 >= total * keypads * 45 && right * 100 <= total * keypads * 65,
             qPrintable(QString::number(right)));
}

// A quiz started again after a stop, or one question of it started on its own, keeps each item's favourite:
// the answer most keypads gave before is what most give again.
void TestRf21xAutoAnswers::quizStartedAgainIsAnsweredAlike()
{
    QTemporaryDir dir;
    QVERIFY(writeAnswerKey(dir.filePath("key.json"), demoPaperAnswers()));
    const QList<Rf21xAnswerKey::Item> items = Rf21xAnswerKey::read(dir.filePath("key.json")).items();
    const int keypads = 100;
    Rf21xAutoAnswers answers(&m_random);
    const auto favourites = [&](const QList<Rf21xAnswerKey::Item>& opened) {
        answers.plan(opened, keypads);
        QList<QByteArray> most;
        for (int i = 1; i <= opened.size(); ++i) {
            QMap<QByteArray, int> counts;
            for (int keypad = 0; keypad < keypads; ++keypad)
                ++counts[answers.answer(i)];
            most << counts.key(*std::max_element(counts.cbegin(), counts.cend()));
        }
        return most;
    };
    for (int serving = 0; serving < 50; ++serving) {
        answers.learnKey(items);
        const QList<QByteArray> first = favourites(items);
        QCOMPARE(favourites(items), first);
        QCOMPARE(favourites(items.mid(6)), first.mid(6));
    }
}

QTEST_GUILESS_MAIN(TestRf21xAutoAnswers)
#include "TestRf21xAutoAnswers.moc"
