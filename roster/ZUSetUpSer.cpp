#include "ZUSetUpSer.h"

#include "TAVDatabase.h"
#include "TAVMemInfo.h"
#include "TAV_Config.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

const QVector<ZUSetUpSer::SoundEvent>& ZUSetUpSer::soundEvents()
{
    static const QVector<SoundEvent> events {
        { "StartInteraction", QT_TRANSLATE_NOOP("ZUSetUpDlg", "进入互动"), "EnInteractCheckBox", "EnInteractPlayBtn" },
        { "StartAnswer", QT_TRANSLATE_NOOP("ZUSetUpDlg", "开始作答"), "StartAnsCheckBox", "StartAnsPlayBtn" },
        { "SuspendAnswer", QT_TRANSLATE_NOOP("ZUSetUpDlg", "暂停作答"), "SuspendCheckBox", "SuspendPlayBtn" },
        { "StopAnswer", QT_TRANSLATE_NOOP("ZUSetUpDlg", "停止作答"), "StopAnCheckBox", "StopAnPlayBtn" },
        { "WarningPrompt", QT_TRANSLATE_NOOP("ZUSetUpDlg", "警告提示"), "WarningCheckBox", "WarningPlayBtn" },
        { "Countdown", QT_TRANSLATE_NOOP("ZUSetUpDlg", "倒计时"), "CountdownCheckBox", "CountdownPlayBtn" },
        { "RandomSelection", QT_TRANSLATE_NOOP("ZUSetUpDlg", "随机选人"), "RandomSeleCheckBox", "RandomSelePlayBtn" },
        { "ISBinding", QT_TRANSLATE_NOOP("ZUSetUpDlg", "绑定中状态变化"), "ISBindingCheckBox", "ISBindingPlayBtn" },
        { "BindingSuc", QT_TRANSLATE_NOOP("ZUSetUpDlg", "成功提示"), "BindingSucCheckBox", "BindingSucPlayBtn" },
        { "Bindingfai", QT_TRANSLATE_NOOP("ZUSetUpDlg", "绑定失败"), "BindingFaiCheckBox", "BindingFaiPlayBtn" },
        { "SelectFunc", QT_TRANSLATE_NOOP("ZUSetUpDlg", "互动功能选择"), "SelectFuncCheckBox", "SelectFuncPlayBtn" },
    };
    return events;
}

ZUSetUpSer::Values ZUSetUpSer::load(const QMap<QString, QString>& settings)
{
    auto number = [&settings](const char* key) { return settings.value(QLatin1String(key)).toInt(); };
    auto index = [&number](const char* key, int count) {
        const int value = number(key);
        return value >= 0 && value < count ? value : 0;
    };
    Values values;
    values.answerMethod = index("AnswerMethod", kAnswerMethods);
    values.feedbackType = index("FeedbackType", kFeedbackTypes);
    values.timeLimit = qBound(kMinTimeLimit, number("TimeLimit"), kMaxTimeLimit);
    values.doNotShowUnAnswer = number("DoNotShowUnAnswer") != 0;
    values.anonymousFeedback = number("AnonymousFeedback") != 0;
    values.testTime = number("TestTime");
    values.testMode = index("TestMode", kTestModes);
    for (const SoundEvent& event : soundEvents()) {
        Sound sound;
        sound.file = settings.value(QLatin1String(event.stem) + "Sound");
        sound.play = settings.value(QLatin1String(event.stem) + "Play").toInt() != 0;
        values.sounds.append(sound);
    }
    return values;
}

void ZUSetUpSer::pairs(Tab tab, const Values& values, QVariantList& keys, QVariantList& values_)
{
    keys.clear();
    values_.clear();
    switch (tab) {
    case InteractionTab:
        keys << "AnswerMethod"
             << "FeedbackType"
             << "TimeLimit"
             << "DoNotShowUnAnswer"
             << "AnonymousFeedback";
        values_ << values.answerMethod << values.feedbackType << values.timeLimit << values.doNotShowUnAnswer
                << values.anonymousFeedback;
        break;
    case QuizTab:
        keys << "TestTime"
             << "TestMode";
        values_ << QString::number(values.testTime) << QString::number(values.testMode);
        break;
    case SoundTab:
        for (int i = 0; i < soundEvents().size() && i < values.sounds.size(); ++i) {
            const QString stem = QLatin1String(soundEvents().at(i).stem);
            keys << stem + "Sound" << stem + "Play";
            values_ << fileName(values.sounds.at(i).file) << values.sounds.at(i).play;
        }
        break;
    }
}

bool ZUSetUpSer::save(Tab tab, const Values& values)
{
    QVariantList keys;
    QVariantList list;
    pairs(tab, values, keys, list);
    QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    // The map is reloaded inside the transaction: when that is not kept, the map goes back with it.
    const QMap<QString, QString> before = settings;
    TAVDatabase* database = TAVDatabase::getInstance();
    QSqlDatabase db = database->getDbCon();
    bool saved = TAV_Config::getInstance()->setValues(db, keys, list);
    if (saved) {
        saved = database->closeDbCon(db);
    } else {
        // Keys written before the failing one must not stay: the tab is stored whole or not at all.
        database->rollbackDbCon(db);
    }
    if (!saved) {
        settings = before;
        qWarning() << "****settings not saved";
    }
    return saved;
}

QString ZUSetUpSer::fileName(const QString& path)
{
    return path.section('/', -1);
}

QString ZUSetUpSer::soundPath(const QString& file)
{
    // The name comes from the settings table: keep it inside the sound folder.
    if (file.isEmpty() || file.contains('/') || file.contains('\\') || file == QLatin1String("..")
        || file == QLatin1String("."))
        return QString();
    return QCoreApplication::applicationDirPath() + "/sound/" + file;
}

ZUSetUpSer::Range ZUSetUpSer::hourRange(int minutes, int seconds)
{
    if (minutes != 0)
        return { 0, 1 };
    return seconds != 0 ? Range { 1, 1 } : Range { 1, 2 };
}

ZUSetUpSer::Range ZUSetUpSer::minuteRange(int hour)
{
    if (hour == 2)
        return { 0, 0 };
    return { hour == 0 ? 1 : 0, 59 };
}

ZUSetUpSer::Range ZUSetUpSer::secondRange(int hour)
{
    return hour == 2 ? Range { 0, 0 } : Range { 0, 59 };
}
