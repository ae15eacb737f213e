#pragma once

#include "PaperCatalogue.h"
#include "Singleton.h"
#include "ZUTAVDialogBase.h"

#include <QString>

class QLabel;
class QListWidget;
class QMovie;
class QPropertyAnimation;
class QPushButton;
class QSpinBox;
class QWidget;
class ZUBaseExamSer;

// The small window "课间测" in which the teacher prepares an in-class quiz: a paper from the web service's
// catalogue, the answering mode and the duration. Starting loads the paper into the service of the mode and
// opens that mode's run screen. Two pages lie one above the other and slide: the paper list and the settings.
class ZUTAVExamSetDlg : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUTAVExamSetDlg* getInstance() { return TavSingleton<ZUTAVExamSetDlg>::instance(); }

    // The duration and mode of the settings, no paper chosen, and shown.
    void showWithSettings();

    // 0 question by question, 1 all at once.
    int mode() const { return m_mode; }
    const PaperCatalogue& catalogue() const { return m_catalogue; }
    // Seconds of the duration boxes.
    int duration() const;
    // True while the paper list is the page in view (or sliding into view).
    bool showsPaperPage() const { return m_paperPageShown; }

public slots:
    void on_ChoPapBtn_clicked();
    void on_PapSetExitBtn_clicked();
    void on_ParChoSureBtn_clicked();
    void on_TeamExamBtn_clicked();
    void on_StepExamBtn_clicked();
    void on_TestSetExitBtn_clicked();
    void on_StartTestBtn_clicked();
    void on_UpBtn_clicked();
    void on_DownBtn_clicked();
    void on_HourSpinBox_valueChanged(int hour);
    void on_MinSpinBox_valueChanged(int min);
    void on_SecSpinBox_valueChanged(int sec);
    void animationFinish();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    friend class TavSingleton<ZUTAVExamSetDlg>;
    ZUTAVExamSetDlg();

    void buildForm();
    QWidget* buildPaperPage(QWidget* parent);
    QWidget* buildSettingsPage(QWidget* parent);
    void loadTestSettings();
    void setMode(int mode);
    // Every box keeps the duration between a minute and two hours.
    void applyDurationRanges();
    void clearChosenPaper();
    void showPapers(const QList<PaperListItem>& papers);
    void slideExamWidget(int fromY, int toY);
    void addShadow();
    void setLoading(bool loading);
    void showError(const QString& text);
    // The chosen paper into the service; false when it failed (the teacher is told) or the teacher closed the
    // dialog meanwhile.
    bool loadPaper(ZUBaseExamSer& ser);
    // Hidden by the teacher or the window system: a load under way is given up, the tool bar comes back.
    void leave();

    PaperCatalogue m_catalogue;
    QString m_paperID;
    int m_mode = 1;
    bool m_paperPageShown = false;
    bool m_loadingPaper = false;
    bool m_loadWanted = false;
    QMovie* m_movie = nullptr;
    QPropertyAnimation* m_slide = nullptr;

    QWidget* m_pageWidget = nullptr;
    QWidget* m_examWidget = nullptr;
    QWidget* m_paperPage = nullptr;
    QWidget* m_settingsBody = nullptr;
    QLabel* m_loading = nullptr;
    QPushButton* m_choPapIconBtn = nullptr;
    QWidget* m_choInfoWidget = nullptr;
    QLabel* m_testName = nullptr;
    QWidget* m_midWidget = nullptr;
    QLabel* m_totalScore = nullptr;
    QLabel* m_testNum = nullptr;
    QPushButton* m_teamBtn = nullptr;
    QPushButton* m_stepBtn = nullptr;
    QSpinBox* m_hourBox = nullptr;
    QSpinBox* m_minBox = nullptr;
    QSpinBox* m_secBox = nullptr;
    QPushButton* m_startBtn = nullptr;
    QListWidget* m_paperList = nullptr;
    QLabel* m_pageNum = nullptr;
};
