#pragma once

#include "Singleton.h"

#include <QObject>
#include <QString>

#include <functional>

// Event sounds of the classroom screens. Each event has an on/off settings key and a file-name settings key;
// the files live in the "sound" folder of the program directory. Every sound the program plays goes through
// here: without a sound output nothing reaches Qt's audio, which would otherwise try to connect again and say
// so in the log at every sound and every 30 s after it.
class ZUSound : public QObject
{
    Q_OBJECT
public:
    ZUSound() = default;

    static ZUSound* getInstance() { return TavSingleton<ZUSound>::instance(); }

    void playStartInteraction();
    void playSelectFunc();
    void playStartAnswer();
    void playCountdown();
    void playSuspendAnswer();
    void playStopAnswer();
    void playRandomSelection();
    void playBindingSuc();
    // The binding screen's: a keypad took its number, a keypad binding failed.
    void playISBinding();
    void playBindingFai();
    // A file as it stands, whatever the switches say: the settings' listen button.
    void playFile(const QString& path);

    // The file an event would play now: empty when the event is switched off, the name is not a plain file
    // name, or the file is missing.
    QString soundFile(const QString& switchKey, const QString& fileKey) const;

    // Whether the PC has a sound output: Qt's default output device, unless replaced. Asked at the first sound,
    // and again only after it is replaced.
    using OutputProbe = std::function<bool()>;
    void setOutputProbe(OutputProbe probe);
    // What hands a file to Qt's audio: QSound::play, unless replaced. Reached only with a sound output.
    using Player = std::function<void(const QString& path)>;
    void setPlayer(Player player) { m_player = std::move(player); }

private:
    bool hasSoundOutput();
    void play(const QString& switchKey, const QString& fileKey);

    OutputProbe m_probe;
    Player m_player;
    enum { Unknown, Present, Missing } m_output = Unknown;
};
