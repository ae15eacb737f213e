#pragma once

#include "Singleton.h"

#include <QDialog>

class QPushButton;

// The floating up, down and close buttons over the long tables of the paper analysis and the ranking. One for
// the program: the window shown last carries it, and it acts on both windows, not on its parent.
class ZUAnyLevitate : public QDialog
{
    Q_OBJECT
public:
    static ZUAnyLevitate* getInstance() { return TavSingleton<ZUAnyLevitate>::instance(); }

    QPushButton* upButton() const { return m_up; }
    QPushButton* downButton() const { return m_down; }
    QPushButton* closeButton() const { return m_close; }

public slots:
    void on_upBtn_clicked();
    void on_downBtn_clicked();
    void on_closeBtn_clicked();

private:
    friend class TavSingleton<ZUAnyLevitate>;
    ZUAnyLevitate();

    QPushButton* addButton(const char* name, const char* picture);

    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_close;
};
