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
