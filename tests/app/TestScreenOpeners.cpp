// The seams the program fills at start-up: a screen the teacher leaves brings the tool bar back.
#include "DbTestSupport.h"
#include "ScreenOpeners.h"
#include "WindowInput.h"
#include "ZUTAVExamSetDlg.h"
#include "ZUToolBarDlg.h"

#include <QPushButton>
#include <QtTest>

class TestScreenOpeners : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(DbTestSupport::freshDatabase()); }

    void leavingTheQuizSetUpBringsTheToolBarBack()
    {
        registerScreenOpeners();
        ZUToolBarDlg::getInstance()->hide();
        ZUTAVExamSetDlg* setUp = ZUTAVExamSetDlg::getInstance();
        setUp->showWithSettings();
        QVERIFY(QTest::qWaitForWindowExposed(setUp));
        QVERIFY(WindowInput::click(setUp->findChild<QPushButton*>("TestSetExitBtn")));
        QTRY_VERIFY_WITH_TIMEOUT(!setUp->isVisible(), 30000);
        QVERIFY(ZUToolBarDlg::getInstance()->isVisible());
    }
};

TAV_DB_TEST_MAIN(TestScreenOpeners)
#include "TestScreenOpeners.moc"
