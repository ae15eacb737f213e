#pragma once

#include "Singleton.h"
#include "ZUESAnswerWindow.h"

#include <QColor>
#include <QVector>

class ZUOptionChart;

// Option chart of a one-item question: a bar per option, a pie and the legend of shares under the right answer.
class ZUESAnswerGraphDlg : public ZUESAnswerWindow
{
    Q_OBJECT
public:
    static ZUESAnswerGraphDlg* getInstance() { return TavSingleton<ZUESAnswerGraphDlg>::instance(); }

    // Entry i is one option: its number of students, colour and text. Redraws and shows the window.
    void setData(const QVector<double>& values, const QVector<QColor>& colors, const QVector<QString>& names);

    const ZUOptionChart& chart() const { return *m_chart; }

private:
    friend class TavSingleton<ZUESAnswerGraphDlg>;
    ZUESAnswerGraphDlg();
    ~ZUESAnswerGraphDlg() override;

    ZUOptionChart* m_chart;
};
