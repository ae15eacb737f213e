#pragma once

#include "QuestionStatInfo.h"
#include "Singleton.h"
#include "ZUReportWindow.h"

#include <QList>
#include <QMap>

class QPushButton;

// The paper analysis of a quiz, full screen: a row per answer item with its section, type, number, accuracy,
// right/wrong/unanswered bars and a button that opens the item's detail popup. Rows are shown in the order
// given.
class ZUPaperAnalyDlg : public ZUReportWindow
{
    Q_OBJECT
public:
    static ZUPaperAnalyDlg* getInstance() { return TavSingleton<ZUPaperAnalyDlg>::instance(); }

    // Replaces the rows; show the window first, the columns take the table's width.
    void setData(QList<QuestionStatInfo> rows);
    // Puts the floating scroll control on the table.
    void showLevitate();

    const QMap<QPushButton*, int>& buttonRows() const { return m_btnRowMap; }

public slots:
    void DetailsBtnClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TavSingleton<ZUPaperAnalyDlg>;
    ZUPaperAnalyDlg();

    // Column widths and the bars follow the table's width.
    void fitColumns();
    // The text of a centred cell, made when the row is new.
    void setCentred(int row, int column, const QString& text);

    QMap<QPushButton*, int> m_btnRowMap;
    QList<QuestionStatInfo> m_rows;
};
