#pragma once

#include "Singleton.h"
#include "ZUExamScreenBase.h"
#include "ZUSeatGrid.h"
#include "ZUTeamExamView.h"

#include <QMap>
#include <QPointer>
#include <QString>
#include <QVector>

class QTableWidget;
class ZUTeamExamItemDlg;
class ZUTeamExamSer;

// The full-screen window of the all-at-once quiz: the whole paper under one countdown that the teacher can
// lengthen or shorten, a seat grid whose tiles count each student's answered questions, the controls that
// start, pause, stop and restart the quiz, and the two reports. The quiz itself runs in ZUTeamExamSer, which
// reports back through ZUTeamExamView.
class ZUTeamExamDlg : public ZUExamScreenBase, public ZUTeamExamView
{
    Q_OBJECT
public:
    static ZUTeamExamDlg* getInstance() { return TavSingleton<ZUTeamExamDlg>::instance(); }

    // Shows the loaded paper with a seat for every student of the class.
    void showExam();

    void setTimeLabels(int seconds) override;
    void onExamFinished() override;
    void setStudentTileState(const QString& dovaneID, int answeredItems) override;

    // A seat dropped on another one: the two students change places on screen.
    void swapSeatCells(int fromRow, int fromCol, int toRow, int toCol);

    const ZUSeatGrid& grid() const { return m_grid; }
    // The tile of a cell; null outside the grid.
    ZUTeamExamItemDlg* tileAt(int row, int col) const;
    ZUTeamExamItemDlg* tileOf(const QString& dovaneID) const { return m_tiles.value(dovaneID); }

public slots:
    void on_TimeAddBtn_clicked();
    void on_TimeDecLbl_clicked();
    void on_StartExamBtn_clicked();
    void on_SuspendExamBtn_clicked();
    void on_StopExamBtn_clicked();
    void on_ExitExamBtn_clicked();
    void on_TestAnalyBtn_clicked();
    void on_StuInteractBtn_clicked();

protected:
    void onTeacherKey(const QString& key) override;
    void stopRun() override { on_StopExamBtn_clicked(); }
    void leave() override;

private:
    friend class TavSingleton<ZUTeamExamDlg>;
    ZUTeamExamDlg();

    void buildCentre();
    void buildTimeRow();
    void fillExamInfo();
    // Seats the class: the stored seat plan when it still fits every student, else in order of dovaneID.
    void buildSeatTiles();
    void showGrid(int columnWidth);
    ZUTeamExamItemDlg* makeTile(int row, int col);
    void setControls(int state);
    void setTilesState(int state);

    ZUTeamExamSer* m_ser;
    ZUSeatGrid m_grid;
    QMap<QString, ZUTeamExamItemDlg*> m_tiles; // dovaneID -> its tile
    QVector<QVector<QPointer<ZUTeamExamItemDlg>>> m_cells; // by row, then column
    QVector<QString> m_finished;
    QTableWidget* m_table = nullptr;
};
