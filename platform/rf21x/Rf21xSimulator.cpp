#include "Rf21xSimulator.h"

#include <QDebug>
#include <QFile>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QSaveFile>

Rf21xSimulator* Rf21xSimulator::instance()
{
    // Kept until the process ends: the receiver thread may still poll while statics are torn down.
    static Rf21xSimulator* simulator = new Rf21xSimulator();
    return simulator;
}

QByteArray Rf21xSimulator::defaultSerial()
{
    return QByteArrayLiteral("RF21X00001");
}

QByteArray Rf21xSimulator::defaultDevicePath()
{
    return QByteArrayLiteral("\\\\?\\hid#vid_10c4&pid_8a21#6&2f1c9e37&0&0000#{sim-receiver}");
}

Rf21xSimulator::Rf21xSimulator()
    : m_serial(defaultSerial())
    , m_path(defaultDevicePath())
    , m_autoMinMs(kAutoAnswerMinMs)
    , m_autoSpreadMs(kAutoAnswerSpreadMs)
    , m_since(QDateTime::currentDateTimeUtc())
    , m_answers(QRandomGenerator::global())
{
    m_clock.start();
}

void Rf21xSimulator::plug()
{
    QMutexLocker locker(&m_mutex);
    m_plugged = true;
}

void Rf21xSimulator::unplug()
{
    QMutexLocker locker(&m_mutex);
    m_plugged = false;
    // Whatever the receiver held is lost with it. Open handles stay open: the program polls for plugging only
    // about once a second, and a receiver back within that second would otherwise never be read again.
    m_queue.clear();
    m_scheduled.clear();
}

bool Rf21xSimulator::isPlugged() const
{
    QMutexLocker locker(&m_mutex);
    return m_plugged;
}

void Rf21xSimulator::setSerial(const QByteArray& serial)
{
    QMutexLocker locker(&m_mutex);
    m_serial = serial;
}

void Rf21xSimulator::setDevicePath(const QByteArray& path)
{
    QMutexLocker locker(&m_mutex);
    m_path = path;
}

bool Rf21xSimulator::pushKey(int keypadId, const QByteArray& data, int quizNumber)
{
    Message message;
    message.type = KeypadMessage;
    message.keypadId = keypadId;
    message.quizNumber = quizNumber;
    message.hasData = true;
    message.data = data;
    return pushMessage(message);
}

bool Rf21xSimulator::pushRush(int keypadId)
{
    return pushKey(keypadId, QByteArrayLiteral("Rush"));
}

bool Rf21xSimulator::pushTeacherKey(const QByteArray& key)
{
    Message message;
    message.type = TeacherKey;
    message.hasData = true;
    message.data = key;
    return pushMessage(message);
}

bool Rf21xSimulator::pushSetIdReply(const QByteArray& text)
{
    Message message;
    message.type = SetIdReply;
    message.hasData = true;
    message.data = text;
    return pushMessage(message);
}

bool Rf21xSimulator::pushRaw(int type)
{
    Message message;
    message.type = type;
    return pushMessage(message);
}

bool Rf21xSimulator::pushMessage(const Message& message)
{
    QMutexLocker locker(&m_mutex);
    return enqueue(message);
}

int Rf21xSimulator::pendingMessages() const
{
    QMutexLocker locker(&m_mutex);
    return m_queue.size();
}

int Rf21xSimulator::scheduledMessages() const
{
    QMutexLocker locker(&m_mutex);
    return m_scheduled.size();
}

QStringList Rf21xSimulator::commands() const
{
    QMutexLocker locker(&m_mutex);
    return m_commands;
}

void Rf21xSimulator::clearCommands()
{
    QMutexLocker locker(&m_mutex);
    m_commands.clear();
}

void Rf21xSimulator::setResult(const QString& command, int result)
{
    QMutexLocker locker(&m_mutex);
    m_results.insert(command, result);
}

void Rf21xSimulator::setAutoKeypads(int n)
{
    QMutexLocker locker(&m_mutex);
    m_autoKeypads = qBound(0, n, kMaxAutoKeypads);
    if (m_autoKeypads > 0)
        loadNumbers();
}

void Rf21xSimulator::setNumbersFile(const QString& path)
{
    QMutexLocker locker(&m_mutex);
    if (path == m_numbersFile)
        return;
    m_numbersFile = path;
    m_numbersLoaded = false;
    if (m_autoKeypads > 0)
        loadNumbers();
}

void Rf21xSimulator::setAnswerKeyFile(const QString& path)
{
    QMutexLocker locker(&m_mutex);
    m_answerKeyFile = path;
}

