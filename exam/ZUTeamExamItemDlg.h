#pragma once

#include "ZUTableWidBaseDlg.h"

#include <QPoint>
#include <QString>

class QLabel;
class QMovie;

// One seat of the all-at-once quiz's grid: the student's name over a card that counts the questions answered
// (green once all are), and a pencil that shows the quiz running and writes whenever an answer arrives. A seat
// without a student shows nothing but still takes drops; dragging a seat onto another asks to swap the two.
class ZUTeamExamItemDlg : public ZUTableWidBaseDlg
{
    Q_OBJECT
public:
    explicit ZUTeamExamItemDlg(QWidget* parent = nullptr);

    // An empty id makes the seat blank.
    void setStudent(const QString& id, const QString& name);
    void getStudent(QString& id, QString& name) const;
    void setSeat(int row, int col);
    int row() const { return m_row; }
    int col() const { return m_col; }
    void setAnswerState(int answered, bool finished, bool animate);
    void getAnswerState(bool& finished, int& answered) const;
    // The run screen's state: 0 not started, 1 running, 2 paused, 3 finished.
    void setExamState(int state);
    bool isWriting() const;

signals:
    // A seat payload was dropped here: the source seat, then this one.
    void seatDropped(int fromRow, int fromCol, int toRow, int toCol);

public slots:
    void __pencilMovieFinished();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    bool isBlank() const { return m_id.isEmpty(); }
    void showCard(bool green);

    QLabel* m_name;
    QWidget* m_card;
    QLabel* m_number;
    QLabel* m_pen;
    QLabel* m_movingPen;
    QMovie* m_pencil;
    QString m_id;
    int m_row = 0;
    int m_col = 0;
    QPoint m_pressPos;
    bool m_finished = false;
    bool m_greenCard = false;
};
