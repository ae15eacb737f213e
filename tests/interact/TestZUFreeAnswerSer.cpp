#include "ZUFreeActSer.h"
#include "ZUFreeAnswerSer.h"
#include "ZUFreeRushSer.h"
#include "ZUInteractReportSer.h"

#include <QtTest>

// The counting, ordering and table rules of free interactions, without a screen or a database.
class TestZUFreeAnswerSer : public QObject
{
    Q_OBJECT

private slots:
    void answersAreNormalisedByType_data();
    void answersAreNormalisedByType();
    void oneAnswerPerKeypadOfTheClass();
    void graphBarsFollowCounts_data();
    void graphBarsFollowCounts();
    void listRowsOrderAndAnonymity();
    void rushKeepsFirstPressPerKeypad();
    void barCentreAndQuickStarts_data();
    void barCentreAndQuickStarts();
    void menuClosesAfterThreeTicks();
    void reportTables();
};

namespace {

QMap<QString, StudentInfoRow> classOf(int n, QMap<QString, QString>* snMap)
{
    QMap<QString, StudentInfoRow> students;
    for (int i = 1; i <= n; ++i) {
        StudentInfoRow s;
        s.dovaneID = QString("D%1").arg(i, 2, 10, QLatin1Char('0'));
        s.name = QString("S%1").arg(i);
        s.sn = QString::number(i);
        students.insert(s.dovaneID, s);
        snMap->insert(s.sn, s.dovaneID);
    }
    return students;
}

StudentInfo key(int keypad, const QString& data)
{
    return StudentInfo { keypad, 1, 0, data };
}

// Keypad i answers answers[i - 1].
ZUFreeAnswerSer answered(int type, const QStringList& answers, const QMap<QString, QString>& snMap)
{
    ZUFreeAnswerSer ser;
    ser.begin(type);
    for (int i = 0; i < answers.size(); ++i)
        ser.accept(key(i + 1, answers.at(i)), snMap, "2026-01-05 08:01:00");
    return ser;
}

QStringList colourNames(const QVector<QColor>& colours)
{
    QStringList names;
    for (const QColor& c : colours)
        names << c.name();
    return names;
}

} // namespace

void TestZUFreeAnswerSer::answersAreNormalisedByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("stored"); // empty: not counted

    QTest::newRow("multiple choice DBAB") << 1 << "DBAB"
                                          << "ABD";
    QTest::newRow("single choice BA") << 0 << "BA"
                                      << "AB";
    QTest::newRow("digit 21 stays") << 2 << "21"
                                    << "21";
    QTest::newRow("digit 12 stays") << 2 << "12"
                                    << "12";
    QTest::newRow("vote letter") << 5 << "C"
                                 << "C";
    QTest::newRow("empty text") << 0 << ""
                                << "";
    QTest::newRow("blank text") << 1 << "   "
                                << "";
    QTest::newRow("rush press") << 0 << "Rush"
                                << "";
    QTest::newRow("lower case") << 0 << "a"
                                << "";
    QTest::newRow("decimal digit answer kept as sent") << 2 << "3.5"
                                                       << "3.5";
    QTest::newRow("negative digit answer kept as sent") << 2 << "-2"
                                                        << "-2";
    QTest::newRow("digit answer of 32 characters") << 2 << QString(32, '7') << QString(32, '7');
    QTest::newRow("control character in a digit answer") << 2 << "3\n"
                                                         << "";
    QTest::newRow("digit answer of 33 characters") << 2 << QString(33, '7') << "";
    QTest::newRow("choice of 32 letters") << 1 << QString(32, 'B') << "B";
    QTest::newRow("overlong text") << 1 << QString(33, 'A') << "";
    // A rush press is no answer in any type, digit answers taken as sent included.
    QTest::newRow("rush press in a digit interaction") << 2 << "Rush"
                                                       << "";
    QTest::newRow("rush press in a multiple choice") << 1 << "Rush"
                                                     << "";
    QTest::newRow("rush press in a vote") << 5 << "Rush"
                                          << "";
}

void TestZUFreeAnswerSer::answersAreNormalisedByType()
{
    QFETCH(int, type);
    QFETCH(QString, sent);
    QFETCH(QString, stored);
    QMap<QString, QString> snMap { { "3", "D03" } };
    ZUFreeAnswerSer ser;
    ser.begin(type);
    QCOMPARE(ser.accept(key(3, sent), snMap, "t"), !stored.isEmpty());
    QCOMPARE(ser.answers().value("3").answer, stored);
}

