#pragma once

#include "Singleton.h"
#include "StudentInfo.h"
#include "StudentInfoRow.h"

#include <QDialog>
#include <QMap>
#include <QVector>

class QLabel;
class QTableView;
class QWidget;
class ZUNameGridModel;

// "答题人列表": who of the selected class has sent something from a keypad since the last clearing and who
// has not, as two grids of names with head counts. It listens to every keypad message itself; a new sender moves
// from one grid to the other without either being built again.
class ZUFreeStuList : public QDialog
{
    Q_OBJECT
public:
    static ZUFreeStuList* getInstance() { return TavSingleton<ZUFreeStuList>::instance(); }

    void setTitles(const QString& answeredTitle, const QString& unansweredTitle);
    void clearAnswered();
    void refresh();

    int answeredCount() const { return m_answered.size(); }
    QString answeredCountText() const;
    QString unansweredCountText() const;
    QTableView* answeredTable() const { return m_replyTable; }
    QTableView* unansweredTable() const { return m_unReplyTable; }
    int answeredPartHeight() const;

public slots:
    void ReceiveStudentData(StudentInfo stu);

private:
    friend class TavSingleton<ZUFreeStuList>;
    ZUFreeStuList();

    QWidget* makePart(const QString& name, const QString& colour, const QString& corner, QLabel** title, QLabel** count,
                      QTableView** table, ZUNameGridModel* names);
    // Heights of the grids and parts, and the head counts, after the names changed.
    void fitParts();
    static void fitTable(QTableView* table, QWidget* part);

    QMap<QString, QString> m_answered;
    QVector<StudentInfoRow> m_class; // the class the grids were built from, shared with the teacher state
    QWidget* m_content = nullptr;
    QWidget* m_answerPart = nullptr;
    QWidget* m_unAnswerPart = nullptr;
    QLabel* m_answerTitle = nullptr;
    QLabel* m_answerCount = nullptr;
    QLabel* m_unAnswerTitle = nullptr;
    QLabel* m_unAnswerCount = nullptr;
    QTableView* m_replyTable = nullptr;
    QTableView* m_unReplyTable = nullptr;
    ZUNameGridModel* m_answeredNames = nullptr;
    ZUNameGridModel* m_unansweredNames = nullptr;
};
