// The seat drag payload shared by every seat grid.
#include "ZUTableWidBaseDlg.h"

#include <QMimeData>
#include <QtTest>

class TestZUTableWidBaseDlg : public QObject
{
    Q_OBJECT

private slots:
    void writesRowCommaColumn()
    {
        QScopedPointer<QMimeData> data(ZUTableWidBaseDlg::seatMimeData(2, 5));
        QCOMPARE(data->formats(), QStringList("custom/sign_drag"));
        QCOMPARE(data->data("custom/sign_drag"), QByteArray("2,5"));
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("payload");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("seat") << QByteArray("3,1") << true << 3 << 1;
        QTest::newRow("first seat") << QByteArray("0,0") << true << 0 << 0;
        QTest::newRow("large") << QByteArray("98,123456789") << true << 98 << 123456789;
        for (const char* bad : { "", "3", "3,", ",1", "3,1,4", "-1,2", "+1,2", " 1,2", "1, 2", "01,2", "1,02", "a,b",
                                 "1.5,2", "1234567890,1", "\xef\xbc\x91,2" })
            QTest::newRow(qPrintable("refused " + QString::fromUtf8(bad))) << QByteArray(bad) << false << 7 << 7;
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, payload);
        QFETCH(int, row);
        QFETCH(int, col);
        QMimeData data;
        data.setData("custom/sign_drag", bytes);
        int r = 7;
        int c = 7;
        QCOMPARE(ZUTableWidBaseDlg::readSeatMimeData(&data, r, c), payload);
        QCOMPARE(r, row);
        QCOMPARE(c, col);
    }

    void otherFormatIsNoPayload()
    {
        QMimeData data;
        data.setText("3,1");
        int r = 7;
        int c = 7;
        QVERIFY(!ZUTableWidBaseDlg::readSeatMimeData(&data, r, c));
        QVERIFY(!ZUTableWidBaseDlg::readSeatMimeData(nullptr, r, c));
    }
};

QTEST_MAIN(TestZUTableWidBaseDlg)
#include "TestZUTableWidBaseDlg.moc"
