#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <atomic>

// Process-wide instance created on first use under a per-class mutex and never destroyed.
// Usage: `static Foo* getInstance() { return TavSingleton<Foo>::instance(); }`
template<typename T> class TavSingleton
{
public:
    static T* instance()
    {
        T* p = s_instance.load(std::memory_order_acquire);
        if (!p) {
            QMutexLocker locker(&s_mutex);
            p = s_instance.load(std::memory_order_relaxed);
            if (!p) {
                p = new T();
                s_instance.store(p, std::memory_order_release);
            }
        }
        return p;
    }

    // The instance when it was created already; null otherwise, and nothing is created.
    static T* existing() { return s_instance.load(std::memory_order_acquire); }

private:
    static inline std::atomic<T*> s_instance { nullptr };
    static inline QMutex s_mutex;
};
