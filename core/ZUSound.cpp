#include "ZUSound.h"

#include "TAVMemInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSound>

QString ZUSound::soundFile(const QString& switchKey, const QString& fileKey) const
{
    const QMap<QString, QString>& settings = TAVMemInfo::getInstance()->configMap;
    if (settings.value(switchKey) != QLatin1String("1")) {
        return QString();
    }
    const QString name = settings.value(fileKey);
    // The name comes from the settings table: keep it inside the sound folder.
    if (name.isEmpty() || QFileInfo(name).fileName() != name || name == QLatin1String("..")) {
        return QString();
    }
    const QString path = QCoreApplication::applicationDirPath() + "/sound/" + name;
    return QFileInfo(path).isFile() ? path : QString();
}

void ZUSound::play(const QString& switchKey, const QString& fileKey)
{
    const QString path = soundFile(switchKey, fileKey);
    if (path.isEmpty()) {
        return;
    }
    if (m_player) {
        m_player(path);
    } else {
        QSound::play(path);
    }
}

void ZUSound::playStartInteraction()
{
    play("StartInteractionPlay", "StartInteractionSound");
}

void ZUSound::playSelectFunc()
{
    play("SelectFuncPlay", "SelectFuncSound");
}

void ZUSound::playStartAnswer()
{
    play("StartAnswerPlay", "StartAnswerSound");
}

void ZUSound::playCountdown()
{
    play("CountdownPlay", "CountdownSound");
}

void ZUSound::playSuspendAnswer()
{
    play("SuspendAnswerPlay", "SuspendAnswerSound");
}

void ZUSound::playStopAnswer()
{
    play("StopAnswerPlay", "StopAnswerSound");
}

void ZUSound::playRandomSelection()
{
    play("RandomSelectionPlay", "RandomSelectionSound");
}

void ZUSound::playBindingSuc()
{
    play("BindingSucPlay", "BindingSucSound");
}
