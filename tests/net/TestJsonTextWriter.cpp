// The upload document is written as text, not built as a QJsonObject tree: the text must be exactly what Qt's
// own writer gives, since the web service compares documents byte for byte.
#include "JsonTextWriter.h"
#include "LessonFixture.h"
#include "NetTestSupport.h"
#include "TAVDatabase.h"
#include "TAVNetEvent.h"
#include "Upload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    void stringsAreEscapedAsQtEscapesThem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QString();
        QTest::newRow("empty") << QString("");
        QTest::newRow("plain") << QString("2024-09-01 10:00:00");
        QTest::newRow("quote and backslash") << QString(R"(say "hi" \ C:\dir\)");
        QTest::newRow("slash stays") << QString("1/2 </b>");
        QTest::newRow("named escapes") << QString("a\bb\fc\nd\re\tf");
        QTest::newRow("other controls") << QString("\x01\x02\x0b\x0e\x1f") + unit(0) + "end";
        QTest::newRow("delete stays") << QString("\x7f");
        QTest::newRow("chinese and latin-1") << QString("数学-初二(1)班 é ü ß");
        QTest::newRow("form specials") << QString("Q&A 100% a+b");
        QTest::newRow("line separators") << unit(0x2028) + unit(0x2029);
        QTest::newRow("noncharacters") << unit(0xfffe) + unit(0xffff) + unit(0xfdd0);
        QTest::newRow("surrogate pair") << QString::fromUtf8("😀 𝄞");
        QTest::newRow("lone high at end") << "a" + unit(0xd83d);
        QTest::newRow("lone high before text") << unit(0xd83d) + "a";
        QTest::newRow("lone low") << "a" + unit(0xde00) + "b";
        QTest::newRow("high, then a pair") << unit(0xd800) + unit(0xd801) + unit(0xdc00);
        QTest::newRow("low before high") << unit(0xdc00) + unit(0xd800);
    }
    void stringsAreEscapedAsQtEscapesThem()
    {
        QFETCH(QString, text);
        JsonTextWriter json(1); // grows from the smallest buffer
        json.beginObject();
        json.member(QLatin1String("k"), text);
        json.endObject();
        QCOMPARE(json.take(), qtText(QJsonObject { { "k", text } }));
    }

    void everyCodeUnitAloneIsWrittenAsQtWritesIt()
    {
        JsonTextWriter json;
        json.beginObject();
        json.key(QLatin1String("units"));
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

    void namesAreEscapedToo()
    {
        JsonTextWriter json;
        json.beginObject();
        json.member(QLatin1String("a\"b\\c\x01\xe9"), 1);
        json.endObject();
        QCOMPARE(json.take(), qtText(QJsonObject { { QString::fromLatin1("a\"b\\c\x01\xe9"), 1 } }));
    }

    void numbersAreWrittenAsQtWritesThem_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("zero") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("minus one") << -1;
        QTest::newRow("ten") << 10;
        QTest::newRow("minus hundred") << -100;
        QTest::newRow("id") << 2024080101;
        QTest::newRow("largest") << INT_MAX;
        QTest::newRow("smallest") << INT_MIN;
    }
    void numbersAreWrittenAsQtWritesThem()
    {
        QFETCH(int, number);
        JsonTextWriter json;
        json.beginObject();
        json.member(QLatin1String("n"), number);
        json.endObject();
        QCOMPARE(json.take(), qtText(QJsonObject { { "n", number } }));
    }

    void nestingAndSeparatorsMatch()
    {
        const QJsonObject inner { { "id", 7 }, { "name", "x" } };
        const QJsonObject tree { { "emptyArray", QJsonArray() },
                                 { "emptyObject", QJsonObject() },
                                 { "list", QJsonArray { inner, inner, QJsonArray { 1, QJsonArray() }, 2 } },
                                 { "object", QJsonObject { { "list", QJsonArray { "a" } }, { "z", 0 } } } };
        JsonTextWriter json;
        // Twice through one writer: take() leaves it empty and ready.
        for (int round = 0; round < 2; ++round) {
            json.beginObject();
            json.key(QLatin1String("emptyArray"));
            json.beginArray();
            json.endArray();
            json.key(QLatin1String("emptyObject"));
            json.beginObject();
            json.endObject();
            json.key(QLatin1String("list"));
            json.beginArray();
            for (int i = 0; i < 2; ++i) {
                json.beginObject();
                json.member(QLatin1String("id"), 7);
                json.member(QLatin1String("name"), QStringLiteral("x"));
                json.endObject();
            }
            json.beginArray();
            json.value(1);
            json.beginArray();
            json.endArray();
            json.endArray();
            json.value(2);
            json.endArray();
            json.key(QLatin1String("object"));
            json.beginObject();
            json.key(QLatin1String("list"));
            json.beginArray();
            json.value(QStringLiteral("a"));
            json.endArray();
            json.member(QLatin1String("z"), 0);
            json.endObject();
            json.endObject();
            QCOMPARE(json.take(), qtText(tree));
        }
    }

    // A lesson whose name holds every kind of character the writer treats apart.
    void uploadDocumentIsQtsTextOfItself()
    {
        QVERIFY(DbTestSupport::freshDatabase());
        const QString name = QString::fromUtf8("数学 \"引号\" \\ / \t\x01 😀 Q&A 100% a+b");
        const LessonFixture::Lesson lesson = LessonFixture::makeLesson({ 3, 2, 2, 2, 3 }, name);
        QSqlDatabase db = TAVDatabase::getInstance()->getDbCon();
        const QString document = Upload::getInstance()->getUploadData(db, lesson.recordID, false);
        TAVDatabase::getInstance()->closeDbCon(db);

        const QJsonDocument parsed = QJsonDocument::fromJson(document.toUtf8());
        QVERIFY(parsed.isObject());
        QCOMPARE(QString::fromUtf8(parsed.toJson(QJsonDocument::Compact)), document);
        const QJsonObject data = parsed.object().value("data").toObject();
        QCOMPARE(data.value("TAVClassRecord").toObject().value("recordName").toString(), name);
        QCOMPARE(data.value("TAVInteractInfo").toArray().size(), 2);
        QCOMPARE(data.value("TAVExamInfo").toArray().at(1).toObject().value("TAVExamStuAnswer").toArray().size(), 9);
    }

    void requestBodyEncodesAsTextReplacementsDo_data()
    {
        QTest::addColumn<QString>("document");
        QTest::newRow("no specials") << QString(R"({"a":"数学 😀"})");
        QTest::newRow("each special") << QString(R"({"a":"Q&A 100% a+b %25 %2B &&++%%"})");
        QTest::newRow("specials at the ends") << QString("+数学&%");
        QTest::newRow("lone surrogates beside specials") << "%" + unit(0xd800) + "&" + unit(0xdc00) + "+";
        QTest::newRow("empty") << QString();
    }
    void requestBodyEncodesAsTextReplacementsDo()
    {
        QFETCH(QString, document);
        QString encoded = document;
        encoded.replace("%", "%25").replace("&", "%26").replace("+", "%2B");
        QCOMPARE(Upload::encodeFormValue(document), encoded);
        const QString sign = TAVNetEvent::sign("recordResult=" + document.left(50));
        QCOMPARE(Upload::requestBody(document, "1"), ("recordResult=" + encoded + "&flag=1&sign=" + sign).toUtf8());
    }
};

TAV_DB_TEST_MAIN(TestJsonTextWriter)
#include "TestJsonTextWriter.moc"
