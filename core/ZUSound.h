#pragma once

#include "Singleton.h"

#include <QObject>
#include <QString>

#include <functional>

// Event sounds of the classroom screens. Each event has an on/off settings key and a file-name settings key;
// the files live in the "sound" folder of the program directory.
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

    // The file an event would play now: empty when the event is switched off, the name is not a plain file
    // name, or the file is missing.
    QString soundFile(const QString& switchKey, const QString& fileKey) const;

    // What plays a file: QSound::play, unless replaced (tests listen instead, without a sound device).
    using Player = std::function<void(const QString& path)>;
    void setPlayer(Player player) { m_player = std::move(player); }

private:
    static bool hasSoundOutput();
    void play(const QString& switchKey, const QString& fileKey);

    Player m_player;
};
