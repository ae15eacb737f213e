#pragma once

#include "SetIdInfo.h"
#include "Singleton.h"
#include "StudentInfo.h"
#include "TeacherInfo.h"

#include <QDialog>
#include <QVector>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class ZUHdManager;
class ZUStuLinkFlow;
class ZUStuLinkItem;
class ZUTipDlg;
class ZUViewTableWidget;

// The full-screen hardware binding screen: for one class of the teacher, whether the class is bound to the
// connected receiver, one tile per student with its binding state, and the bindings of the class to the
// receiver, of the teacher keypad and of the student keypads one by one. The road itself is ZUStuLinkFlow.
class ZUStuLinkDlg : public QDialog
{
    Q_OBJECT
public:
    static ZUStuLinkDlg* getInstance() { return TavSingleton<ZUStuLinkDlg>::instance(); }

    // Shows the screen in its first state for the class in use.
    void onShow();
    void onItemClicked(ZUStuLinkItem* item);

    ZUStuLinkFlow* flow() const { return m_flow; }
    const QVector<ZUStuLinkItem*>& items() const { return m_items; }

public slots:
    void devChanged(bool change);
    void on_StuBindingBtn_clicked();
    void on_StuLinkCloseBtn_clicked();
    void on_bindClassBtn_clicked();
    void on_ClassNameListComboBox_currentIndexChanged(int class_index);
    void on_TeaBindBtn_clicked();
    void receivedSetIdData(SetIdInfo setid_info);
    void receivedStuData(StudentInfo stu_info);
    void receivedTeaData(TeacherInfo tea_info);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    friend class TavSingleton<ZUStuLinkDlg>;
    ZUStuLinkDlg();

    void buildForm();
    void clearView();
    void loadClasses();
    void loadItems();
    void buildItems();
    void syncItem(int index);
    void showMatch();
    void setControlsEnabled(bool enabled);
    void showBindingState();
    int comboClassID() const;
    void tell(const QString& text, const QString& title, const QString& yesText = QString());
    void showMismatch();

    bool q_combo_ready = false;
    ZUStuLinkFlow* m_flow;
    QVector<ZUStuLinkItem*> m_items;
    int m_columns = 0;
    ZUTipDlg* m_tip;
    ZUHdManager* m_hd;

    QLabel* m_classNum = nullptr;
    QLabel* m_boundNum = nullptr;
    ZUViewTableWidget* m_table = nullptr;
    QComboBox* m_combo = nullptr;
    QLabel* m_stationSn = nullptr;
    QWidget* m_matchBg = nullptr;
    QLabel* m_matchText = nullptr;
    QLabel* m_matchIcon = nullptr;
    QPushButton* m_bindClassBtn = nullptr;
    QPushButton* m_teaBindBtn = nullptr;
    QPushButton* m_stuBindBtn = nullptr;
};
