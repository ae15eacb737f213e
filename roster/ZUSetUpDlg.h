#pragma once

#include "Singleton.h"
#include "ZUSetUpSer.h"
#include "ZUTAVDialogBase.h"

#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class ZUNoSelSpinBox;
class ZUTipDlg;

// The settings window: defaults of the free interactions and of the quiz, the hardware binding, and the event
// sounds. Each tab saves its own keys; the values and their limits are ZUSetUpSer's.
class ZUSetUpDlg : public ZUTAVDialogBase
{
    Q_OBJECT
public:
    static ZUSetUpDlg* getInstance() { return TavSingleton<ZUSetUpDlg>::instance(); }

    // Fills every tab from the settings map and the receiver; runs at every opening.
    void loadSettings();
    // The values the tabs show now.
    ZUSetUpSer::Values values() const;

public slots:
    void on_InteractionSaveBtn_clicked();
    void on_BindingSetBtn_clicked();
    void on_ParaSetSaveBtn_clicked();
    void on_TestAssistantSaveBtn_clicked();
    void on_decTimeBtn_clicked();
    void on_addTimeBtn_clicked();
    void PlaySoundBtnClicked();
    void getStationSn(bool change);
    void getStationSn();
    void on_HourSpinBox_valueChanged(int hour);
    void on_MinSpinBox_valueChanged(int minutes);
    void on_SecSpinBox_valueChanged(int seconds);

private:
    friend class TavSingleton<ZUSetUpDlg>;
    ZUSetUpDlg();

    void buildForm();
    QWidget* buildInteractionTab();
    QWidget* buildQuizTab();
    QWidget* buildBindingTab();
    QWidget* buildSoundTab();
    void loadQuizTime(int seconds);
    void save(ZUSetUpSer::Tab tab);
    static void setRange(QSpinBox* box, ZUSetUpSer::Range range);

    ZUTipDlg* m_tip;
    QVector<QCheckBox*> soundCheckBoxes;
    QVector<QPushButton*> playButtons;

    QTabWidget* m_tabs = nullptr;
    QComboBox* m_modeBox = nullptr;
    QComboBox* m_feedbackBox = nullptr;
    ZUNoSelSpinBox* m_timeBox = nullptr;
    QCheckBox* m_unAnswerBox = nullptr;
    QCheckBox* m_anonymousBox = nullptr;
    ZUNoSelSpinBox* m_hourBox = nullptr;
    ZUNoSelSpinBox* m_minBox = nullptr;
    ZUNoSelSpinBox* m_secBox = nullptr;
    QComboBox* m_testModeBox = nullptr;
    QLineEdit* m_stationSn = nullptr;
    QTableWidget* m_soundTable = nullptr;
};