void TestZUFreeAnswerSer::oneAnswerPerKeypadOfTheClass()
{
    QMap<QString, QString> snMap;
    classOf(3, &snMap);
    ZUFreeAnswerSer ser;
    ser.begin(ZUFreeAnswerSer::Multiple);
    ser.accept(key(2, "B"), snMap, "08:01");
    ser.accept(key(2, "AC"), snMap, "08:02");
    ser.accept(key(2, "CA"), snMap, "08:03");
    QVERIFY(!ser.accept(key(9, "A"), snMap, "08:04")); // no student of the class
    ser.accept(key(1, "D"), snMap, "08:05");
    QCOMPARE(ser.count(), 2);
    QCOMPARE(ser.answers().value("2").answer, QString("AC"));
    QCOMPARE(ser.answers().value("2").time, QString("08:03"));

    const QList<StuResultRow> rows = ser.resultRows(41, snMap);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).dovaneID, QString("D01"));
    QCOMPARE(rows.at(1).result, QString("AC"));
    QCOMPARE(rows.at(1).interactID, 41);

    ser.begin(ZUFreeAnswerSer::Single);
    QCOMPARE(ser.count(), 0);
}

void TestZUFreeAnswerSer::graphBarsFollowCounts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("classSize");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QStringList>("colours");

    QTest::newRow("everybody A") << 0 << 3 << QStringList { "A", "A", "A" } << QStringList { "A" }
                                 << QList<double> { 3 } << QStringList { "#54cf79" };
    QStringList tenEight;
    for (int i = 0; i < 18; ++i)
        tenEight << (i < 10 ? "A" : "B");
    QTest::newRow("10 A, 8 B of 30") << 0 << 30 << tenEight << QStringList { "未作答", "B", "A" }
                                     << QList<double> { 12, 8, 10 } << QStringList { "#e7e7e7", "#f9ce61", "#54cf79" };
    QStringList digits;
    for (int value = 7; value >= 1; --value) {
        for (int i = 0; i < value; ++i)
            digits << QString::number(value);
    }
    QTest::newRow("seven digit answers") << 2 << 28 << digits << QStringList { "其他", "3", "4", "5", "6", "7" }
                                         << QList<double> { 3, 3, 4, 5, 6, 7 }
                                         << QStringList { "#e281ba", "#66d4ff", "#8591e5",
                                                          "#f98c50", "#f9ce61", "#54cf79" };
    QTest::newRow("vote all D") << 5 << 4 << QStringList { "D", "D", "D", "D" } << QStringList { "其他" }
                                << QList<double> { 4 } << QStringList { "#e281ba" };
    QTest::newRow("feedback unanswered caption") << 6 << 3 << QStringList { "A" } << QStringList { "未参与", "是" }
                                                 << QList<double> { 2, 1 } << QStringList { "#e7e7e7", "#54cf79" };
}

void TestZUFreeAnswerSer::graphBarsFollowCounts()
{
    QFETCH(int, type);
    QFETCH(int, classSize);
    QFETCH(QStringList, answers);
    QMap<QString, QString> snMap;
    const QMap<QString, StudentInfoRow> students = classOf(classSize, &snMap);
    const FreeGraphBars bars = answered(type, answers, snMap).graphBars(students);
    QFETCH(QStringList, names);
    QCOMPARE(bars.names.toList(), names);
    QFETCH(QList<double>, values);
    QCOMPARE(bars.values.toList(), values);
    QFETCH(QStringList, colours);
    QCOMPARE(colourNames(bars.colours), colours);
}

void TestZUFreeAnswerSer::listRowsOrderAndAnonymity()
{
    QMap<QString, QString> snMap;
    const QMap<QString, StudentInfoRow> students = classOf(25, &snMap);
    QStringList answers;
    for (int i = 0; i < 20; ++i)
        answers << (i < 8 ? "A" : "B");
    const ZUFreeAnswerSer ser = answered(ZUFreeAnswerSer::Single, answers, snMap);

    // Bottom row first: the window builds them upwards, so "B" (12) ends at the top.
    FreeListRows rows = ser.listRows(students, snMap, false, true);
    QCOMPARE(rows.options.toList(), QStringList({ "未作答", "A", "B" }));
    QCOMPARE(rows.names.at(0).size(), 5);
    QCOMPARE(rows.names.at(1).first(), QString("S8")); // reverse of keypad text order
    QCOMPARE(ser.listRows(students, snMap, false, false).options.toList(), QStringList({ "A", "B" }));

    const ZUFreeAnswerSer vote = answered(ZUFreeAnswerSer::Vote, { "A", "B", "B", "X" }, snMap);
    rows = vote.listRows(students, snMap, true, true);
    QCOMPARE(rows.options.toList(), QStringList({ "未参与", "其他", "同意", "不同意" }));
    QCOMPARE(rows.names.at(3), QStringList({ QString(), QString() }));
}

