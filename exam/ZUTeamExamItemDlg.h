#pragma once

#include "ZUTableWidBaseDlg.h"

#include <QString>

class QLabel;
class ZUSharedMovie;

// One seat of the all-at-once quiz's grid: the student's name over a card that counts the questions answered
// (green once all are), and a pencil that shows the quiz running and writes whenever an answer arrives; a pencil
// still writing goes on writing. A seat without a student shows nothing but still takes drops; dragging a seat
// onto another asks to swap the two.
// The name, the card and its count are painted by the seat itself from pictures read once: sixty seats repaint
// with every pencil frame, and labels under the screen's style sheet would work their looks out again each time.
class ZUTeamExamItemDlg : public ZUTableWidBaseDlg
{
    Q_OBJECT
public:
    explicit ZUTeamExamItemDlg(QWidget* parent = nullptr);

    // An empty id makes the seat blank.
    void setStudent(const QString& id, const QString& name);
    void getStudent(QString& id, QString& name) const;
    void setAnswerState(int answered, bool finished, bool animate);
    void getAnswerState(bool& finished, int& answered) const;
    // The run screen's state: 0 not started, 1 running, 2 paused, 3 finished.
    void setExamState(int state);
    bool isWriting() const;

public slots:
    void __pencilMovieFinished();

protected:
    // A blank seat has nothing to carry.
    bool canDrag(QPixmap& picture) const override;
    void paintEvent(QPaintEvent* e) override;

private:
    bool isBlank() const { return m_id.isEmpty(); }
    void showCard(bool green);
    void showCount(int answered, bool shown);

    QLabel* m_pen;
    QLabel* m_movingPen;
    ZUSharedMovie* m_pencil; // one for every seat
    QString m_id;
    QString m_name;
    int m_answered = 0;
    bool m_countShown = true; // its 0 until the screen gives it a state
    bool m_finished = false;
    bool m_greenCard = false;
};
