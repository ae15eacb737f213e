#pragma once

#include "Singleton.h"
#include "ZUESAnswerWindow.h"

#include <QStringList>
#include <QVector>

class QScrollArea;
class QVBoxLayout;
class ZUESAnswerItem;

// Option name list of a one-item question: for every option the students who chose it, the last option on top.
class ZUESAnswerListDlg : public ZUESAnswerWindow
{
    Q_OBJECT
public:
    static ZUESAnswerListDlg* getInstance() { return TavSingleton<ZUESAnswerListDlg>::instance(); }

    // Entry i is one option text and the names of its students. Rebuilds the rows; does not show the window.
    void setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names);

    const QVector<ZUESAnswerItem*>& rows() const { return m_rows; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    QWidget* contents() const;

private:
    friend class TavSingleton<ZUESAnswerListDlg>;
    ZUESAnswerListDlg();

    QScrollArea* m_scrollArea;
    QVBoxLayout* m_scrollVLay;
    QVector<ZUESAnswerItem*> m_rows;
};