void TestZUFreeAnswerSer::rushKeepsFirstPressPerKeypad()
{
    QMap<QString, QString> snMap;
    const QMap<QString, StudentInfoRow> students = classOf(4, &snMap);
    ZUFreeRushSer rush;
    rush.begin();
    QCOMPARE(rush.accept(key(3, "Rush"), snMap, "t1"), ZUFreeRushSer::Won);
    QCOMPARE(rush.accept(key(3, "Rush"), snMap, "t2"), ZUFreeRushSer::Ignored);
    QCOMPARE(rush.accept(key(1, "A"), snMap, "t2"), ZUFreeRushSer::Ignored);
    QCOMPARE(rush.accept(key(9, "Rush"), snMap, "t2"), ZUFreeRushSer::Ignored);
    QCOMPARE(rush.accept(key(1, "Rush"), snMap, "t3"), ZUFreeRushSer::Joined);
    QCOMPARE(rush.accept(key(2, "Rush"), snMap, "t4"), ZUFreeRushSer::Joined);

    const QList<StuResultRow> rows = rush.resultRows(5, snMap);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).dovaneID + rows.at(0).result + rows.at(0).createDate, QString("D031t1"));
    QCOMPARE(rows.at(1).dovaneID + rows.at(1).result + rows.at(1).createDate, QString("D010t3"));
    QCOMPARE(rows.at(2).result, QString("0"));

    const FreeListRows list = rush.listRows(students, snMap);
    QCOMPARE(list.options.toList(), QStringList({ "未参与", "参与抢答", "抢答成功" }));
    QCOMPARE(list.names.toList(), QList<QStringList>({ { "S4" }, { "S1", "S2" }, { "S3" } }));
    rush.begin();
    QCOMPARE(rush.listRows(students, snMap).options.toList(), QStringList("未参与"));
}

void TestZUFreeAnswerSer::barCentreAndQuickStarts_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("quick");
    QTest::addColumn<int>("centre");

    using C = ZUFreeActSer::Centre;
    QTest::newRow("collapsed") << 0 << false << int(C::OpenMenu);
    QTest::newRow("menu") << 1 << false << int(C::CloseMenu);
    QTest::newRow("running") << 2 << true << int(C::Nothing);
    QTest::newRow("rush running") << 3 << false << int(C::Nothing);
    QTest::newRow("ended") << 4 << false << int(C::CloseToMenu);
    QTest::newRow("ended quick") << 4 << true << int(C::CloseQuick);
    QTest::newRow("rush ended quick") << 5 << true << int(C::CloseQuick);
    QTest::newRow("picking") << 6 << false << int(C::Nothing);
}

void TestZUFreeAnswerSer::barCentreAndQuickStarts()
{
    QFETCH(int, state);
    QFETCH(bool, quick);
    ZUFreeActSer ser;
    ser.setState(state);
    ser.setQuickStart(quick);
    QFETCH(int, centre);
    QCOMPARE(int(ser.centreAction()), centre);
    QCOMPARE(ser.collapseTimerActive(), state == ZUFreeActSer::Menu);

    using Q = ZUFreeActSer::Quick;
    const QList<Q> answer { Q::OpenMenu, Q::Single, Q::Multiple, Q::Digit, Q::Rush, Q::Random };
    for (int i = 0; i < answer.size(); ++i)
        QCOMPARE(ZUFreeActSer::quickAnswer(QString::number(i)), answer.at(i));
    QCOMPARE(ZUFreeActSer::quickAnswer("6"), Q::Nothing);
    QCOMPARE(ZUFreeActSer::quickAnswer(""), Q::Nothing);
    QCOMPARE(ZUFreeActSer::quickFeedback("0"), Q::OpenMenu);
    QCOMPARE(ZUFreeActSer::quickFeedback("3"), Q::Evaluate);
    QCOMPARE(ZUFreeActSer::quickFeedback("4"), Q::Nothing);
}

