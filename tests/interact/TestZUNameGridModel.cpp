#include "ZUNameGridModel.h"

#include <QtTest>

// The name grid: names row by row in the order of their keys, and views that follow it from its signals alone
// (which is all a view repaints by) showing what a grid built afresh would show.
class TestZUNameGridModel : public QObject
{
    Q_OBJECT

private slots:
    void viewsFollowEveryChange_data();
    void viewsFollowEveryChange();
};

namespace {

// What a view knows of the model: the cells it was told about, read only when told.
class Mirror : public QObject
{
public:
    explicit Mirror(const ZUNameGridModel& model)
        : m_model(model)
    {
        connect(&model, &QAbstractItemModel::modelReset, this, [this] { readAll(); });
        connect(&model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
            for (int r = first; r <= last; ++r)
                m_cells.insert(r, readRow(r));
        });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) { m_cells.remove(first, last - first + 1); });
        connect(&model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
            for (int r = from.row(); r <= to.row(); ++r) {
                for (int c = from.column(); c <= to.column(); ++c)
                    m_cells[r][c] = m_model.index(r, c).data().toString();
            }
        });
        readAll();
    }
    QString shown() const
    {
        QStringList rows;
        for (const QStringList& row : m_cells)
            rows << row.join(',');
        return rows.join('/');
    }

private:
    QStringList readRow(int r) const
    {
        QStringList row;
        for (int c = 0; c < m_model.columnCount(); ++c)
            row << m_model.index(r, c).data().toString();
        return row;
    }
    void readAll()
    {
        m_cells.clear();
        for (int r = 0; r < m_model.rowCount(); ++r)
            m_cells << readRow(r);
    }
    const ZUNameGridModel& m_model;
    QVector<QStringList> m_cells;
};

QString grid(const ZUNameGridModel& model)
{
    return Mirror(model).shown();
}

} // namespace

void TestZUNameGridModel::viewsFollowEveryChange_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("start"); // key=name ...
    QTest::addColumn<QString>("steps"); // +key=name or -key, each with what it answers
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a first name opens the first row") << 3 << ""
                                                      << "+b=B"
                                                      << "1"
                                                      << "B,,";
    QTest::newRow("a name before the others moves them on, into a new row") << 3 << "b=B c=C d=D"
                                                                            << "+a=A"
                                                                            << "1"
                                                                            << "A,B,C/D,,";
    QTest::newRow("a name in the middle") << 2 << "a=A c=C d=D"
                                          << "+b=B"
                                          << "1"
                                          << "A,B/C,D";
    QTest::newRow("the first name leaves and the last row with it") << 3 << "a=A b=B c=C d=D"
                                                                    << "-a"
                                                                    << "1"
                                                                    << "B,C,D";
    QTest::newRow("the last name leaves") << 3 << "a=A b=B c=C d=D"
                                          << "-d"
                                          << "1"
                                          << "A,B,C";
    QTest::newRow("the only name leaves") << 5 << "a=A"
                                          << "-a"
                                          << "1"
                                          << "";
    QTest::newRow("a key that is there already changes nothing") << 3 << "a=A b=B"
                                                                 << "+a=Z"
                                                                 << "0"
                                                                 << "A,B,";
    QTest::newRow("a key that is not there changes nothing") << 3 << "a=A b=B"
                                                             << "-c"
                                                             << "0"
                                                             << "A,B,";
    QTest::newRow("the keys order, not the names") << 3 << "b=Ann"
                                                   << "+a=Zoe"
                                                   << "1"
                                                   << "Zoe,Ann,";
    QTest::newRow("a whole class answering out of order, the other grid emptying")
        << 5 << "D01=S1 D02=S2 D03=S3 D04=S4 D05=S5 D06=S6 D07=S7 D08=S8 D09=S9 D10=S10 D11=S11"
        << "-D07 -D01 -D11 -D05 -D05 -D02 -D10 -D03 -D04 -D08 -D06 -D09"
        << "1 1 1 1 0 1 1 1 1 1 1 1"
        << "";
    QTest::newRow("a whole class answering out of order, the grid filling")
        << 5 << ""
        << "+D07=S7 +D01=S1 +D11=S11 +D05=S5 +D05=S5 +D02=S2 +D10=S10 +D03=S3 +D04=S4 +D08=S8 +D06=S6"
        << "1 1 1 1 0 1 1 1 1 1 1"
        << "S1,S2,S3,S4,S5/S6,S7,S8,S10,S11";
}

void TestZUNameGridModel::viewsFollowEveryChange()
{
    QFETCH(int, columns);
    QFETCH(QString, start);
    QFETCH(QString, steps);
    QFETCH(QString, results);
    QFETCH(QString, shown);

    ZUNameGridModel model(columns);
    QVector<QPair<QString, QString>> names;
    for (const QString& entry : start.split(' ', Qt::SkipEmptyParts))
        names.append({ entry.section('=', 0, 0), entry.section('=', 1) });
    model.setNames(names);
    Mirror view(model);

    QStringList answers;
    QMap<QString, QString> kept; // what a grid built afresh would hold
    for (const auto& n : qAsConst(names))
        kept.insert(n.first, n.second);
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QString key = step.mid(1).section('=', 0, 0);
        if (step.startsWith('+')) {
            answers << QString::number(model.insert(key, step.section('=', 1)));
            if (!kept.contains(key))
                kept.insert(key, step.section('=', 1));
        } else {
            answers << QString::number(model.remove(key));
            kept.remove(key);
        }
        // After every step the view shows what the model holds.
        QCOMPARE(view.shown(), grid(model));
    }
    QCOMPARE(answers.join(' '), results);
    QVector<QPair<QString, QString>> rebuilt;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        rebuilt.append({ it.key(), it.value() });
    ZUNameGridModel fresh(columns);
    fresh.setNames(rebuilt);
    QCOMPARE(view.shown(), grid(fresh));
    QCOMPARE(view.shown(), shown);
    QCOMPARE(model.count(), kept.size());
}

QTEST_GUILESS_MAIN(TestZUNameGridModel)
#include "TestZUNameGridModel.moc"
