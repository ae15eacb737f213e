#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// What the interface thread goes through while it lives, from a timer of its own that ticks every kTickMs in
// whatever event loop runs: the longest time between two ticks (a stretch in which the interface took nothing,
// no click nor paint), and the modal windows that came up. A modal window that should not be there is closed
// once closeModalsWhen() holds (at once by default), so that a test meets it without staying in it; eachTick
// runs after that at every tick.
class InterfaceWatch : public QObject
{
public:
    explicit InterfaceWatch(const std::function<void()>& eachTick = {},
                            const std::function<bool()>& closeModalsWhen = {});

    qint64 longestGapMs() const { return m_longestGapMs; }
    // Class names of the modal windows seen, with the text they showed, one entry each time one came up.
    QStringList modals() const { return m_modals; }

    static constexpr int kTickMs = 50;

private:
    void tick();

    std::function<void()> m_eachTick;
    std::function<bool()> m_closeModalsWhen;
    QTimer m_tick;
    QElapsedTimer m_sinceTick;
    qint64 m_longestGapMs = 0;
    QStringList m_modals;
    const QWidget* m_lastModal = nullptr;
};

// Counts how often the notice window (ZUTAVAutoMsg) is shown with a text holding the given one, and how often
// of those it was modal, and closes it each time, so that it comes up anew if it is shown again.
class NoticeWatch : public QObject
{
public:
    explicit NoticeWatch(const QString& text);
    ~NoticeWatch() override;
    int count() const { return m_count; }
    int modalCount() const { return m_modalCount; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QString m_text;
    int m_count = 0;
    int m_modalCount = 0;
};
