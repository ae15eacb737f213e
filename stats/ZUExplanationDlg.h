#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QPixmap>

class QLabel;
class QScrollArea;

// The right answer of the current question and its explanation picture, scaled to the window's width and
// scrolled when it is taller.
class ZUExplanationDlg : public QDialog
{
    Q_OBJECT
public:
    static ZUExplanationDlg* getInstance() { return TavSingleton<ZUExplanationDlg>::instance(); }

    // Show the window first: the picture is scaled to the label's width.
    void setData(QPixmap picture, QString answer);

    QString answerText() const;
    const QLabel* explanationLabel() const { return m_explLbl; }
    QScrollArea* scrollArea() const { return m_scrollArea; }

private:
    friend class TavSingleton<ZUExplanationDlg>;
    ZUExplanationDlg();

    QLabel* m_answerLbl;
    QLabel* m_explLbl;
    QScrollArea* m_scrollArea;
};
