#pragma once

#include "Rf21xAutoAnswers.h"
#include "Rf21xQuizFollower.h"
#include "rf21x_api.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QStringList>

#include <functional>

// The simulated receiver behind rf21x_api.h: one radio receiver that can be plugged and unplugged, a
// first-in-first-out queue of keypad, teacher-remote and set-id messages, and a record of every command the
// program sent. The library entry points and the tests in the same process use it from any thread; the
// control channel drives it with one text line per command.
class Rf21xSimulator
{
public:
    enum MessageType { TeacherKey = 1, KeypadMessage = 2, SetIdReply = 3 };

    struct Message
    {
        int type = 0;
        int keypadId = 0;
        int quizNumber = 0;
        int timeStamp = 0;
        bool hasData = false;
        QByteArray data;
    };

    static Rf21xSimulator* instance();

    static QByteArray defaultSerial();
    static QByteArray defaultDevicePath();

    // Receiver.
    void plug();
    void unplug();
    bool isPlugged() const;
    void setSerial(const QByteArray& serial);
    void setDevicePath(const QByteArray& path);

    // Messages; refused (false) while the receiver is unplugged.
    bool pushKey(int keypadId, const QByteArray& data, int quizNumber = 1);
    bool pushRush(int keypadId);
    bool pushTeacherKey(const QByteArray& key);
    bool pushSetIdReply(const QByteArray& text);
    bool pushRaw(int type);
    bool pushMessage(const Message& message);
    int pendingMessages() const;
    // Replies and demo answers that are still to come.
    int scheduledMessages() const;

    // Commands as "name arg arg ...", oldest first; results by command name ("open", "startQuiz", ...).
    QStringList commands() const;
    void clearCommands();
    void setResult(const QString& command, int result);

    // Demo mode: keypads 1..n answer by themselves, and so does every keypad given a new number in demo mode;
    // 0 switches it off. After each start of answering each of them answers every question once, as
    // Rf21xAutoAnswers has it (with the key of a quiz's paper when the answer key file holds it), by default between
    // kAutoAnswerMinMs and kAutoAnswerMinMs + kAutoAnswerSpreadMs later; a stop drops the answers not given yet. A
    // set-id request is confirmed after kSetIdReplyMs, and the keypad presses once kSetIdPressMs after the next start,
    // before the others answer. The new numbers are kept in the numbers file, as keypads keep theirs when the program
    // ends.
    static constexpr int kMaxAutoKeypads = 1000;
    static constexpr int kAutoAnswerMinMs = 1500;
    static constexpr int kAutoAnswerSpreadMs = 3000;
    static constexpr int kSetIdReplyMs = 400;
    static constexpr int kSetIdPressMs = 300;
    void setAutoKeypads(int n);
    // Where the numbers given to the demo keypads are kept; none (empty) by default.
    void setNumbersFile(const QString& path);
    // Where the local web service writes the key of the paper it served; read at each start of answering. A
    // key served before this receiver came up (or was reset) belongs to an earlier run and is not used.
    void setAnswerKeyFile(const QString& path);
    int autoKeypads() const;
    // Demo answers come between minMs and minMs + spreadMs after a start (1500 and 3000 by default).
    void setAutoAnswerDelay(int minMs, int spreadMs);

    // Library calls of rf21x_getMessage so far (idle polling shows here).
    qint64 messagePolls() const;
    // For tests that step into a take: called by every rf21x_getMessage in the taking thread, before the queue
    // is looked at and without the simulator's lock held. None by default.
    void setTakeHook(std::function<void()> hook);
    // For tests that step in between a take and the reading of what was taken: called by rf21x_getMessageType in
    // the reading thread, without the simulator's lock held. None by default.
    void setReadHook(std::function<void()> hook);
    void runReadHook();

    // Back to a plugged receiver with default serial and path, empty queue, no commands, default results,
    // keypads with their own numbers.
    void reset();

    // One control-channel line, "name arg ..."; numbers are read into number and quizNumber, a text into text.
    struct Command
    {
        QByteArray name;
        int number = 0;
        int quizNumber = 1;
        QByteArray text;
    };
    // False for a line that is no command, with the reply in error ("ERR " and the reason).
    static bool parse(const QByteArray& line, Command* command, QByteArray* error);
    // Runs one line; the reply is "OK" or "ERR " and the reason.
    QByteArray execute(const QByteArray& line);

    // Library side, called by the entry points.
    int hidDeviceCount() const;
    QByteArray currentHidPath() const;
    bool cableAttached(const QByteArray& hidPath) const;
    RF21X_DEVICE createDevice(int deviceType);
    void destroyDevice(RF21X_DEVICE device);
    int open(RF21X_DEVICE device, const char* url, int mode, int channel);
    void close(RF21X_DEVICE device);
    int readSerial(RF21X_DEVICE device, const char* url, int size, int code, QByteArray* serial);
    int startQuiz(RF21X_DEVICE device, int quizType, int count, int reserved, int flags);
    int stopQuiz(RF21X_DEVICE device);
    int setKeypadId(RF21X_DEVICE device, int keypadId);
    bool takeMessage(RF21X_DEVICE device, Message* message);

private:
    struct Scheduled
    {
        bool keepOnStop = false;
        Message message;
    };

    Rf21xSimulator();
    void record(const QString& command);
    int resultFor(const QString& command) const;
    bool isOpen(RF21X_DEVICE device) const;
    bool enqueue(Message message);
    void schedule(qint64 delayMs, const Message& message, bool keepOnStop);
    QList<Rf21xAnswerKey::Item> followQuiz(int quizType, int count);
    void scheduleAutoAnswers(int quizType, int count, const QList<Rf21xAnswerKey::Item>& opened);
    void loadNumbers();
    void saveNumbers();
    void releaseDueMessages();
    void dropAutoAnswers();
    int now() const;

    mutable QMutex m_mutex;
    std::function<void()> m_takeHook;
    std::function<void()> m_readHook;
    QElapsedTimer m_clock;
    bool m_plugged = true;
    QByteArray m_serial;
    QByteArray m_path;
    QSet<RF21X_DEVICE> m_devices;
    QSet<RF21X_DEVICE> m_openDevices;
    QList<Message> m_queue;
    QMultiMap<qint64, Scheduled> m_scheduled; // by due time on m_clock
    QStringList m_commands;
    QHash<QString, int> m_results;
    int m_autoKeypads = 0;
    QList<int> m_renumbered; // numbers given to keypads in demo mode
    int m_pendingPress = 0; // keypad that presses at the next start, after taking its number
    QString m_numbersFile;
    bool m_numbersLoaded = false;
    int m_autoMinMs;
    int m_autoSpreadMs;
    QString m_answerKeyFile;
    QDateTime m_since; // keys served before are an earlier run's
    Rf21xQuizFollower m_follower;
    Rf21xAutoAnswers m_answers;
    qint64 m_polls = 0;
};
