#pragma once

#include "Singleton.h"

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QScrollArea;
class QTableWidget;
class QWidget;

// Who has finished the current question, who is still answering it and who has not answered: three name grids
// under coloured titles with their head counts. The still-answering group is shown only for a question of two
// or more answer items.
class ZUExamAnsStuDlg : public QDialog
{
    Q_OBJECT
public:
    static ZUExamAnsStuDlg* getInstance() { return TavSingleton<ZUExamAnsStuDlg>::instance(); }

    // Refills the three groups; itemCount is the number of answer items of the question. Does not show.
    void setData(const QStringList& finished, const QStringList& answering, const QStringList& notAnswered,
                 int itemCount);
    // One group's names into its table and its count label; adds the group's height to total.
    void fillNameTable(const QStringList& names, QTableWidget* table, QLabel* countLabel, int& total);

    QTableWidget* finishedTable() const { return m_finished.table; }
    QTableWidget* answeringTable() const { return m_answering.table; }
    QTableWidget* notAnsweredTable() const { return m_notAnswered.table; }
    QLabel* finishedCount() const { return m_finished.count; }
    QLabel* answeringCount() const { return m_answering.count; }
    QLabel* notAnsweredCount() const { return m_notAnswered.count; }
    QWidget* answeringSection() const { return m_answering.section; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    QWidget* contents() const { return m_contents; }

private:
    friend class TavSingleton<ZUExamAnsStuDlg>;
    ZUExamAnsStuDlg();

    struct Section
    {
        QWidget* section = nullptr;
        QLabel* count = nullptr;
        QTableWidget* table = nullptr;
    };
    Section addSection(const char* sectionName, const char* titleName, const QString& titleStyle, const QString& title,
                       const char* countName, const char* tableName);
    QFrame* addRule(const char* name);

    QScrollArea* m_scrollArea;
    QWidget* m_contents;
    Section m_finished;
    Section m_answering;
    Section m_notAnswered;
    QFrame* m_answeringRule = nullptr;
};
