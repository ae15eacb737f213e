#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QStringList>

// An option card shown at the left edge while a feedback interaction runs: what each keypad key means.
// Passive: text only. The three cards differ only in their texts and sizes.
class ZUFreeCard : public QDialog
{
    Q_OBJECT
protected:
    ZUFreeCard(const QString& formName, const QString& frameName, const QSize& size, const QString& title,
               const QStringList& lines);
};

class ZUFreeWhether : public ZUFreeCard
{
    Q_OBJECT
public:
    static ZUFreeWhether* getInstance() { return TavSingleton<ZUFreeWhether>::instance(); }

private:
    friend class TavSingleton<ZUFreeWhether>;
    ZUFreeWhether();
};

class ZUFreeDecide : public ZUFreeCard
{
    Q_OBJECT
public:
    static ZUFreeDecide* getInstance() { return TavSingleton<ZUFreeDecide>::instance(); }

private:
    friend class TavSingleton<ZUFreeDecide>;
    ZUFreeDecide();
};

class ZUFreeEvaluate : public ZUFreeCard
{
    Q_OBJECT
public:
    static ZUFreeEvaluate* getInstance() { return TavSingleton<ZUFreeEvaluate>::instance(); }

private:
    friend class TavSingleton<ZUFreeEvaluate>;
    ZUFreeEvaluate();
};
