#include "ZUTAVDialogBase.h"
#include "ZUTAVLPPushbtn.h"
#include "ZUTAVPushbtn.h"
#include "ZUTableWidBaseDlg.h"

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& global)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, w->mapFromGlobal(global), global, button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestZUTAVDialogBase : public QObject
{
    Q_OBJECT
private slots:
    void dragMovesWindowAndEmitsDlgMove_data();
    void dragMovesWindowAndEmitsDlgMove();
    void escapeIsIgnoredOtherKeysPass();
    void pressLengthPicksSignal();
    void tileAcceptsOnlySeatDrag_data();
    void tileAcceptsOnlySeatDrag();
};

void TestZUTAVDialogBase::dragMovesWindowAndEmitsDlgMove_data()
{
    QTest::addColumn<bool>("onButton");
    QTest::addColumn<QPoint>("drag");
    QTest::newRow("window") << false << QPoint(50, 40);
    // The tool bar's centre button: a click is its own, a drag moves the bar.
    QTest::newRow("button click") << true << QPoint();
    QTest::newRow("button drag") << true << QPoint(-40, 25);
}

void TestZUTAVDialogBase::dragMovesWindowAndEmitsDlgMove()
{
    QFETCH(bool, onButton);
    QFETCH(QPoint, drag);
    ZUTAVDialogBase dlg;
    auto* btn = new ZUTAVPushbtn(&dlg);
    btn->setGeometry(100, 10, 60, 60);
    dlg.setGeometry(200, 200, 200, 100);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg, 20000));
    QSignalSpy moved(&dlg, &ZUTAVDialogBase::dlgMove);
    QSignalSpy released(btn, &ZUTAVPushbtn::zurelease);
    QWidget* target = onButton ? static_cast<QWidget*>(btn) : &dlg;
    const QPoint start = dlg.pos();
    const QPoint grip = target->mapToGlobal(QPoint(20, 20));

    sendMouse(target, QEvent::MouseButtonPress, grip);
    if (!drag.isNull()) {
        sendMouse(target, QEvent::MouseMove, grip + QPoint(5, 5));
        sendMouse(target, QEvent::MouseMove, grip + drag);
    }
    sendMouse(target, QEvent::MouseButtonRelease, grip + drag);
    sendMouse(&dlg, QEvent::MouseMove, grip + QPoint(90, 90));
    QCOMPARE(dlg.pos(), start + drag);
    QCOMPARE(moved.count(), drag.isNull() ? 0 : 2);
    QCOMPARE(released.count(), int(onButton && drag.isNull()));
}

void TestZUTAVDialogBase::escapeIsIgnoredOtherKeysPass()
{
    ZUTAVDialogBase dlg;
    auto* ok = new QPushButton(&dlg);
    ok->setDefault(true);
    QSignalSpy clicked(ok, &QPushButton::clicked);
    dlg.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg, 20000));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QTest::keyClick(&dlg, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    QCOMPARE(clicked.count(), 1);
}

// One button is clicked, the other held: the held one's second ends after the clicked one's would have, so
// when the long press of the held one has come, one of the click would have come too.
void TestZUTAVDialogBase::pressLengthPicksSignal()
{
    QWidget window;
    auto* clicked = new ZUTAVLPPushbtn(&window);
    auto* held = new ZUTAVLPPushbtn(&window);
    clicked->setGeometry(0, 0, 50, 50);
    held->setGeometry(60, 0, 50, 50);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, 20000));
    QSignalSpy clickedShort(clicked, &ZUTAVLPPushbtn::zupress);
    QSignalSpy clickedLong(clicked, &ZUTAVLPPushbtn::zulpress);
    QSignalSpy heldShort(held, &ZUTAVLPPushbtn::zupress);
    QSignalSpy heldLong(held, &ZUTAVLPPushbtn::zulpress);
    QTest::mouseClick(clicked, Qt::LeftButton);
    QTest::mousePress(held, Qt::LeftButton);
    QVERIFY(heldLong.wait(20000));
    QTest::mouseRelease(held, Qt::LeftButton);
    QCOMPARE(clickedShort.count(), 1);
    QCOMPARE(clickedLong.count(), 0);
    QCOMPARE(heldLong.count(), 1);
    QCOMPARE(heldLong.first().first().value<ZUTAVLPPushbtn*>(), held);
    QCOMPARE(heldShort.count(), 0);
}

void TestZUTAVDialogBase::tileAcceptsOnlySeatDrag_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("seat") << QStringLiteral("custom/sign_drag") << true;
    QTest::newRow("text") << QStringLiteral("text/plain") << false;
    QTest::newRow("similar") << QStringLiteral("custom/sign_drag2") << false;
}

void TestZUTAVDialogBase::tileAcceptsOnlySeatDrag()
{
    QFETCH(QString, format);
    QFETCH(bool, accepted);
    ZUTableWidBaseDlg tile;
    QMimeData mime;
    mime.setData(format, QByteArrayLiteral("2,3"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&tile, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QVERIFY(tile.acceptDrops());
}

QTEST_MAIN(TestZUTAVDialogBase)
#include "TestZUTAVDialogBase.moc"
