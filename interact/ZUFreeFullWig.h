#pragma once

#include "Singleton.h"

#include <QWidget>

// The full-screen, see-through host of the interaction bar, its menu and its panels: hiding it hides all of
// them. Only the rectangles of its visible children take part in the window, so the desktop around the bar
// stays reachable even where the window system does not pass clicks through transparent pixels.
class ZUFreeFullWig : public QWidget
{
    Q_OBJECT
public:
    static ZUFreeFullWig* getInstance() { return TavSingleton<ZUFreeFullWig>::instance(); }

    // The region the window covers now: the union of its visible children.
    QRegion childrenRegion() const;

protected:
    void childEvent(QChildEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TavSingleton<ZUFreeFullWig>;
    ZUFreeFullWig();
    void updateMask();

    bool m_maskPending = false;
};
