#include "ZUNoSelLineEdit.h"
#include "ZUNoSelSpinBox.h"

#include <QTest>

class TestZUViewTableWidget : public QObject
{
    Q_OBJECT
private slots:
    void spinBoxTextNeverStaysSelected();
};

void TestZUViewTableWidget::spinBoxTextNeverStaysSelected()
{
    ZUNoSelSpinBox spin;
    spin.setValue(30);
    spin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spin, 20000));
    spin.selectAll();
    QVERIFY(!spin.noSelLineEdit()->hasSelectedText());
    spin.stepUp();
    QVERIFY(!spin.noSelLineEdit()->hasSelectedText());
}

QTEST_MAIN(TestZUViewTableWidget)
#include "TestZUViewTableWidget.moc"
