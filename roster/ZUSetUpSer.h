#pragma once

#include <QMap>
#include <QString>
#include <QVariantList>
#include <QVector>

// The settings of the settings dialog without its widgets: the values as read from the settings map and
// kept within their limits, the keys and values each tab stores, the save, and the limits that keep the
// default quiz time between 0:01:00 and 2:00:00.
class ZUSetUpSer
{
public:
    enum Tab { InteractionTab, QuizTab, SoundTab };

    // One event sound: its key stem ("StartAnswer" for "StartAnswerSound" and "StartAnswerPlay"), its label
    // and the object names of its row's check box and play button.
    struct SoundEvent
    {
        const char* stem;
        const char* label;
        const char* checkBox;
        const char* playButton;
    };

    struct Sound
    {
        QString file; // a file name in the sound folder
        bool play = false;
    };

    struct Values
    {
        int answerMethod = 0;
        int feedbackType = 0;
        int timeLimit = 1;
        bool doNotShowUnAnswer = false;
        bool anonymousFeedback = false;
        int testTime = 0;
        int testMode = 0;
        QVector<Sound> sounds;
    };

    struct Range
    {
        int min;
        int max;
    };

    static const QVector<SoundEvent>& soundEvents();
    static constexpr int kAnswerMethods = 6;
    static constexpr int kFeedbackTypes = 4;
    static constexpr int kTestModes = 2;
    static constexpr int kMinTimeLimit = 1;
    static constexpr int kMaxTimeLimit = 200;

    // A missing or unreadable value reads as 0 and is then kept within its limits.
    static Values load(const QMap<QString, QString>& settings);
    // The keys of the tab in table order and their values, as the settings table stores them.
    static void pairs(Tab tab, const Values& values, QVariantList& keys, QVariantList& values_);
    // Stores the tab; false when it was not stored, and then the table and the settings map are as before.
    static bool save(Tab tab, const Values& values);

    // The file name a sound path ends in.
    static QString fileName(const QString& path);
    // The sound folder's file of a settings value; empty unless it is a plain file name.
    static QString soundPath(const QString& file);

    // Quiz time limits: the hour's range follows minutes and seconds, minutes and seconds follow the hour.
    static Range hourRange(int minutes, int seconds);
    static Range minuteRange(int hour);
    static Range secondRange(int hour);
};