void Rf21xSimulator::setAutoAnswerDelay(int minMs, int spreadMs)
{
    QMutexLocker locker(&m_mutex);
    m_autoMinMs = qMax(0, minMs);
    m_autoSpreadMs = qMax(1, spreadMs);
}

int Rf21xSimulator::autoKeypads() const
{
    QMutexLocker locker(&m_mutex);
    return m_autoKeypads;
}

qint64 Rf21xSimulator::messagePolls() const
{
    QMutexLocker locker(&m_mutex);
    return m_polls;
}

void Rf21xSimulator::reset()
{
    QMutexLocker locker(&m_mutex);
    m_plugged = true;
    m_serial = defaultSerial();
    m_path = defaultDevicePath();
    m_queue.clear();
    m_scheduled.clear();
    m_commands.clear();
    m_results.clear();
    m_autoKeypads = 0;
    m_renumbered.clear();
    m_pendingPress = 0;
    // Keypads back to their own numbers, also for the next run.
    if (!m_numbersFile.isEmpty())
        QFile::remove(m_numbersFile);
    m_numbersLoaded = true;
    m_autoMinMs = kAutoAnswerMinMs;
    m_autoSpreadMs = kAutoAnswerSpreadMs;
    m_since = QDateTime::currentDateTimeUtc();
    m_follower = Rf21xQuizFollower();
}

bool Rf21xSimulator::parse(const QByteArray& line, Command* command, QByteArray* error)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    const int argc = words.size() - 1;
    auto refuse = [error](const char* reason) {
        *error = QByteArrayLiteral("ERR ") + reason;
        return false;
    };
    auto number = [&words](int index, int* value) {
        bool ok = false;
        *value = words.value(index).toInt(&ok);
        return ok;
    };
    *command = Command();
    command->name = words.value(0);
    const QByteArray& name = command->name;

    if (name.isEmpty())
        return refuse("empty command");
    if ((name == "plug" || name == "unplug") && argc == 0)
        return true;
    if ((name == "serial" || name == "teacher" || name == "setid") && argc == 1) {
        command->text = words.at(1);
        return true;
    }
    if (name == "key" && (argc == 2 || argc == 3)) {
        command->text = words.at(2);
        if (!number(1, &command->number))
            return refuse("bad keypad id");
        if (argc == 3 && !number(3, &command->quizNumber))
            return refuse("bad quiz number");
        return true;
    }
    if (name == "rush" && argc == 1)
        return number(1, &command->number) || refuse("bad keypad id");
    if (name == "raw" && argc == 1)
        return number(1, &command->number) || refuse("bad message type");
    if (name == "auto" && argc == 1) {
        if (!number(1, &command->number) || command->number < 0 || command->number > kMaxAutoKeypads) {
            *error
                = QByteArrayLiteral("ERR auto takes a keypad count from 0 to ") + QByteArray::number(kMaxAutoKeypads);
            return false;
        }
        return true;
    }
    *error = QByteArrayLiteral("ERR unknown command or wrong arguments: ") + line.simplified().left(80);
    return false;
}

QByteArray Rf21xSimulator::execute(const QByteArray& line)
{
    Command command;
    QByteArray error;
    if (!parse(line, &command, &error))
        return error;
    const QByteArray& name = command.name;
    bool accepted = true;
    if (name == "plug")
        plug();
    else if (name == "unplug")
        unplug();
    else if (name == "serial")
        setSerial(command.text);
    else if (name == "key")
        accepted = pushKey(command.number, command.text, command.quizNumber);
    else if (name == "rush")
        accepted = pushRush(command.number);
    else if (name == "teacher")
        accepted = pushTeacherKey(command.text);
    else if (name == "setid")
        accepted = pushSetIdReply(command.text);
    else if (name == "raw")
        accepted = pushRaw(command.number);
    else if (name == "auto")
        setAutoKeypads(command.number);
    return accepted ? QByteArrayLiteral("OK") : QByteArrayLiteral("ERR receiver unplugged");
}

int Rf21xSimulator::hidDeviceCount() const
{
    QMutexLocker locker(&m_mutex);
    // A keyboard is always there; the receiver only while plugged.
    return m_plugged ? 2 : 1;
}

QByteArray Rf21xSimulator::currentHidPath() const
{
    QMutexLocker locker(&m_mutex);
    return m_plugged ? m_path : QByteArray();
}

bool Rf21xSimulator::cableAttached(const QByteArray& hidPath) const
{
    QMutexLocker locker(&m_mutex);
    return m_plugged && !hidPath.isEmpty() && hidPath == m_path;
}

