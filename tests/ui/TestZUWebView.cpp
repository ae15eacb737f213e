#include "ZUWebView.h"

#include <QLineEdit>
#include <QTest>

class TestZUWebView : public QObject
{
    Q_OBJECT
private slots:
    void typingTakesKeyboardFromDialog();
};

void TestZUWebView::typingTakesKeyboardFromDialog()
{
    QLineEdit field;
    auto* view = new ZUWebView(&field);
    view->setFocusPolicy(Qt::NoFocus);
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field, 20000));
    field.activateWindow();
    field.setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(field.hasFocus(), 20000);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(view, &press);
    QVERIFY(!field.hasFocus());
    QCOMPARE(view->focusPolicy(), Qt::StrongFocus);
}

QTEST_MAIN(TestZUWebView)
#include "TestZUWebView.moc"
