#include "ZUWebView.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

class TestZUWebView : public QObject
{
    Q_OBJECT
private slots:
    void typingTakesKeyboardFromDialog();
};

void TestZUWebView::typingTakesKeyboardFromDialog()
{
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* field = new QLineEdit(&dialog);
    auto* view = new ZUWebView(field);
    layout->addWidget(field);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    field->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(field->hasFocus(), 2000);
    view->setFocusPolicy(Qt::NoFocus);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(view, &press);
    QVERIFY(!field->hasFocus());
    QCOMPARE(view->focusPolicy(), Qt::StrongFocus);
}

QTEST_MAIN(TestZUWebView)
#include "TestZUWebView.moc"
