#pragma once

#include "Singleton.h"
#include "ZUExamScreenBase.h"
#include "ZUStepExamView.h"

#include <QString>
#include <QVector>

class QLabel;
class QPushButton;
class QScrollArea;
class ZUStepExamSer;

// The full-screen window of the question-by-question quiz: one question of the paper at a time with its
// countdown, the class's progress on it, the controls that start, pause and stop it, navigation and zoom, and
// the buttons that open the result windows of the question and of the paper. The quiz itself runs in
// ZUStepExamSer, which reports back through ZUStepExamView.
class ZUStepExamDlg : public ZUExamScreenBase, public ZUStepExamView
{
    Q_OBJECT
public:
    static ZUStepExamDlg* getInstance() { return TavSingleton<ZUStepExamDlg>::instance(); }

    // Shows the first question of the loaded paper.
    void showExam();

    void setTimeLabels(int seconds) override;
    void onQuestionFinished() override;
    void onStudentAnswered(const QString& dovaneID, int answeredItems) override;

    int currentQuestion() const { return m_current; }
    int pictureWidth() const { return m_pictureWidth; }

public slots:
    void on_NextBtn_clicked();
    void on_PrevioursBtn_clicked();
    void on_StartExamBtn_clicked();
    void on_SuspendExamBtn_clicked();
    void on_StopExamBtn_clicked();
    void on_ExitExamBtn_clicked();
    void on_TestAnalyBtn_clicked();
    void on_StuInteractBtn_clicked();
    void on_PersonBtn_clicked();
    void on_ExplanationBtn_clicked();
    void on_TableBtn_clicked();
    void on_ChartBtn_clicked();
    void on_EnlargeBtn_clicked();
    void on_NarrowBtn_clicked();

protected:
    void onTeacherKey(const QString& key) override;
    void stopRun() override { on_StopExamBtn_clicked(); }
    void leave() override;

private:
    friend class TavSingleton<ZUStepExamDlg>;
    ZUStepExamDlg();

    void buildCentre();
    void buildResultButtons();
    void fillExamInfo();
    void showQuestion(int question);
    void showPicture(const QPixmap& picture);
    // Which controls the teacher can use in a state.
    void setControls(int state);
    void showCounts();
    // At most one result window of the current question is open; this closes it.
    void closeOpenResultView();
    // The result window becomes a part of this screen, so that it stays above it.
    QWidget* adopt(ZUExamResultViews::View view);
    // The window of the current question's one item or of its several items, ready to be filled and slid in;
    // null when there is none, or when it was open and now slides out.
    QWidget* openAnswerWindow(ZUExamResultViews::View oneItemView, ZUExamResultViews::View severalView, bool& oneItem);
    void slide(QWidget* window, int edge, bool in);
    void fillAnsweringPanel();
    // In, it stands below the question, which makes room for it; out, the question has the room back.
    void slideAnsweringPanel(QWidget* panel, bool in);

    ZUStepExamSer* m_ser;
    int m_questionCount = 0;
    int m_current = 0;
    QVector<QString> m_finished;
    QVector<QString> m_answering;
    int m_pictureWidth = 0;

    QLabel* m_structName = nullptr;
    QLabel* m_subName = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QLabel* m_question = nullptr;
    QLabel* m_answeringCount = nullptr;
    QPushButton* m_personBtn = nullptr;
    QPushButton* m_explanationBtn = nullptr;
    QPushButton* m_chartBtn = nullptr;
    QPushButton* m_tableBtn = nullptr;
};
