#pragma once

#include "InteractInfoRow.h"
#include "Singleton.h"
#include "TeacherInfo.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

class QLabel;
class QScrollArea;
class QVBoxLayout;
class QWidget;
class ZUTAVAnswerListItem;

// The answer list at the bottom of the screen after an interaction: one row per option with its students.
// In choice and digit interactions the teacher marks the right answer, written when the interaction closes or the
// next one starts.
class ZUTAVAnswerList : public QDialog
{
    Q_OBJECT
public:
    static ZUTAVAnswerList* getInstance() { return TavSingleton<ZUTAVAnswerList>::instance(); }

    // The round by its row, so that the mark of one whose row could not be written at its start finds it too.
    void setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names, int answerType,
                        const InteractInfoRow& round);
    void setAnswerNames(const QVector<QString>& options, const QVector<QStringList>& names, int answerType,
                        int interactID);
    void setRightAnswer(ZUTAVAnswerListItem* row, const QString& text);
    void selectPreviousRow();
    void selectNextRow();
    void insertAnswerIntoDatabase();

    const QVector<ZUTAVAnswerListItem*>& rows() const { return m_rows; }
    int cursor() const { return m_cursor; }
    QString rightAnswer() const { return m_rightAnswer; }
    int interactID() const { return m_round.interactID; }
    int scrollPosition() const;

public slots:
    void __getTeacherData(TeacherInfo tdata);

private:
    friend class TavSingleton<ZUTAVAnswerList>;
    ZUTAVAnswerList();

    void mark(int index);
    void placeMarker(ZUTAVAnswerListItem* row);

    QVector<ZUTAVAnswerListItem*> m_rows;
    int m_cursor = -1;
    int m_answerType = 0;
    InteractInfoRow m_round; // none: id -1 and no start
    QString m_rightAnswer;

    QLabel* m_tips = nullptr;
    QLabel* m_marker = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QVBoxLayout* hAnswer = nullptr;
};
