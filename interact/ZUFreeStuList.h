#pragma once

#include "Singleton.h"
#include "StudentInfo.h"

#include <QDialog>
#include <QMap>

class QLabel;
class QTableWidget;
class QWidget;

// "答题人列表": who of the selected class has sent something from a keypad since the last clearing and who
// has not, as two grids of names with head counts. It listens to every keypad message itself.
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
    QTableWidget* answeredTable() const { return m_replyTable; }
    QTableWidget* unansweredTable() const { return m_unReplyTable; }
    int answeredPartHeight() const;

public slots:
    void ReceiveStudentData(StudentInfo stu);

private:
    friend class TavSingleton<ZUFreeStuList>;
    ZUFreeStuList();

    QWidget* makePart(const QString& name, const QString& colour, const QString& corner, QLabel** title, QLabel** count,
                      QTableWidget** table);
    static void fillTable(QTableWidget* table, QWidget* part, const QStringList& names);

    QMap<QString, QString> m_answered;
    QWidget* m_content = nullptr;
    QWidget* m_answerPart = nullptr;
    QWidget* m_unAnswerPart = nullptr;
    QLabel* m_answerTitle = nullptr;
    QLabel* m_answerCount = nullptr;
    QLabel* m_unAnswerTitle = nullptr;
    QLabel* m_unAnswerCount = nullptr;
    QTableWidget* m_replyTable = nullptr;
    QTableWidget* m_unReplyTable = nullptr;
};