void TestZUFreeAnswerSer::menuClosesAfterThreeTicks()
{
    ZUFreeActSer ser;
    QSignalSpy due(&ser, &ZUFreeActSer::collapseDue);
    ser.setState(ZUFreeActSer::Menu);
    QCOMPARE(ser.countdown(), 3);
    QMetaObject::invokeMethod(&ser, "__resetTimeOut");
    QMetaObject::invokeMethod(&ser, "__resetTimeOut");
    QCOMPARE(due.count(), 0);
    QMetaObject::invokeMethod(&ser, "__resetTimeOut");
    QCOMPARE(due.count(), 1);
    QVERIFY(!ser.collapseTimerActive());
}

void TestZUFreeAnswerSer::reportTables()
{
    QMap<QString, QString> snMap;
    const QMap<QString, StudentInfoRow> students = classOf(30, &snMap);
    auto row = [](int id, int type, const QString& answer) {
        InteractInfoRow r;
        r.interactID = id;
        r.answerType = type;
        r.answer = answer;
        return r;
    };
    auto results = [](const QList<QPair<QString, QString>>& idResult) {
        QList<StuResultRow> rows;
        for (const auto& p : idResult)
            rows.append(StuResultRow { 0, 0, p.first, QString(), p.second, false });
        return rows;
    };
    const QList<InteractInfoRow> interactions
        = { row(1, 0, "B"), row(2, 1, "-1"), row(3, 5, "-1"), row(4, 4, ""), row(5, 6, ""), row(6, 3, "1") };
    QMap<int, QList<StuResultRow>> byId;
    byId.insert(1, results({ { "D01", "B" }, { "D02", "B" }, { "D03", "A" }, { "D04", "B" } }));
    byId.insert(2, results({ { "D01", "AB" }, { "D02", "AB" }, { "D03", "AB" }, { "D04", "C" }, { "D05", "C" } }));
    byId.insert(3, results({ { "D01", "A" }, { "D02", "A" }, { "D03", "C" }, { "D04", "D" } }));
    byId.insert(4, results({ { "D05", "" } }));
    byId.insert(5, results({ { "D06", "A" }, { "D07", "A" } }));
    byId.insert(6, results({ { "D03", "1" }, { "D01", "0" } }));
    const InteractReport report = ZUInteractReportSer::build(interactions, byId, students, 30);

    const QString n = ZUInteractReportSer::none();
    QCOMPARE(report.answers.size(), 4);
    QCOMPARE(report.answers.at(0), QStringList({ "  1", "  单项选择", "  4", "  3", "  26" }));
    QCOMPARE(report.answers.at(1), QStringList({ "  2", "  多项选择", "  5", n, "  25" }));
    QCOMPARE(report.answers.at(2), QStringList({ "  3", "  随机选人", "  1", n, "  0" }));
    QCOMPARE(report.answers.at(3), QStringList({ "  4", "  抢答", "  2", "  1", "  28" }));
    QCOMPARE(report.feedback.at(0), QStringList({ "  1", "  表决", "  4", "  2", "  0", "  1", n, n, "  1", "  26" }));
    QCOMPARE(report.feedback.at(1), QStringList({ "  2", "  是否", "  2", "  2", "  0", n, n, n, "  0", "  28" }));

    // D01: 1 like, 3 answers; D02: 1 like, 2; D04: 1 like, 2; D03: 1 like (rush), 3; D05: 0 likes, 2 (pick).
    QCOMPARE(report.ranking.size(), 30);
    QCOMPARE(report.ranking.at(0), QStringList({ "  1", "  S1", "  1", "  3" }));
    QCOMPARE(report.ranking.at(1), QStringList({ "  1", "  S3", "  1", "  3" }));
    QCOMPARE(report.ranking.at(2), QStringList({ "  3", "  S2", "  1", "  2" }));
    QCOMPARE(report.ranking.at(3), QStringList({ "  3", "  S4", "  1", "  2" }));
    QCOMPARE(report.ranking.at(4), QStringList({ "  5", "  S5", "  0", "  2" }));
    QCOMPARE(report.ranking.last().at(2) + report.ranking.last().at(3), QString("  0  0"));
}

QTEST_GUILESS_MAIN(TestZUFreeAnswerSer)
#include "TestZUFreeAnswerSer.moc"
