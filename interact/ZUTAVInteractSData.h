#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"
#include "ZUInteractReportSer.h"
#include "ZUTAVDialogBase.h"

#include <QList>
#include <QSqlDatabase>

class QLabel;
class QPushButton;
class QTableWidget;

// "分析报表": the full-screen report of the open lesson's free interactions in three tables.
class ZUTAVInteractSData : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUTAVInteractSData* getInstance() { return TavSingleton<ZUTAVInteractSData>::instance(); }

    void showReport();
    QTableWidget* answerTable() const { return m_answerTable; }
    QTableWidget* feedbackTable() const { return m_feedbackTable; }
    QString classText() const;

public slots:
    void stuBtn_clicked();
    void answerBtn_clicked();
    void feedbackBtn_clicked();
    void on_closeButton_clicked();
    void on_b_closeButton_clicked();
    void __initStuAnswerSta(QSqlDatabase dbCon);
    void __answerData(QSqlDatabase dbCon);
    void __feedbackData(QSqlDatabase dbCon);
    void __noneSelectBtn();
    QString __getInteractName(int mode);

private:
    friend class TavSingleton<ZUTAVInteractSData>;
    ZUTAVInteractSData();

    QTableWidget* makeTable(const char* name, const QStringList& headers);
    QPushButton* makeTab(const char* name, const QString& text);
    void selectTab(QPushButton* button, QTableWidget* table, const char* icon, int columns, int parts);
    static void fillTable(QTableWidget* table, const QVector<QStringList>& rows);
    InteractReport reportOf(QSqlDatabase db) const;

    QList<InteractInfoRow> interactionList;
    QLabel* m_classValue = nullptr;
    QLabel* m_subjectValue = nullptr;
    QLabel* m_timeValue = nullptr;
    QTableWidget* stutable = nullptr;
    QTableWidget* m_answerTable = nullptr;
    QTableWidget* m_feedbackTable = nullptr;
    QPushButton* stuBtn = nullptr;
    QPushButton* answerBtn = nullptr;
    QPushButton* feedbackBtn = nullptr;
};
