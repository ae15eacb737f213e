#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QList>
#include <QVector>

class QHBoxLayout;
class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
class ZUOptionChart;
class ZUStaffAnyItem;
class QWidget;

// The detail of one answer item over a dark veil: the question's picture and the item's right answer on a
// white panel, and three tabs beside it: a chart of the options chosen, the students behind each option, and the
// explanation picture. Everything comes from the running or last quiz's service; a press beside the panel
// closes it.
class ZUSubjectDlg : public QDialog
{
    Q_OBJECT
public:
    static ZUSubjectDlg* getInstance() { return TavSingleton<ZUSubjectDlg>::instance(); }

    // Fills the popup for the item numbered n (1-based) and selects the graph tab. Show the popup first: the
    // pictures are scaled to the labels' widths.
    void showQuestion(int n);

    int itemIndex() const { return m_qIndex; }
    QString answerText() const;
    const QLabel* questionLabel() const { return m_questionLbl; }
    const QLabel* explanationLabel() const { return m_expLbl; }
    const ZUOptionChart& chart() const { return *m_chart; }
    const QVector<ZUStaffAnyItem*>& staffItems() const { return m_staffItems; }
    // 0 graph, 1 persons, 2 explanation.
    int currentTab() const;
    QWidget* panel() const;

public slots:
    void on_AnyBtn_clicked();
    void on_DetBtn_clicked();
    void on_ExpBtn_clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    friend class TavSingleton<ZUSubjectDlg>;
    ZUSubjectDlg();
    ~ZUSubjectDlg() override;

    void buildPanel(QWidget* parent);
    QToolButton* addTabButton(const char* name, const QString& text, int y, QWidget* parent);
    void selectTab(int tab);
    void graphAnalysis();
    void personAnalysis();
    void showExplanation();
    // Height left for the question's picture when the answer and the chart stand whole in the panel.
    int questionRoom() const;

    int m_qIndex = 0;
    ZUOptionChart* m_chart = nullptr;
    QVector<ZUStaffAnyItem*> m_staffItems;

    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_showWidget = nullptr;
    QScrollArea* m_topScrollArea = nullptr;
    QLabel* m_questionLbl = nullptr;
    QLabel* m_answerLbl = nullptr;
    QHBoxLayout* m_answerRow = nullptr;
    QWidget* m_graphAny = nullptr;
    QWidget* m_staffDetails = nullptr;
    QVBoxLayout* m_scrollVLay = nullptr;
    QWidget* m_explWidget = nullptr;
    QLabel* m_expLbl = nullptr;
    QList<QToolButton*> m_tabs;
};