RF21X_DEVICE Rf21xSimulator::createDevice(int deviceType)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("createDevice %1").arg(deviceType));
    // The handle only needs to be a unique address; nothing is ever read through it.
    RF21X_DEVICE device = reinterpret_cast<RF21X_DEVICE>(new char);
    m_devices.insert(device);
    return device;
}

void Rf21xSimulator::destroyDevice(RF21X_DEVICE device)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("destoryDevice"));
    if (m_devices.remove(device)) {
        m_openDevices.remove(device);
        delete reinterpret_cast<char*>(device);
    }
}

int Rf21xSimulator::open(RF21X_DEVICE device, const char* url, int mode, int channel)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("open %1 %2 %3").arg(QString::fromUtf8(url)).arg(mode).arg(channel));
    if (!m_devices.contains(device) || !m_plugged)
        return 0;
    const int result = resultFor(QStringLiteral("open"));
    if (result)
        m_openDevices.insert(device);
    return result;
}

void Rf21xSimulator::close(RF21X_DEVICE device)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("close"));
    m_openDevices.remove(device);
}

int Rf21xSimulator::readSerial(RF21X_DEVICE device, const char* url, int size, int code, QByteArray* serial)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("readDeviceSerialNumber %1 %2 %3").arg(QString::fromUtf8(url)).arg(size).arg(code));
    if (!isOpen(device))
        return 0;
    const int result = resultFor(QStringLiteral("readDeviceSerialNumber"));
    if (result)
        *serial = m_serial;
    return result;
}

int Rf21xSimulator::startQuiz(RF21X_DEVICE device, int quizType, int count, int reserved, int flags)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("startQuiz %1 %2 %3 %4").arg(quizType).arg(count).arg(reserved).arg(flags));
    if (!isOpen(device))
        return 0;
    const int result = resultFor(QStringLiteral("startQuiz"));
    if (!result)
        return result;
    // What the keypads sent before the start is no answer to it.
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->type == KeypadMessage)
            it = m_queue.erase(it);
        else
            ++it;
    }
    const QList<Rf21xAnswerKey::Item> opened = followQuiz(quizType, count);
    if (m_autoKeypads > 0)
        scheduleAutoAnswers(quizType, count, opened);
    m_pendingPress = 0;
    return result;
}

int Rf21xSimulator::stopQuiz(RF21X_DEVICE device)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("stopQuiz"));
    if (!isOpen(device))
        return 0;
    const int result = resultFor(QStringLiteral("stopQuiz"));
    if (result) {
        dropAutoAnswers();
        m_follower.stop();
    }
    return result;
}

int Rf21xSimulator::setKeypadId(RF21X_DEVICE device, int keypadId)
{
    QMutexLocker locker(&m_mutex);
    record(QStringLiteral("setKeypadId %1").arg(keypadId));
    if (!isOpen(device))
        return 0;
    const int result = resultFor(QStringLiteral("setKeypadId"));
    if (result && m_autoKeypads > 0) {
        // The keypad confirms; its student presses a key once answering has started again. The teacher
        // remote (0) only confirms.
        Message reply;
        reply.type = SetIdReply;
        reply.hasData = true;
        reply.data = QByteArrayLiteral("Success");
        schedule(kSetIdReplyMs, reply, true);
        m_pendingPress = qMax(0, keypadId);
        // The keypad answers under its new number from now on.
        if (keypadId > 0 && !m_renumbered.contains(keypadId) && m_renumbered.size() < kMaxAutoKeypads) {
            m_renumbered.append(keypadId);
            saveNumbers();
        }
    }
    return result;
}

void Rf21xSimulator::setTakeHook(std::function<void()> hook)
{
    QMutexLocker locker(&m_mutex);
    m_takeHook = std::move(hook);
}

void Rf21xSimulator::setReadHook(std::function<void()> hook)
{
    QMutexLocker locker(&m_mutex);
    m_readHook = std::move(hook);
}

void Rf21xSimulator::runReadHook()
{
    QMutexLocker locker(&m_mutex);
    if (const std::function<void()> hook = m_readHook) {
        locker.unlock();
        hook();
    }
}

bool Rf21xSimulator::takeMessage(RF21X_DEVICE device, Message* message)
{
    QMutexLocker locker(&m_mutex);
    if (const std::function<void()> hook = m_takeHook) {
        locker.unlock();
        hook();
        locker.relock();
    }
    ++m_polls;
    if (!isOpen(device))
        return false;
    releaseDueMessages();
    if (m_queue.isEmpty())
        return false;
    *message = m_queue.takeFirst();
    return true;
}

