#include "ZUSound.h"

#include "TAVMemInfo.h"

#include <QAudioDeviceInfo>
#include <QCoreApplication>
#include <QDebug>
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
    if (!path.isEmpty())
        playFile(path);
}

void ZUSound::playFile(const QString& path)
{
    if (path.isEmpty() || !hasSoundOutput())
        return;
    if (m_player)
        m_player(path);
    else
        QSound::play(path);
}

void ZUSound::setOutputProbe(OutputProbe probe)
{
    m_probe = std::move(probe);
    m_output = Unknown;
}

bool ZUSound::hasSoundOutput()
{
    // Without a sound server every play fails and says so in the log, thousands of times a day: one look, one
    // line, and the sounds stay silent for the rest of the run.
    if (m_output == Unknown) {
        const bool output = m_probe ? m_probe() : !QAudioDeviceInfo::defaultOutputDevice().isNull();
        m_output = output ? Present : Missing;
        if (!output)
            qWarning() << "****no sound output: the event sounds stay silent";
    }
    return m_output == Present;
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

void ZUSound::playISBinding()
{
    play("ISBindingPlay", "ISBindingSound");
}

void ZUSound::playBindingFai()
{
    play("BindingfaiPlay", "BindingfaiSound");
}
