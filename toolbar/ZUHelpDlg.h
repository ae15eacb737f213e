#pragma once

#include "Singleton.h"

#include <QDialog>

class QLabel;

// The quick installation and use guide: one tall picture, opened from the login dialog.
class ZUHelpDlg : public QDialog
{
    Q_OBJECT

public:
    static ZUHelpDlg* getInstance() { return TavSingleton<ZUHelpDlg>::instance(); }

public slots:
    void on_closeBtn_clicked();

private:
    friend class TavSingleton<ZUHelpDlg>;
    ZUHelpDlg();

    QLabel* m_picture = nullptr;
};
