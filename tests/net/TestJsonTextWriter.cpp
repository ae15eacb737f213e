// The upload document is written as text; the web service compares it byte for byte with Qt's own compact text.
#include "JsonTextWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <climits>

namespace {
QString qtText(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString unit(ushort code)
{
    return QString(QChar(code));
}
} // namespace

class TestJsonTextWriter : public QObject
{
    Q_OBJECT

private slots:
    void everyCodeUnitAloneIsWrittenAsQtWritesIt()
    {
        JsonTextWriter json(1);
        json.beginObject();
        json.key(u"units");
        json.beginArray();
        QJsonArray units;
        for (int code = 0; code <= 0xffff; ++code) {
            json.value(unit(ushort(code)));
            units.append(unit(ushort(code)));
        }
        json.endArray();
        json.endObject();
        QCOMPARE(json.take(), qtText(QJsonObject { { "units", units } }));
    }

    void valuesAreWrittenAsQtWritesThem_data()
    {
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("null string") << QJsonValue(QString());
        QTest::newRow("escapes in text") << QJsonValue(QString(R"(say "hi" \ 1/2)") + "\b\t\x01\x1f" + unit(0) + "z");
        QTest::newRow("surrogate pair") << QJsonValue(QString::fromUtf8("数学 😀"));
        QTest::newRow("lone high before text") << QJsonValue(unit(0xd83d) + "a");
        QTest::newRow("lone low in text") << QJsonValue("a" + unit(0xde00) + "b");
        QTest::newRow("high, then a pair") << QJsonValue(unit(0xd800) + unit(0xd801) + unit(0xdc00));
        QTest::newRow("low before high") << QJsonValue(unit(0xdc00) + unit(0xd800));
        QTest::newRow("0") << QJsonValue(0);
        QTest::newRow("-100") << QJsonValue(-100);
        QTest::newRow("INT_MAX") << QJsonValue(INT_MAX);
        QTest::newRow("INT_MIN") << QJsonValue(INT_MIN);
    }
    void valuesAreWrittenAsQtWritesThem()
    {
        QFETCH(QJsonValue, value);
        JsonTextWriter json(1);
        json.beginObject();
        if (value.isString())
            json.member(u"k", value.toString());
        else
            json.member(u"k", value.toInt());
        json.endObject();
        QCOMPARE(json.take(), qtText(QJsonObject { { "k", value } }));
    }

    // One value far longer than the room left, after a member that has already taken part of it: the writer grows
    // to hold the value whole, each unit however many units its escape takes (a lesson's 20,000-character text).
    void valueFarLargerThanTheRoomIsWrittenWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("capacity");
        const QString control = unit(0x01), loneHigh = unit(0xd800), pair = QString::fromUtf8("😀");
        QTest::newRow("20,000 plain units") << QString(20000, QChar('x')) << 64;
        QTest::newRow("20,000 Chinese units") << QString(20000, QChar(0x6570)) << 64;
        QTest::newRow("20,000 controls, six units each") << control.repeated(20000) << 64;
        QTest::newRow("20,000 lone surrogates, six units each") << loneHigh.repeated(20000) << 64;
        QTest::newRow("10,000 quotes and pairs") << (QString("\"") + pair).repeated(10000) << 64;
        QTest::newRow("a million controls into the default room") << control.repeated(1000000) << 256;
        QTest::newRow("a million mixed units") << (control + "a\\" + loneHigh + pair).repeated(200000) << 256;
    }
    void valueFarLargerThanTheRoomIsWrittenWhole()
    {
        QFETCH(QString, text);
        QFETCH(int, capacity);
        const QString before = QString(capacity / 2, QChar('b'));
        JsonTextWriter json(capacity);
        json.beginObject();
        json.member(u"a", before);
        json.member(u"k", text);
        json.member(u"n", 7);
        json.endObject();
        const QString written = json.take();
        const QString expected = qtText(QJsonObject { { "a", before }, { "k", text }, { "n", 7 } });
        QCOMPARE(written.size(), expected.size());
        QVERIFY(written == expected);
    }

    // The memory of the last document is written into only when nothing else holds it.
    void roomIsWrittenIntoOnlyWhenNotHeldElsewhere_data()
    {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::newRow("let go") << false;
        QTest::newRow("held elsewhere") << true;
    }
    void roomIsWrittenIntoOnlyWhenNotHeldElsewhere()
    {
        QFETCH(bool, heldElsewhere);
        JsonTextWriter first(1);
        first.beginArray();
        first.value(QString(5000, QChar('x')));
        first.endArray();
        QString room = first.take();
        const QString before(room.constData(), room.size()); // a copy of its own
        const QString holder = heldElsewhere ? room : QString();
        const QChar* const memory = room.constData();

        JsonTextWriter second(std::move(room), 1);
        second.beginObject();
        second.member(u"k", QStringLiteral("数学"));
        second.endObject();
        const QString written = second.take();
        QCOMPARE(written, qtText(QJsonObject { { "k", QStringLiteral("数学") } }));
        QCOMPARE(written.constData() == memory, !heldElsewhere);
        if (heldElsewhere)
            QCOMPARE(holder, before);
    }
};

QTEST_APPLESS_MAIN(TestJsonTextWriter)
#include "TestJsonTextWriter.moc"
