#pragma once

#include "Singleton.h"
#include "StudentInfo.h"
#include "TeacherInfo.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QVector>

class QLabel;
class QPushButton;
class QSpinBox;
class ZUStuSign;
class ZUStuSignSer;
class ZUTipDlg;
class ZUViewTableWidget;

// The full-screen seat sign-in of the class in use: one seat per student on a grid whose seats can be dragged
// onto one another and whose size can be changed; while a sign-in runs, any key of a student's keypad signs
// him in. The sign-in, the seat plan and the counts live in ZUStuSignSer; this window draws them.
class ZUStuSignDlg : public QDialog
{
    Q_OBJECT
public:
    static ZUStuSignDlg* getInstance() { return TavSingleton<ZUStuSignDlg>::instance(); }

    // Prepares the window for the class in use and the open lesson; show it afterwards.
    void initSign(const QString& className);
    // A seat dropped on another one.
    void swapSeats(int fromRow, int fromCol, int toRow, int toCol);

    ZUStuSignSer* service() const { return m_ser; }
    // The seat tile of a cell; null outside the grid.
    ZUStuSign* tileAt(int row, int col) const;

public slots:
    void setReceivedStuData(StudentInfo stu_info);
    void setReceivedTeaData(TeacherInfo tea_info);
    void on_SignCloseBtn_clicked();
    void on_SignExitBtn_clicked();
    void on_ReSetBtn_clicked();
    void timeUpdate();
    void on_StartStopBtn_clicked();
    void on_SignColSpinBox_valueChanged(int newCols);
    void on_SignRowSpinBox_valueChanged(int newRows);
    void MachineChanged(bool change);
    void on_RowDecBtn_clicked();
    void on_RowAddBtn_clicked();
    void on_ColDecBtn_clicked();
    void on_ColAddBtn_clicked();

private:
    friend class TavSingleton<ZUStuSignDlg>;
    ZUStuSignDlg();

    void buildForm();
    void startSign();
    void stopSign();
    void closeSign();
    // Draws the grid of the service: cells, their sizes, and every seat.
    void showGrid();
    // The grid after a removal of columns or rows, with the size fields following it.
    void showResized(bool resized);
    void showSeat(int row, int col);
    void showCounts();
    void setIdleButtons(bool idle);
    void tell(const QString& text, const QString& title);
    // The words for what the file could not take at once: what it is, why, whether the next start has it.
    static QString keptText(const QString& what, int cause, bool recorded);
    void onWriteFailed(const QString& kind, int localRecordID, int round, int cause);
    void onWritten(const QString& kind, int localRecordID, int round);
    void notice(const QString& text);
    bool receiverConnected() const;

    static constexpr int kNoticeSeconds = 10;

    ZUStuSignSer* m_ser;
    ZUTipDlg* m_tip;
    QTimer m_clock;
    bool m_layoutBusy = false;
    QString m_successImage;
    QString m_failImage;
    QVector<QVector<QPointer<ZUStuSign>>> m_tiles; // by row, then column
    QHash<QString, bool> m_told; // kind/lesson told of a failed write, to whether it was recorded then
    int m_toldOpening = -1; // the opening of the file the lessons are of

    ZUViewTableWidget* m_table = nullptr;
    QPushButton* m_startStopBtn = nullptr;
    QPushButton* m_resetBtn = nullptr;
    QPushButton* m_closeBtn = nullptr;
    QPushButton* m_exitBtn = nullptr;
    QSpinBox* m_colBox = nullptr;
    QSpinBox* m_rowBox = nullptr;
    QLabel* m_classNameLbl = nullptr;
    QLabel* m_timeLbl = nullptr;
    QLabel* m_subjectLbl = nullptr;
    QLabel* m_signedLbl = nullptr;
    QLabel* m_totalLbl = nullptr;
    QLabel* m_unsignedLbl = nullptr;
    QLabel* m_attendanceLbl = nullptr;
};
