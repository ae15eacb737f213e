#include "InteractTestSupport.h"
#include "ZUFreeStuList.h"

#include <QTableView>

using namespace InteractTestSupport;

// The answered and unanswered lists as keypads come in: a new sender moves from one grid to the other in place,
// and what the grids, head counts and heights show is what building them afresh shows.
class TestZUFreeStuList : public QObject
{
    Q_OBJECT

    ZUFreeStuList* m_lists = nullptr;

    static QString grid(const QTableView* table)
    {
        const QAbstractItemModel* model = table->model();
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < model->columnCount(); ++c)
                row << model->index(r, c).data().toString();
            rows << row.join(',');
        }
        return rows.join('/');
    }
    QString shown() const
    {
        return QString("%1 %2 | %3 %4 | %5")
            .arg(m_lists->answeredCountText(), grid(m_lists->answeredTable()), m_lists->unansweredCountText(),
                 grid(m_lists->unansweredTable()), QString::number(m_lists->answeredPartHeight()));
    }
    void send(int keypad) { m_lists->ReceiveStudentData(StudentInfo { keypad, 1, 0, "A" }); }

private slots:
    void initTestCase() { m_lists = ZUFreeStuList::getInstance(); }

    void sendersMoveAcrossAsAFreshBuildShowsThem_data()
    {
        QTest::addColumn<int>("students");
        QTest::addColumn<int>("keypads");
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<QString>("expected");

        QTest::newRow("in keypad order") << 7 << 7 << QList<int> { 1, 2, 3, 4, 5, 6 }
                                         << "6人 S1,S2,S3,S4,S5/S6,,,, | 1人 S7,,,, | 100";
        QTest::newRow("out of order, again and from outside the class")
            << 13 << 12 << QList<int> { 9, 2, 12, 2, 40, 5, 1, 11, 3, 10, 4, 6, 8, 7 }
            << "12人 S1,S2,S3,S4,S5/S6,S7,S8,S9,S10/S11,S12,,, | 1人 S13,,,, | 110";
        QTest::newRow("nobody") << 4 << 4 << QList<int> {} << "0人  | 4人 S1,S2,S3,S4, | 100";
        QTest::newRow("a student without a keypad stays")
            << 3 << 2 << QList<int> { 2, 1, 3 } << "2人 S1,S2,,, | 1人 S3,,,, | 100";
    }

    void sendersMoveAcrossAsAFreshBuildShowsThem()
    {
        QFETCH(int, students);
        QFETCH(int, keypads);
        QFETCH(QList<int>, sent);
        QFETCH(QString, expected);

        useClass(students, keypads);
        m_lists->clearAnswered();
        for (int keypad : sent) {
            send(keypad);
            const QString incremental = shown();
            m_lists->refresh();
            QCOMPARE(incremental, shown());
        }
        QCOMPARE(shown(), expected);
    }

    void anotherClassBuildsTheListsAgain()
    {
        useClass(6);
        m_lists->clearAnswered();
        send(1);
        send(2);
        useClass(3); // a class of its own, the same ids for its first three
        send(3);
        QCOMPARE(shown(), QString("3人 S1,S2,S3,, | 0人  | 100"));
    }
};

TAV_DB_TEST_MAIN(TestZUFreeStuList)
#include "TestZUFreeStuList.moc"