void Rf21xSimulator::record(const QString& command)
{
    m_commands.append(command);
}

int Rf21xSimulator::resultFor(const QString& command) const
{
    return m_results.value(command, 1);
}

bool Rf21xSimulator::isOpen(RF21X_DEVICE device) const
{
    return m_plugged && m_openDevices.contains(device);
}

bool Rf21xSimulator::enqueue(Message message)
{
    if (!m_plugged)
        return false;
    message.timeStamp = now();
    m_queue.append(message);
    return true;
}

void Rf21xSimulator::schedule(qint64 delayMs, const Message& message, bool keepOnStop)
{
    Scheduled entry;
    entry.keepOnStop = keepOnStop;
    entry.message = message;
    m_scheduled.insert(m_clock.elapsed() + delayMs, entry);
}

QList<Rf21xAnswerKey::Item> Rf21xSimulator::followQuiz(int quizType, int count)
{
    Rf21xAnswerKey key = Rf21xAnswerKey::read(m_answerKeyFile);
    if (key.served() < m_since)
        key = Rf21xAnswerKey();
    bool newServing = false;
    const QList<Rf21xAnswerKey::Item> opened = m_follower.start(key, quizType, count, &newServing);
    if (newServing)
        m_answers.learnKey(key.items());
    return opened;
}

void Rf21xSimulator::scheduleAutoAnswers(int quizType, int count, const QList<Rf21xAnswerKey::Item>& opened)
{
    // A new start replaces the answers still pending from the previous one.
    dropAutoAnswers();
    QRandomGenerator* random = QRandomGenerator::global();
    qint64 firstMs = m_autoMinMs;
    if (m_pendingPress > 0) {
        // The keypad that took a new number presses first: that press is what the binding waits for.
        Message press;
        press.type = KeypadMessage;
        press.keypadId = m_pendingPress;
        press.quizNumber = 1;
        press.hasData = true;
        press.data = m_answers.letter();
        schedule(kSetIdPressMs, press, true);
        firstMs += kSetIdPressMs + 1;
    }
    QList<int> keypads;
    for (int keypad = 1; keypad <= m_autoKeypads; ++keypad)
        keypads.append(keypad);
    for (int keypad : qAsConst(m_renumbered)) {
        if (keypad > m_autoKeypads)
            keypads.append(keypad);
    }
    if (opened.isEmpty())
        m_answers.plan(quizType, count);
    else
        m_answers.plan(opened, keypads.size());
    for (int keypad : qAsConst(keypads)) {
        for (int question = 1; question <= m_answers.questions(); ++question) {
            Message answer;
            answer.type = KeypadMessage;
            answer.keypadId = keypad;
            answer.quizNumber = question;
            answer.hasData = true;
            answer.data = m_answers.answer(question);
            schedule(firstMs + random->bounded(m_autoSpreadMs), answer, false);
        }
    }
}

void Rf21xSimulator::loadNumbers()
{
    if (m_numbersLoaded)
        return;
    m_numbersLoaded = true;
    QFile file(m_numbersFile);
    if (m_numbersFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd() && m_renumbered.size() < kMaxAutoKeypads) {
        bool ok = false;
        const int keypad = file.readLine().trimmed().toInt(&ok);
        if (ok && keypad > 0 && !m_renumbered.contains(keypad))
            m_renumbered.append(keypad);
    }
}

void Rf21xSimulator::saveNumbers()
{
    if (m_numbersFile.isEmpty())
        return;
    QSaveFile file(m_numbersFile);
    QByteArray lines;
    for (int keypad : qAsConst(m_renumbered))
        lines += QByteArray::number(keypad) + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size() || !file.commit())
        qWarning().noquote() << "****simulated keypads cannot keep their numbers in" << m_numbersFile;
}

void Rf21xSimulator::releaseDueMessages()
{
    const qint64 elapsed = m_clock.elapsed();
    while (!m_scheduled.isEmpty() && m_scheduled.firstKey() <= elapsed) {
        enqueue(m_scheduled.first().message);
        m_scheduled.erase(m_scheduled.begin());
    }
}

void Rf21xSimulator::dropAutoAnswers()
{
    for (auto it = m_scheduled.begin(); it != m_scheduled.end();) {
        if (it->keepOnStop)
            ++it;
        else
            it = m_scheduled.erase(it);
    }
}

int Rf21xSimulator::now() const
{
    return int(m_clock.elapsed() & 0x7fffffff);
}
